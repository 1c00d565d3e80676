#include "tools/check/core/CheckPlan.h"

#include <algorithm>
#include <cmath>

#include "datalib/DataLibraryFile.h"
#include "tools/check/core/ExpectedText.h"
#include "tools/check/core/TextEscapes.h"

namespace {

ResolvedCheckPlan Wrong(const std::string& why) {
    return ResolvedCheckPlan{std::nullopt, why};
}

// Where a text came from, for messages: `--send-hex "01 0"` or `send entry 2
// of Quorvix.ini ("01 0")`.
std::string Source(const std::string& origin, const std::string& text) {
    return origin + " " + QuotedForTerminal(text);
}

// The bytes of a hex text, or why the parser would stop before its end.
std::optional<ByteArray> StrictHex(const std::string& text, std::string& why) {
    ByteArray bytes;
    const HexParseEnd end = ParseHexText(text, bytes);
    const std::string position = std::to_string(end.position + 1);
    switch (end.reason) {
        case HexParseEnd::Complete:
            return bytes;
        case HexParseEnd::NotAPair:
            why = QuotedForTerminal(WholeCharacters(text, end.position, 2)) + " at position " +
                  position + " is not a pair of hex digits";
            break;
        case HexParseEnd::LoneLast:
            why = QuotedForTerminal(WholeCharacters(text, end.position, 1)) + " at position " +
                  position + " is a lone last digit: hex digits go in pairs";
            break;
    }
    return std::nullopt;
}

std::string EntryName(DataLibraryKind kind, int number) {
    return std::string(kind == DataLibraryKind::Send ? "send entry " : "expected entry ") +
           std::to_string(number);
}

// The entry's text read from `readName`, or why there is none; messages call
// the file `fileName`.
std::optional<std::string> Entry(DataLibraryKind kind, int number, const std::string& readName,
                                 const std::string& fileName, std::string& why) {
    DataLibraryData data = ReadDataLibraryData(kind, number, readName);
    switch (data.status) {
        case DataLibraryData::Present:
            return std::move(data.value);
        case DataLibraryData::MissingEntry:
            why = "missing library entry: " + fileName + " has no Data in [" +
                  DataLibrarySection(kind, number) + "] (" + EntryName(kind, number) + ")";
            break;
        case DataLibraryData::MissingFile:
            why = "missing library entry: " + EntryName(kind, number) + " is read from " +
                  fileName + ", and there is no such file";
            break;
        case DataLibraryData::Unreadable:
            why = "unreadable library file: " + ToUtf8(data.reason);
            break;
    }
    return std::nullopt;
}

// The bytes each unit sends; false with `why` when they cannot be had.
bool ResolveSend(const CheckOptions& options, const std::string& shownLibrary, CheckPlan& plan,
                 std::string& why) {
    switch (options.send) {
        case SendSource::Nothing:
            return true;
        case SendSource::Text:
            plan.sendBytes.assign(options.sendText.begin(), options.sendText.end());
            return true;
        case SendSource::Hex:
            if (std::optional<ByteArray> bytes = StrictHex(options.sendText, why)) {
                plan.sendBytes = std::move(*bytes);
                return true;
            }
            why = Source("--send-hex", options.sendText) + ": " + why;
            return false;
        case SendSource::Entry:
            break;
    }
    const std::optional<std::string> text =
        Entry(DataLibraryKind::Send, options.sendEntry, plan.libraryPath, shownLibrary, why);
    if (!text) {
        return false;
    }
    if (!options.entryHex) {
        plan.sendBytes.assign(text->begin(), text->end());
        return true;
    }
    if (std::optional<ByteArray> bytes = StrictHex(*text, why)) {
        plan.sendBytes = std::move(*bytes);
        return true;
    }
    why =
        Source(EntryName(DataLibraryKind::Send, options.sendEntry) + " of " + shownLibrary, *text) +
        ": " + why;
    return false;
}

}  // namespace

int DefaultSettleMs(const CommSettings& line) {
    constexpr int kShortestMs = 50;
    constexpr int kCharacters = 5;
    // Start bit, data bits, parity bit, stop bits.
    const double stopBits = line.stopBits == "1.5" ? 1.5 : line.stopBits == "2" ? 2 : 1;
    const double bits = 1 + line.dataBits + (line.parity == 'n' ? 0 : 1) + stopBits;
    const double ms = kCharacters * bits * 1000.0 / line.baud;
    return std::max(kShortestMs, static_cast<int>(std::ceil(ms)));
}

ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options) {
    CheckPlan plan;
    plan.options = options;
    std::string why;
    const std::optional<CommSettings> settings = ParseCommSettingsAnyBaud(options.settings, &why);
    if (!settings) {
        return Wrong("--settings " + options.settings + ": " + why);
    }
    plan.lineSettings = *settings;
    plan.settleMs = options.settleMs >= 0 ? options.settleMs : DefaultSettleMs(*settings);
    plan.libraryPath = options.libraryPath.empty() ? kDataLibraryFile : options.libraryPath;
    // Messages name the file as the operator knows it.
    const std::string shownLibrary =
        options.libraryPath.empty() ? "Quorvix.ini" : options.libraryPath;

    plan.listenOnly = options.send == SendSource::Nothing;
    if (!ResolveSend(options, shownLibrary, plan, why)) {
        return Wrong(why);
    }

    std::string origin = "--expect";
    if (options.expect == ExpectSource::Text) {
        plan.expected = options.expectText;
    } else {
        const std::optional<std::string> text = Entry(
            DataLibraryKind::Expected, options.expectEntry, plan.libraryPath, shownLibrary, why);
        if (!text) {
            return Wrong(why);
        }
        plan.expected = *text;
        origin = EntryName(DataLibraryKind::Expected, options.expectEntry) + " of " + shownLibrary;
    }
    if (ExpectedCanNeverFail(plan.expected)) {
        return Wrong(Source(origin, plan.expected) +
                     ": nothing to compare once blanks and tabs are removed, so no answer could "
                     "fail");
    }
    if (const std::optional<std::string> piece =
            UnreachableExpectedPiece(plan.expected, options.hex)) {
        return Wrong(Source(origin, plan.expected) +
                     " can never match with --hex: received bytes " +
                     "show as upper-case digit pairs such as \"AB\", and " +
                     QuotedForTerminal(*piece) + " is not one");
    }
    return ResolvedCheckPlan{std::move(plan), std::string()};
}
