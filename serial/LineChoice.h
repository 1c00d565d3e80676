#pragma once

#include <string>

// What the six line-setting lists ask for, from their selected positions (-1:
// no selection). Only positions count; text typed into a list is never read.
struct LineChoice {
    short port;            // CommPort
    std::string settings;  // e.g. "9600,n,8,1"
    short handshaking;     // 0 none, 2 RTS/CTS
};

LineChoice ChooseLine(int port, int baudRate, int dataBits, int stopBits, int parity,
                      int flowControl);
