#include "transport/serial_rate_linux.h"

// The kernel's termios2 types; <termios.h> must stay out of this file.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace va48::serial_backend {

int SetExactRate(int fd, std::uint32_t rate) {
    termios2 line{};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        return errno;
    }
    line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    line.c_ispeed = rate;
    line.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &line) == 0 ? 0 : errno;
}

int ReadOutputRate(int fd, std::uint32_t& rate) {
    termios2 line{};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        return errno;
    }
    rate = line.c_ospeed;
    return 0;
}

} // namespace va48::serial_backend
