#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace va48 {

// The parts of `text` between separators; an empty part at the end is left out.
inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

} // namespace va48
