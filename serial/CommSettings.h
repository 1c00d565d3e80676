#pragma once

#include <optional>
#include <string>

// The serial control's settings string "baud,parity,data,stop", e.g. 9600,n,8,1.
struct CommSettings {
    int baud = 9600;
    char parity = 'n';           // e, m, n, o or s, lower case
    int dataBits = 8;            // 4 to 8
    std::string stopBits = "1";  // "1", "1.5" or "2"
};

// Nothing when the text is not a settings string the control takes: the baud
// rate must be one of the control's standard rates.
std::optional<CommSettings> ParseCommSettings(const std::string& text);

// The same form with any baud rate from 1 to 999,999,999, for programs that
// open ports the control's rate list does not cover. On failure `why` (when
// given) gets one line naming the wrong field and what it may hold.
std::optional<CommSettings> ParseCommSettingsAnyBaud(const std::string& text,
                                                     std::string* why = nullptr);

std::string FormatCommSettings(const CommSettings& settings);

// A baud rate as the settings' first field gives it: decimal digits only,
// from 1 to 999,999,999 (kMaxBaudRate). Nothing otherwise.
constexpr int kMaxBaudRate = 999999999;
std::optional<int> ParseBaudRate(const std::string& text);

// What a UART cannot put on the line although the settings string allows it:
// 4 data bits at all, 1.5 stop bits with 6 to 8 data bits, 2 stop bits with 5
// (a UART sends 5 data bits with 1 or 1.5 stop bits, 6 to 8 with 1 or 2).
enum class UnsendableSettings { None, DataBits, OneAndAHalfStopBits, TwoStopBits };
UnsendableSettings FindUnsendableSettings(const CommSettings& settings);
