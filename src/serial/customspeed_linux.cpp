// Speeds outside the standard Bnnn table: Linux takes any rate through
// termios2 with BOTHER. Kept apart because <asm/termbits.h> redefines the
// C library's struct termios.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace marbolt {

int setCustomSpeedLinux(int fd, int bps)
{
    struct termios2 t;
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(bps);
    t.c_ospeed = static_cast<speed_t>(bps);
    return ::ioctl(fd, TCSETS2, &t);
}

}  // namespace marbolt
