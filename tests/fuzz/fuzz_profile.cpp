// The profile file in memory: random file bytes, then a random run of reads
// and writes. Every value written reads back exactly; what was not written
// reads as it did in the original text; each write changes or adds only the
// lines it concerns and keeps every other line byte for byte, in order; texts
// that cannot stay on one line are refused. A file parsed once for many
// reads gives what each read of the text gives.
//
// Input: two bytes (little-endian) give the length of the file text, which
// follows. Then operations: a byte whose bit 0 asks for a write, then the
// section name, the key name and, for a write, the value. A name is one byte:
// below 0x80 it picks a name from a pool (the names the file seems to hold
// and a few fixed ones), ASCII case flipped when bit 6 is set; from 0x80 on
// its low six bits are the length of a literal name that follows. A value is
// a length byte and the bytes.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile/ProfileFormat.h"

#include "platform/text/Gbk.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool IsLead(unsigned char b) {
    return gbk::IsLeadByte(b);
}

// Names compare with ASCII letters folded, except the second byte of a
// two-byte character.
std::string Folded(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(folded[i])) && i + 1 < folded.size()) {
            ++i;
        } else if (folded[i] >= 'A' && folded[i] <= 'Z') {
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
        }
    }
    return folded;
}

std::string FlipCase(std::string name) {
    for (char& c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            c = static_cast<char>(c ^ 0x20);
        }
    }
    return name;
}

// Lines with their line ends (CRLF, CR or LF); the last may have none.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = begin;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        if (end < text.size()) {
            end += text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

bool HasLineEnd(const std::string& line) {
    return !line.empty() && (line.back() == '\r' || line.back() == '\n');
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A rough look at the names a file holds, to aim writes at existing lines.
std::vector<std::string> NamesIn(const std::string& text) {
    std::vector<std::string> names;
    for (std::string line : Lines(text)) {
        line = TrimBlanks(line.substr(0, line.find_first_of("\r\n")));
        const size_t close = line.rfind(']');
        if (!line.empty() && line.front() == '[' && close != std::string::npos) {
            names.push_back(TrimBlanks(line.substr(1, close - 1)));
        } else if (line.find('=') != std::string::npos) {
            names.push_back(TrimBlanks(line.substr(0, line.find('='))));
        }
        if (names.size() == 24) {
            break;
        }
    }
    return names;
}

// The key's own line: its name, blanks, then "=".
bool IsLineOfKey(const std::string& line, const std::string& key) {
    const std::string t = TrimBlanks(line.substr(0, line.find_first_of("\r\n")));
    const size_t equals = t.find('=');
    return equals != std::string::npos && Folded(TrimBlanks(t.substr(0, equals))) == Folded(key);
}

// A write keeps every line it does not concern: at most one line is
// replaced (the key's own line, or a last line that gains a line end) and at
// most two are added (a key line, and its section's header).
void CheckOnlyConcernedLinesChanged(const std::string& before, const std::string& after,
                                    const std::string& key) {
    const std::vector<std::string> a = Lines(before), b = Lines(after);
    size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) {
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
        ++suffix;
    }
    const size_t removed = a.size() - prefix - suffix;
    const size_t added = b.size() - prefix - suffix;
    if (removed > 1 || added > removed + 2) {
        Fail();
    }
    if (removed == 1) {
        const std::string& gone = a[prefix];
        const bool rewritten = added == 1 && IsLineOfKey(gone, key);
        const bool endGiven =
            prefix + 1 == a.size() && !HasLineEnd(gone) && b[prefix] == gone + "\r\n";
        if (!rewritten && !endGiven) {
            Fail();
        }
    }
}

struct Written {
    std::string section, key, value;
};

std::optional<std::string> Model(const std::vector<Written>& written, const std::string& original,
                                 const std::string& section, const std::string& key) {
    for (const Written& w : written) {
        if (Folded(w.section) == Folded(section) && Folded(w.key) == Folded(key)) {
            return w.value;
        }
    }
    return profile::FindValue(original, section, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const size_t length = in.Byte() | (static_cast<size_t>(in.Byte()) << 8);
    const std::string original = in.Text(length);

    std::vector<std::string> pool = NamesIn(original);
    for (const char* fixed : {"Send Data Term1", "Current Data Term2", "Data", "Memo", "k"}) {
        pool.emplace_back(fixed);
    }
    const auto name = [&]() {
        const unsigned char b = in.Byte();
        if (b & 0x80) {
            return in.Text(b & 0x3F);
        }
        const std::string& picked = pool[(b & 0x3F) % pool.size()];
        return (b & 0x40) ? FlipCase(picked) : picked;
    };

    std::string content = original;
    std::vector<Written> written;  // newest first
    for (int op = 0; op < 64 && !in.AtEnd(); ++op) {
        const bool write = (in.Byte() & 1) != 0;
        const std::string section = name();
        const std::string key = name();
        if (!write) {
            const std::optional<std::string> found = profile::FindValue(content, section, key);
            if (found != Model(written, original, section, key) ||
                found != profile::ParsedProfile(content).FindValue(section, key)) {
                Fail();
            }
            continue;
        }
        const std::string value = in.Text(in.Byte());
        const bool multiLine =
            (section + key + value).find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
        const bool refused = !profile::WhyUnstorable(section, key, value).empty();
        if (multiLine && !refused) {
            Fail();
        }
        if (refused) {
            continue;
        }
        const std::string updated = profile::SetValue(content, section, key, value);
        CheckOnlyConcernedLinesChanged(content, updated, key);
        content = updated;
        written.insert(written.begin(), Written{section, key, value});

        for (const Written& w : written) {
            if (profile::FindValue(content, w.section, w.key) !=
                Model(written, original, w.section, w.key)) {
                Fail();
            }
        }
    }
    return 0;
}
