#include "protocol/command_code.h"

namespace va48 {

std::string_view CommandName(CommandCode code) {
    const auto index = static_cast<std::size_t>(code);
    return index < kCommandNames.size() ? kCommandNames[index] : std::string_view("???");
}

} // namespace va48
