// Apart from every file that includes <termios.h>: the kernel's termios2
// header defines the same structures.
#include "support/LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned LineSpeed(int fd) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}
