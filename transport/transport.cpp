#include "transport/transport.h"

#include "transport/lan_channel.h"
#include "transport/serial_channel.h"

namespace va48 {

const std::array<TransportEntry, kTransportOperationCount* 2> kTransportTable = {{
    {.receiveFrame = SerialReceiveFrame},
    {.receiveFrame = LanReceiveFrame},
    {.send = SerialSend},
    {.send = LanSend},
    {.lastError = SerialLastError},
    {.lastError = LanLastError},
    {.discardInput = SerialDiscardInput},
    {.discardInput = LanDiscardInput},
    {.linkFault = SerialLinkFault},
    {.linkFault = LanLinkFault},
}};

const TransportEntry* FindTransport(TransportOperation operation, LinkKind kind) {
    if (kind != LinkKind::Usb && kind != LinkKind::Lan) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(operation) * 2 + static_cast<std::size_t>(kind) - 1;
    return index < kTransportTable.size() ? &kTransportTable[index] : nullptr;
}

} // namespace va48
