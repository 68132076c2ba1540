#pragma once

#include "protocol/link_settings.h"
#include "transport/transport.h"

#include <string>

namespace va48 {

// How a status line names the open link: "LAN 192.168.1.100:10001" (the port as the LAN link
// uses it, its low 16 bits) or "USB /dev/ttyACM0" (the node the serial port number opens).
std::string LinkDescription(LinkKind kind, const LinkSettings& link);

} // namespace va48
