// tessaline-check: the analysis window's verdict from a script, unit after
// unit, with exit codes and a results log. No display needed.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <string>
#include <vector>

#include "tools/check/runner/CheckProgram.h"

namespace {

// A standard descriptor the caller closed (`<&-`) is opened on /dev/null
// before anything else opens a file: otherwise the next file, or Qt's own
// event descriptor, takes its number and "standard input" reads that. Input
// then ends at once, and writes to a closed standard output fail (it is
// opened for reading only), which the run reports.
void FillClosedStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    FillClosedStandardDescriptors();
    // The arguments as the shell passed them, before Qt sees any.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    QCoreApplication app(argc, argv);
    return RunCheckProgram(arguments);
}
