#pragma once

#include <string>
#include <vector>

// What the six line-setting lists ask for, from their selected positions (-1:
// no selection). Only positions count; text typed into a list is never read.
struct LineChoice {
    short port;            // CommPort
    std::string settings;  // e.g. "9600,n,8,1"
    short handshaking;     // 0 none, 2 RTS/CTS
};

// The baud-rate list's items, in the order it shows them: 1200, 2400, 4800
// and 9600 unless a command line gave others.
const std::vector<int>& DefaultBaudRates();

// `baudRates` are the baud-rate list's items by position; without a selection
// the rate is 9600, whatever the items.
LineChoice ChooseLine(int port, int baudRate, int dataBits, int stopBits, int parity,
                      int flowControl, const std::vector<int>& baudRates = DefaultBaudRates());
