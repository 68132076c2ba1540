#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace va48 {

// Firmware files for tests and benchmarks, written without the code under test.

// One S-record line without line end: type 0-9, the address in the type's width, the data bytes
// and a correct checksum.
inline std::string SRecordLine(int type, std::uint32_t address, std::string_view data) {
    static constexpr int kAddressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const int addressBytes = kAddressBytes[type];
    const auto count = static_cast<unsigned>(addressBytes + data.size() + 1);
    std::string line = "S" + std::to_string(type);
    char hex[3];
    unsigned sum = 0;
    const auto put = [&](unsigned byte) {
        std::snprintf(hex, sizeof hex, "%02X", byte & 0xFFu);
        line += hex;
        sum += byte & 0xFFu;
    };
    put(count);
    for (int i = addressBytes - 1; i >= 0; --i) {
        put(address >> (8 * i));
    }
    for (const char c : data) {
        put(static_cast<unsigned char>(c));
    }
    put(~sum);
    return line;
}

// A whole image: a header, S3 records of 32 data bytes from address 0 holding `dataBytes` bytes,
// and S7, each line ending with LF.
inline std::string SRecordImage(std::size_t dataBytes) {
    std::string image = SRecordLine(0, 0, "va48 test image") + "\n";
    for (std::size_t at = 0; at < dataBytes; at += 32) {
        std::string data(std::min<std::size_t>(32, dataBytes - at), '\0');
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<char>((at + i) * 7);
        }
        image += SRecordLine(3, static_cast<std::uint32_t>(at), data) + "\n";
    }
    return image + SRecordLine(7, 0, "") + "\n";
}

} // namespace va48
