#pragma once

#include <QCommandLineParser>
#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/StepOptions.h"

// The check program's parsed command line as the option readers take it:
// each option by name, its value as the shell's bytes.

// The argument's own bytes: Latin-1 maps every byte to one character and back.
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

// The parsed command line's options by name, as bytes.
class Arguments {
public:
    explicit Arguments(const QCommandLineParser& parser) : parser_(parser) {}
    bool isSet(const char* name) const { return parser_.isSet(QString::fromUtf8(name)); }
    std::string value(const char* name) const {
        return ToBytes(parser_.value(QString::fromUtf8(name)));
    }
    std::vector<std::string> values(const char* name) const {
        std::vector<std::string> all;
        for (const QString& v : parser_.values(QString::fromUtf8(name))) {
            all.push_back(ToBytes(v));
        }
        return all;
    }
    std::optional<Given<std::string>> given(const char* name) const {
        if (!isSet(name)) {
            return std::nullopt;
        }
        return Given<std::string>{value(name), std::string("--") + name};
    }

private:
    const QCommandLineParser& parser_;
};

// A whole number option within [low, high] into `out`; empty, or why not.
std::string Number(const Arguments& a, const char* name, int low, int high, const char* what,
                   int& out);

// The options of the command line's one step: what it sends, what it
// expects, the values it reads and its checksum. Empty, or why not.
std::string ParseStepArguments(const Arguments& a, StepOptions& step);
