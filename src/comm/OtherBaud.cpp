// Kept apart: <asm/termbits.h> defines its own struct termios, which clashes with glibc's.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

int SetOtherBaudRate(int fd, int rate) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(rate);
    t.c_ospeed = static_cast<speed_t>(rate);
    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    // Drivers round to what their clock can make; refuse what is off by more than 2 %.
    const long got = static_cast<long>(t.c_ospeed);
    if (got * 100 < rate * 98L || got * 100 > rate * 102L)
        return EINVAL;
    return 0;
}
