#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/CommErrors.h"
#include "serial/PortSystem.h"

namespace {

qint64 QueueCount(qintptr handle, unsigned long request) {
    int pending = 0;
    if (::ioctl(static_cast<int>(handle), request, &pending) == 0 && pending > 0) {
        return pending;
    }
    return 0;
}

}  // namespace

std::string SystemPortPath(int port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

QSerialPort::StopBits OneAndAHalfStopBits() {
    // With five data bits, two stop bits are sent as one and a half.
    return QSerialPort::TwoStop;
}

bool MarkParityErrors(qintptr handle, bool mark) {
    const int fd = static_cast<int>(handle);
    termios line{};
    if (::tcgetattr(fd, &line) != 0) {
        return false;
    }
    const tcflag_t before = line.c_iflag;
    if (mark) {
        // Bad bytes come as 0xFF 0x00 byte rather than dropped or as NUL, and
        // all eight bits of a byte stay.
        line.c_iflag |= INPCK | PARMRK;
        line.c_iflag &= ~(IGNPAR | ISTRIP);
    } else {
        line.c_iflag &= ~(INPCK | PARMRK);
    }
    if (line.c_iflag != before) {
        ::tcsetattr(fd, TCSANOW, &line);
    }
    // The terminal may take only some of the flags: with PARMRK on, bytes come
    // marked whatever else it took.
    if (::tcgetattr(fd, &line) != 0) {
        return false;
    }
    return (line.c_iflag & PARMRK) != 0;
}

void RequireDeviceAccess(const std::string& path, const std::string& portName, PortNaming naming) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        Refuse(CommRefusal::NoSuchDevice, {portName, path, std::strerror(errno)}, naming);
    }
    if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        Refuse(CommRefusal::NoPermission, {portName, path}, naming);
    }
}

bool LineHungUp(qintptr handle) {
    pollfd line{static_cast<int>(handle), POLLIN | POLLOUT, 0};
    if (::poll(&line, 1, 0) < 0) {
        return errno != EINTR;
    }
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

qint64 DriverInputQueue(qintptr handle) {
    return QueueCount(handle, FIONREAD);
}

qint64 DriverOutputQueue(qintptr handle) {
    return QueueCount(handle, TIOCOUTQ);
}

void TakeDriverInput(qintptr handle, QByteArray& into) {
    const qint64 queued = DriverInputQueue(handle);
    const qsizetype start = into.size();
    into.resize(start + queued);
    qint64 taken = 0;
    while (taken < queued) {
        pollfd line{static_cast<int>(handle), POLLIN, 0};
        if (::poll(&line, 1, 0) <= 0 || !(line.revents & POLLIN)) {
            break;
        }
        const ssize_t n = ::read(static_cast<int>(handle), into.data() + start + taken,
                                 static_cast<size_t>(queued - taken));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        taken += n;
    }
    into.resize(start + taken);
}
