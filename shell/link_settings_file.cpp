#include "shell/link_settings_file.h"

#include "transport/usb_discovery.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

namespace va48 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::uint8_t LowByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// One dotted part of an address; nullopt unless it is 0..255 without leading zeros.
std::optional<std::uint8_t> ParseAddressPart(std::string_view part) {
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part.front() == '0')) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : part) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace

std::int32_t ParseSettingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsWhiteSpace(text[pos])) {
        ++pos;
    }
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        ++pos;
    }
    // Accumulated towards the sign's side so that the most negative value needs no special case.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        const int digit = text[pos] - '0';
        value = negative ? std::max(kMin, value * 10 - digit) : std::min(kMax, value * 10 + digit);
    }
    return static_cast<std::int32_t>(value);
}

std::array<std::uint8_t, 4> ParseLanAddress(std::string_view text) {
    std::array<std::uint8_t, 4> address{};
    for (std::size_t index = 0; index < address.size(); ++index) {
        const std::size_t dot = text.find('.');
        const bool last = index + 1 == address.size();
        if (last != (dot == std::string_view::npos)) {
            return kNoLanAddress;
        }
        const std::optional<std::uint8_t> part = ParseAddressPart(text.substr(0, dot));
        if (!part) {
            return kNoLanAddress;
        }
        address[index] = *part;
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    return address;
}

std::string FormatLanAddress(const std::array<std::uint8_t, 4>& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
    return text;
}

void LoadLinkSettings(const SettingsFile& file, LinkSettings& out) {
    const auto number = [&file](std::string_view section, std::string_view key,
                                std::string_view defaultText) {
        return ParseSettingNumber(file.ReadString(section, key, defaultText));
    };
    out.lanAddress = ParseLanAddress(file.ReadString("LAN", "IPAddress", ""));
    out.lanPort = static_cast<std::uint32_t>(number("LAN", "PortNo", "2255"));
    out.comPort = 0;
    out.baudRate = static_cast<std::uint32_t>(number("USB", "Rate", "115200"));
    out.byteSize = LowByte(number("USB", "ByteSize", "8"));
    out.parityEnabled = number("USB", "Parity", "0") > 0;
    out.parityKind = LowByte(number("USB", "ParityKind", "0"));
    out.stopBits = LowByte(number("USB", "StopBit", "0"));
    out.hardwareId = file.ReadString("HWID", "Code", kDefaultHardwareIdPattern);
    out.usbSerialNumber = file.ReadString("USB", "SerialNumber", "");
    // A negative time-out would wrap to weeks and leave the program waiting for a silent
    // amplifier as good as forever; such a value takes the default instead.
    const auto timeout = [&](const char* key, const char* defaultText, std::uint32_t fallback) {
        const std::int32_t ms = number("TIMEOUT", key, defaultText);
        return ms < 0 ? fallback : static_cast<std::uint32_t>(ms);
    };
    out.replyTimeoutMs = timeout("Recv", "30000", 30000);
    out.updateTimeoutMs = timeout("Update", "60000", 60000);
    out.rebootAfterUpdate = number("VA48", "UpdReboot", "1") > 0;
}

// A value the file did not take would be lost at the next start without the user knowing, so
// it is taken only once it is saved.
bool SaveReplyTimeout(SettingsFile& file, LinkSettings& settings, std::uint32_t ms,
                      std::error_code* why) {
    if (!file.WriteString("TIMEOUT", "Recv", std::to_string(ms), why)) {
        return false;
    }
    settings.replyTimeoutMs = ms;
    return true;
}

bool SaveUsbSerialNumber(SettingsFile& file, LinkSettings& settings, const std::string& serial,
                         std::error_code* why) {
    if (!file.WriteString("USB", "SerialNumber", serial, why)) {
        return false;
    }
    settings.usbSerialNumber = serial;
    return true;
}

bool SaveLanAddress(SettingsFile& file, LinkSettings& settings, std::array<std::uint8_t, 4> address,
                    std::error_code* why) {
    if (!file.WriteString("LAN", "IPAddress", FormatLanAddress(address), why)) {
        return false;
    }
    settings.lanAddress = address;
    return true;
}

} // namespace va48
