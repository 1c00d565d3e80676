#include "tools/check/core/AnswerPattern.h"

#include <QStringList>

#include "platform/text/Gbk.h"
#include "tools/check/core/TextEscapes.h"

namespace {

// Where in the pattern PCRE2 stopped, for people: the character from 1, or
// its end.
std::string PlaceInPattern(const QString& pattern, qsizetype offset) {
    if (offset < 0 || offset >= pattern.size()) {
        return "at the end of the pattern";
    }
    return "character " + std::to_string(pattern.left(offset).toUcs4().size() + 1);
}

// Anchored at both ends. Settings such as (*UCP) only work at the very
// start, so they stay in front. \E ends a \Q that the pattern left open; it
// is ignored otherwise. A line break ends a comment that (?x) left open, for
// patterns that need it: elsewhere it would be a character to match.
QRegularExpression Anchored(const QString& pattern) {
    const QRegularExpression leadingSettings(QStringLiteral("^(?:\\(\\*[A-Z_]+(?:=\\d+)?\\))*"));
    const qsizetype settings = leadingSettings.match(pattern).capturedLength();
    const QString front = pattern.left(settings) + QStringLiteral("\\A(?:") + pattern.mid(settings);
    QRegularExpression whole(front + QStringLiteral("\\E)\\z"));
    if (!whole.isValid()) {
        whole.setPattern(front + QStringLiteral("\\E\n)\\z"));
    }
    return whole;
}

}  // namespace

const GroupText* PatternMatch::Group(const std::string& name) const {
    for (const GroupText& group : groups) {
        if (group.name == name) {
            return &group;
        }
    }
    return nullptr;
}

std::optional<AnswerPattern> AnswerPattern::Compile(const std::string& text, std::string& error) {
    const QString pattern = QString::fromStdString(ToUtf8(text));
    const QRegularExpression alone(pattern);
    if (!alone.isValid()) {
        error = PlaceInPattern(pattern, alone.patternErrorOffset()) + ": " +
                alone.errorString().toStdString();
        return std::nullopt;
    }
    AnswerPattern compiled;
    compiled.whole_ = Anchored(pattern);
    if (!compiled.whole_.isValid()) {
        error = "the pattern cannot be made to match a whole answer: " +
                compiled.whole_.errorString().toStdString();
        return std::nullopt;
    }
    compiled.whole_.optimize();
    const QStringList names = compiled.whole_.namedCaptureGroups();
    for (int number = 1; number < names.size(); ++number) {
        if (names[number].isEmpty()) {
            continue;
        }
        const std::string name = names[number].toStdString();
        size_t index = 0;
        while (index < compiled.names_.size() && compiled.names_[index] != name) {
            ++index;
        }
        if (index == compiled.names_.size()) {
            compiled.names_.push_back(name);
            compiled.groupNumbers_.emplace_back();
        }
        compiled.groupNumbers_[index].push_back(number);
    }
    return compiled;
}

PatternMatch AnswerPattern::Match(const ByteArray& answer) const {
    const QString text = gbk::ToQt(std::string(answer.begin(), answer.end()));
    const QRegularExpressionMatch match = whole_.match(text);
    PatternMatch result;
    result.matched = match.hasMatch();
    if (!result.matched) {
        return result;
    }
    result.groups.resize(names_.size());
    for (size_t i = 0; i < names_.size(); ++i) {
        GroupText& group = result.groups[i];
        group.name = names_[i];
        // Of groups sharing a name ((?J) or (?|...)), the one that took part.
        for (int number : groupNumbers_[i]) {
            if (match.capturedStart(number) >= 0) {
                group.text = match.captured(number).toStdString();
                group.taken = true;
                break;
            }
        }
    }
    return result;
}
