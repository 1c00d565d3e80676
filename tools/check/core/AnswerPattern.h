#pragma once

#include <QRegularExpression>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/ByteArray.h"

// The text of one named group of a pattern's match.
struct GroupText {
    std::string name;    // as the pattern names it
    std::string text;    // UTF-8; empty when the group took no part in the match
    bool taken = false;  // false for a group that took no part: "(?<v>x)?" on ""
};

struct PatternMatch {
    bool matched = false;
    std::vector<GroupText> groups;  // the named groups in pattern order, when matched

    // The group of that name, or nothing (no match, or no such group).
    const GroupText* Group(const std::string& name) const;
};

// A Perl-style pattern that a whole answer must match:
// 'SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+)'. The answer's bytes are read as
// the window shows them (GBK, ASCII as it is); a byte that is not GBK reads as
// a character of its own that only '.', a negated class or the like matches.
class AnswerPattern {
public:
    // The pattern of `text` (UTF-8; a text that is not is read as GBK),
    // compiled once for fast matching; or nothing with `error` set to one
    // line: the character of the pattern (from 1) where it goes wrong, and why.
    static std::optional<AnswerPattern> Compile(const std::string& text, std::string& error);

    // The named groups in pattern order ("sn", "vbat"); a name used twice is
    // listed once.
    const std::vector<std::string>& groupNames() const { return names_; }

    // Whether the whole of `answer` (its bytes without their end marker)
    // matches, and the named groups' texts when it does.
    PatternMatch Match(const ByteArray& answer) const;

private:
    QRegularExpression whole_;  // the pattern anchored at both ends
    std::vector<std::string> names_;
    std::vector<std::vector<int>> groupNumbers_;  // per name: its groups' numbers
};
