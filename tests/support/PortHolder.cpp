// tessaline-port-holder PATH: opens a serial port the way serial programs do
// (lock file, exclusive use) and keeps it open until its standard input ends.
// Prints "held" once the port is open, or the reason it could not open it.
#include <QCoreApplication>
#include <QSerialPort>

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaline-port-holder PATH\n");
        return 2;
    }
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    if (!port.open(QIODevice::ReadWrite)) {
        std::printf("cannot open %s: %s\n", argv[1], qPrintable(port.errorString()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char c;
    while (read(STDIN_FILENO, &c, 1) > 0) {
    }
    port.close();
    return 0;
}
