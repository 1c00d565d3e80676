#include "serial/LineChoice.h"

#include "serial/CommSettings.h"

namespace {

// Values by position in each (sorted) list, and the value without a selection.
template <class T, size_t N>
T Pick(const T (&values)[N], int position, T none) {
    return position >= 0 && position < static_cast<int>(N) ? values[position] : none;
}

const short kPorts[] = {1, 2, 3, 4};      // COM1 .. COM4
const int kDataBits[] = {8, 5, 6, 7, 8};  // "4" opens with 8
const char* const kStopBits[] = {"1", "1.5", "2"};
const char kParities[] = {'e', 'n', 'o'};  // EVEN, NONE, ODD
const short kHandshaking[] = {0, 2};       // NO, YES: RTS/CTS

}  // namespace

const std::vector<int>& DefaultBaudRates() {
    static const std::vector<int> rates = {1200, 2400, 4800, 9600};
    return rates;
}

LineChoice ChooseLine(int port, int baudRate, int dataBits, int stopBits, int parity,
                      int flowControl, const std::vector<int>& baudRates) {
    LineChoice choice;
    choice.port = Pick(kPorts, port, short{2});
    CommSettings settings;
    settings.baud = baudRate >= 0 && baudRate < static_cast<int>(baudRates.size())
                        ? baudRates[static_cast<size_t>(baudRate)]
                        : 9600;
    settings.parity = Pick(kParities, parity, 'n');
    settings.dataBits = Pick(kDataBits, dataBits, 8);
    settings.stopBits = Pick(kStopBits, stopBits, "1");
    choice.settings = FormatCommSettings(settings);
    choice.handshaking = Pick(kHandshaking, flowControl, short{0});
    return choice;
}
