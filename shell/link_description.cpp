#include "shell/link_description.h"

#include "transport/serial_channel.h"

namespace va48 {

std::string LinkDescription(LinkKind kind, const LinkSettings& link) {
    if (kind == LinkKind::Lan) {
        const auto& a = link.lanAddress;
        return "LAN " + std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
               std::to_string(a[2]) + "." + std::to_string(a[3]) + ":" +
               std::to_string(link.lanPort & 0xFFFFu);
    }
    return "USB " + SerialPortDevice(static_cast<int>(link.comPort));
}

} // namespace va48
