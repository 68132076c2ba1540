#pragma once

// Exact bit rates on Linux through the termios2 interface, for rates that have no B* constant
// (14400, 56000, 128000, 256000). Kept in its own file because the kernel's termios2 header
// cannot be included beside <termios.h>.

#include <cstdint>

namespace va48::serial_backend {

// Sets both directions of the open terminal `fd` to `rate` bit/s, keeping every other setting.
// Returns 0, or the errno of the failed call.
int SetExactRate(int fd, std::uint32_t rate);

// Reads the output rate of the open terminal `fd` in bit/s into `rate`. Returns 0, or the errno
// of the failed call.
int ReadOutputRate(int fd, std::uint32_t& rate);

} // namespace va48::serial_backend
