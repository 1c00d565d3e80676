#include "tools/check/core/ResultsLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text/AsciiCase.h"
#include "platform/text/LocalTime.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

constexpr const char* kColumns[] = {"time",     "port",    "settings", "sent", "received",
                                    "expected", "verdict", "ms",       "unit", "id",
                                    "trailing", "late",    "reason"};

// The first value of that name any step of the unit read.
const RecordedValue* FindValue(const UnitResult& unit, const std::string& name) {
    for (const StepResult& step : unit.steps) {
        for (const RecordedValue& v : step.values) {
            if (v.name == name) {
                return &v;
            }
        }
    }
    return nullptr;
}

// A value as its column holds it: the number, else the text.
std::string ColumnText(const RecordedValue& v) {
    return v.number ? FormatNumber(*v.number) : ToUtf8(v.text);
}

// The columns' texts in order; numbers are marked for JSON.
std::vector<std::pair<std::string, bool>> Fields(const RecordLayout& layout, const UnitResult& u) {
    static const StepResult kNone;
    const StepResult* deciding = DecidingStep(u);
    const StepResult& s = deciding ? *deciding : kNone;
    return {
        {LocalIsoTime(u.end), false},     {ToUtf8(layout.port), false},
        {ToUtf8(layout.settings), false}, {HexBytes(s.sent), false},
        {HexBytes(s.received), false},    {ToUtf8(s.expected), false},
        {VerdictName(u.verdict), false},  {FormatMs(u.ms), true},
        {std::to_string(u.unit), true},   {ToUtf8(u.id), false},
        {HexBytes(s.trailing), false},    {HexBytes(s.late), false},
        {ToUtf8(u.reason), false},
    };
}

std::string JsonNumberOrNull(const std::optional<double>& n) {
    return n ? FormatNumber(*n) : "null";
}

// "values" and "limits" of the unit's steps, in the layout's order.
std::string JsonValues(const RecordLayout& layout, const UnitResult& u) {
    std::string values;
    std::string limits;
    for (const std::string& name : layout.valueNames) {
        const RecordedValue* v = FindValue(u, name);
        if (!v) {
            continue;
        }
        values += (values.empty() ? "" : ",") + JsonString(name) + ":" +
                  (v->number ? FormatNumber(*v->number) : JsonString(ToUtf8(v->text)));
        if (v->judged || !v->unit.empty()) {
            limits += (limits.empty() ? "" : ",") + JsonString(name) +
                      ":{\"low\":" + JsonNumberOrNull(v->low) +
                      ",\"high\":" + JsonNumberOrNull(v->high) +
                      ",\"unit\":" + JsonString(ToUtf8(v->unit)) + "}";
        }
    }
    return ",\"values\":{" + values + "},\"limits\":{" + limits + "}";
}

}  // namespace

std::string CsvHeader(const RecordLayout& layout) {
    std::string line;
    for (const char* name : kColumns) {
        line += (line.empty() ? "" : ",") + std::string(name);
    }
    for (const std::string& name : layout.valueNames) {
        line += "," + CsvField(name);
    }
    return line + "\r\n";
}

std::string FormatCsvRecord(const RecordLayout& layout, const UnitResult& unit) {
    std::string line;
    for (const auto& field : Fields(layout, unit)) {
        line += (line.empty() ? "" : ",") + CsvField(field.first);
    }
    for (const std::string& name : layout.valueNames) {
        const RecordedValue* v = FindValue(unit, name);
        line += "," + (v ? CsvField(ColumnText(*v)) : std::string());
    }
    return line + "\r\n";
}

std::string FormatJsonRecord(const RecordLayout& layout, const UnitResult& unit) {
    std::string line = "{";
    size_t at = 0;
    for (const auto& [text, isNumber] : Fields(layout, unit)) {
        line += (at == 0 ? "\"" : ",\"") + std::string(kColumns[at]) + "\":";
        line += isNumber ? text : JsonString(text);
        ++at;
    }
    return line + JsonValues(layout, unit) + "}\n";
}

ResultsLog::Format ResultsLog::FormatFor(const std::string& path) {
    static const std::string kSuffix = ".jsonl";
    if (path.size() < kSuffix.size()) {
        return Format::Csv;
    }
    const std::string tail = path.substr(path.size() - kSuffix.size());
    return ascii::CompareNoCase(tail, kSuffix) == 0 ? Format::JsonLines : Format::Csv;
}

std::string ResultsLog::Failure(const std::string& what, int error) const {
    if (error == ETIMEDOUT) {
        return "the log " + path_ + " took nothing for " +
               std::to_string(RecordFile::kStallMs / 1000) + " s";
    }
    return what + " log " + path_ + ": " + std::strerror(error);
}

std::string ResultsLog::Open(const std::string& path) {
    path_ = path;
    format_ = FormatFor(path);
    if (const int error = file_.Open(path)) {
        return Failure("cannot open", error);
    }
    // Locked, so that two runs starting on one new file write one header.
    const int fd = file_.handle();
    const bool locked = flock(fd, LOCK_EX) == 0;
    const std::string why = Prepare();
    if (locked) {
        flock(fd, LOCK_UN);
    }
    if (!why.empty()) {
        file_.Close();
    }
    return why;
}

std::string ResultsLog::Prepare() {
    const int fd = file_.handle();
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return Failure("cannot read the size of", errno);
    }
    const std::string header = format_ == Format::Csv ? CsvHeader(layout_) : std::string();
    // A pipe or a terminal has no size and always gets the header.
    if (!S_ISREG(st.st_mode) || st.st_size == 0) {
        if (const int error = header.empty() ? 0 : file_.Append(header)) {
            return Failure("cannot write to the", error);
        }
        return std::string();
    }
    // The file is open for appending only: it is read through a second
    // descriptor.
    const int reader = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (reader < 0) {
        return Failure("cannot read", errno);
    }
    const std::string why = CheckEnds(reader, st.st_size, header);
    ::close(reader);
    return why;
}

std::string ResultsLog::CheckEnds(int reader, long long size, const std::string& header) {
    if (!header.empty()) {
        // Rows under another header would land in the wrong columns.
        std::string first(header.size(), '\0');
        const ssize_t n = pread(reader, first.data(), first.size(), 0);
        if (n < 0) {
            return Failure("cannot read", errno);
        }
        first.resize(static_cast<size_t>(n));
        if (first != header) {
            return "the log " + path_ + " has other columns than this run writes (" +
                   header.substr(0, header.size() - 2) + "): give another file";
        }
    }
    // A last line without its line break (an editor, another program) would
    // have the first record glued onto it.
    char last = '\n';
    if (pread(reader, &last, 1, size - 1) != 1) {
        return Failure("cannot read", errno);
    }
    if (last != '\n') {
        if (const int error = file_.Append(format_ == Format::Csv ? "\r\n" : "\n")) {
            return Failure("cannot write to the", error);
        }
    }
    return std::string();
}

std::string ResultsLog::Append(const UnitResult& record) {
    if (!isOpen()) {
        return "the log " + path_ + " is not open";
    }
    if (const int error =
            file_.Append(format_ == Format::Csv ? FormatCsvRecord(layout_, record)
                                                : FormatJsonRecord(layout_, record))) {
        return Failure("cannot write to the", error);
    }
    return std::string();
}
