#include "platform/profile/ProfileFormat.h"

#include <algorithm>
#include <vector>

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"

namespace profile {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool StartsWithQuotePair(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

enum class LineKind { Ignored, Header, Key };

// One line of the file: where its text and its line end lie, and what it
// says. The names and values are views of the content, which outlives them.
struct Line {
    size_t begin = 0;  // first byte of the text
    size_t end = 0;    // one past the text, where the line end starts
    size_t next = 0;   // one past the line end
    LineKind kind = LineKind::Ignored;
    std::string_view name;   // section or key name, blanks trimmed
    std::string_view value;  // a key's raw value, blanks trimmed, quotes kept
};

// The closing bracket of a header, or npos. A bracket that ends the line
// always closes it, so that a name ending in a lone lead byte still reads
// back; otherwise the last bracket that is not the second byte of a
// two-byte character closes it.
size_t ClosingBracket(std::string_view t) {
    if (t.size() >= 2 && t.back() == ']') {
        return t.size() - 1;
    }
    size_t found = std::string::npos;
    for (size_t i = 1; i < t.size(); ++i) {
        if (gbk::IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) {
            ++i;
        } else if (t[i] == ']') {
            found = i;
        }
    }
    return found;
}

void Classify(std::string_view content, Line& line) {
    const std::string_view t = Trim(content, line.begin, line.end);
    if (t.empty() || t.front() == ';') {
        return;
    }
    if (t.front() == '[') {
        const size_t close = ClosingBracket(t);
        if (close != std::string::npos) {
            line.kind = LineKind::Header;
            line.name = Trim(t, 1, close);
            return;
        }
    }
    // "=" is below the range of second bytes, so the first one is real.
    const size_t equals = t.find('=');
    if (equals == std::string::npos) {
        return;
    }
    line.kind = LineKind::Key;
    line.name = Trim(t, 0, equals);
    line.value = Trim(t, equals + 1, t.size());
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    // Growing by steps would copy a large file's lines again and again.
    lines.reserve(static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
    size_t at = 0;
    while (at < content.size()) {
        Line line;
        line.begin = at;
        size_t end = at;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n') {
            ++end;
        }
        line.end = end;
        if (end < content.size()) {
            // CRLF is one line end; a lone CR or LF is one too.
            end += (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n')
                       ? 2
                       : 1;
        }
        line.next = end;
        Classify(content, line);
        lines.push_back(std::move(line));
        at = end;
    }
    return lines;
}

// The lines of the first section with that name: [first, last) after its header.
struct SectionSpan {
    size_t header;
    size_t first;
    size_t last;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, const std::string& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Header && NamesEqual(lines[i].name, section)) {
            size_t last = i + 1;
            while (last < lines.size() && lines[last].kind != LineKind::Header) {
                ++last;
            }
            return SectionSpan{i, i + 1, last};
        }
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<Line>& lines, const SectionSpan& span,
                              const std::string& key) {
    for (size_t i = span.first; i < span.last; ++i) {
        if (lines[i].kind == LineKind::Key && NamesEqual(lines[i].name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

// The value a reader gets from the lines of a file.
std::optional<std::string> ValueIn(const std::vector<Line>& lines, const std::string& section,
                                   const std::string& key) {
    const std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) {
        return std::nullopt;
    }
    const std::optional<size_t> at = FindKey(lines, *span, key);
    if (!at) {
        return std::nullopt;
    }
    std::string_view value = lines[*at].value;
    if (StartsWithQuotePair(value)) {
        value = value.substr(1, value.size() - 2);
    }
    // The value is a C string to its readers.
    return std::string(value.substr(0, value.find('\0')));
}

constexpr const char* kLineEnd = "\r\n";

// The content with [from, to) replaced by text, built in one piece: a large
// file is copied once.
std::string Spliced(const std::string& content, size_t from, size_t to, const std::string& text) {
    std::string out;
    out.reserve(content.size() - (to - from) + text.size());
    out.append(content, 0, from).append(text).append(content, to, std::string::npos);
    return out;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (gbk::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (ascii::ToLower(a[i]) != ascii::ToLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> FindValue(const std::string& content, const std::string& section,
                                     const std::string& key) {
    return ValueIn(SplitLines(content), section, key);
}

struct ParsedProfile::Entries {
    std::string content;      // never moved: the lines view it
    std::vector<Line> lines;  // headers and keys only
};

ParsedProfile::ParsedProfile(std::string content) : entries_(std::make_unique<Entries>()) {
    entries_->content = std::move(content);
    std::vector<Line> lines = SplitLines(entries_->content);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const Line& line) { return line.kind == LineKind::Ignored; }),
                lines.end());
    entries_->lines = std::move(lines);
}

ParsedProfile::~ParsedProfile() = default;
ParsedProfile::ParsedProfile(ParsedProfile&&) noexcept = default;
ParsedProfile& ParsedProfile::operator=(ParsedProfile&&) noexcept = default;

const std::string& ParsedProfile::content() const {
    static const std::string none;
    return entries_ ? entries_->content : none;
}

std::optional<std::string> ParsedProfile::FindValue(const std::string& section,
                                                    const std::string& key) const {
    if (!entries_) {
        return std::nullopt;  // moved from
    }
    return ValueIn(entries_->lines, section, key);
}

std::string EncodeValue(const std::string& value) {
    const bool changedByReading =
        !value.empty() &&
        (IsBlank(value.front()) || IsBlank(value.back()) || StartsWithQuotePair(value));
    return changedByReading ? '"' + value + '"' : value;
}

std::string WhyUnstorable(const std::string& section, const std::string& key,
                          const std::string& value) {
    for (const std::string* text : {&section, &key, &value}) {
        if (text->find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
            return gbk::Text("内容含有换行符或空字符，一行放不下。");
        }
    }
    const auto badName = [](const std::string& name) {
        return name.empty() || IsBlank(name.front()) || IsBlank(name.back());
    };
    if (badName(section) || badName(key) || key.find('=') != std::string::npos ||
        key.front() == ';' || key.front() == '[') {
        return gbk::Text("节名或键名无效。");
    }
    return std::string();
}

std::string SetValue(const std::string& content, const std::string& section, const std::string& key,
                     const std::string& value) {
    const std::vector<Line> lines = SplitLines(content);
    const std::string keyLine = key + '=' + EncodeValue(value) + kLineEnd;
    const std::optional<SectionSpan> span = FindSection(lines, section);

    if (!span) {
        // The last line may have had no line end.
        const bool ended = lines.empty() || lines.back().next != lines.back().end;
        return Spliced(content, content.size(), content.size(),
                       (ended ? "" : kLineEnd) + ('[' + section + ']' + kLineEnd) + keyLine);
    }

    if (const std::optional<size_t> at = FindKey(lines, *span, key)) {
        const Line& line = lines[*at];
        return Spliced(content, line.begin, line.end,
                       std::string(line.name) + '=' + EncodeValue(value));
    }

    // After the last key of the section, or right after its header.
    size_t after = span->header;
    for (size_t i = span->first; i < span->last; ++i) {
        if (lines[i].kind == LineKind::Key) {
            after = i;
        }
    }
    const Line& line = lines[after];
    const bool ended = line.next != line.end;
    return Spliced(content, line.next, line.next, (ended ? "" : kLineEnd) + keyLine);
}

}  // namespace profile
