#include "tools/check/runner/UnitIdSource.h"

#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>

#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/runner/StopSignals.h"

UnitIdSource::UnitIdSource(int fd, bool prompt, StopSignals& stop)
    : fd_(fd), prompt_(prompt), stop_(stop) {}

UnitIdSource::Result UnitIdSource::Next(std::string& id) {
    return NextId(kUnitIdPrompt, true, id);
}

UnitIdSource::Result UnitIdSource::NextSlotId(const std::string& slot, std::string& id) {
    return NextId(slot + " unit id:", false, id);
}

UnitIdSource::Result UnitIdSource::NextId(const std::string& prompt, bool repeatLast,
                                          std::string& id) {
    std::string line;
    for (;;) {
        const Result result = NextLine(prompt, line);
        if (result != Result::Unit) {
            return result;
        }
        if (line.size() > kLongestUnitId) {
            Refuse("longer than " + std::to_string(kLongestUnitId) + " bytes");
            continue;
        }
        std::string last = repeatLast ? lastId_ : std::string();
        id = NextUnitId(line, last);
        // An empty id leaves a slot out of the round: nothing to check.
        const bool checked = check_ && (repeatLast || !id.empty());
        if (const std::string why = checked ? check_(id) : std::string(); !why.empty()) {
            Refuse(why);
            continue;
        }
        if (repeatLast) {
            lastId_ = last;
        }
        return Result::Unit;
    }
}

bool UnitIdSource::Ask(const std::string& text) {
    std::string line;
    return NextLine(text + " (Enter to go on):", line) == Result::Unit;
}

UnitIdSource::Result UnitIdSource::NextLine(const std::string& prompt, std::string& text) {
    for (;;) {
        std::optional<std::string> line = lines_.Next();
        if (!line && ended_) {
            line = lines_.Rest();
            if (!line) {
                return Result::End;
            }
        }
        if (line) {
            prompted_ = false;
            text = std::move(*line);
            return Result::Unit;
        }
        if (stop_.requested()) {
            return Result::Stopped;
        }
        if (prompt_ && !prompted_) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s ", prompt.c_str());
            std::fflush(stderr);
            prompted_ = true;
        }
        if (!WaitForInput()) {
            return Result::Stopped;
        }
        ReadSome();
    }
}

void UnitIdSource::Refuse(const std::string& why) {
    if (!prompt_) {
        ++skipped_;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s: unit id refused: %s%s\n", kCheckProgram, ForTerminal(why).c_str(),
                 prompt_ ? "; scan or type it again" : "");
    std::fflush(stderr);
}

bool UnitIdSource::WaitForInput() {
    QEventLoop loop;
    QSocketNotifier input(fd_, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QObject::connect(&stop_.notifier(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    if (!stop_.requested()) {
        loop.exec();
    }
    return !stop_.requested();
}

void UnitIdSource::ReadSome() {
    char bytes[4096];
    const ssize_t n = ::read(fd_, bytes, sizeof bytes);
    if (n > 0) {
        lines_.Append(bytes, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        // The end of input, or input that cannot be read: no more units.
        ended_ = true;
    }
}
