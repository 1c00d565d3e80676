#pragma once

// Running the built tessaline-check as a script runs it, and reading back
// what it wrote. The including test defines TESSALINE_CHECK_PATH.

#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/DeviceProcess.h"
#include "support/EventLoopWaits.h"
#include "support/TempDir.h"

namespace check_runs {

using Args = std::vector<std::string>;
using Record = std::map<std::string, std::string>;

struct Ran {
    int code = -1;
    std::string out;
    std::string err;
};

// "PORT" in the arguments stands for the port under test.
inline Args CommandLine(Args args, const std::string& port) {
    for (std::string& a : args) {
        if (a == "PORT") {
            a = port;
        }
    }
    args.insert(args.begin(), TESSALINE_CHECK_PATH);
    return args;
}

inline Ran Finish(ChildProcess& check, std::string out = "") {
    Ran ran;
    ran.out = out + check.ReadAll(kPatience);
    ran.err = check.ReadAllErrors(kPatience);
    ran.code = check.Wait(kPatience);
    return ran;
}

// The check run by a shell that first does `redirect` to its descriptors:
// "<&-" closes standard input, ">/dev/full" fills standard output.
inline Ran RunCheckRedirected(const Args& args, const std::string& port,
                              const std::string& redirect) {
    Args line = CommandLine(args, port);
    line.insert(line.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" " + redirect});
    ChildProcess check(line, ChildProcess::Options{true, std::nullopt});
    return Finish(check);
}

inline Ran RunCheck(const Args& args, const std::string& port = "", const std::string& input = "") {
    ChildProcess check(CommandLine(args, port), ChildProcess::Options{true, std::nullopt});
    check.Write(input);
    check.CloseInput();
    return Finish(check);
}

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The simulated device, and the path of its port.
struct Device {
    explicit Device(const Args& args) : process(args), port(process.FirstLine(kPatience)) {}
    DeviceProcess process;
    std::string port;
};

inline Args Plus(Args args, const Args& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// RFC 4180: fields in double quotes may hold commas, quotes (doubled) and line ends.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            rows.back().back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            rows.back().emplace_back();
        } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.emplace_back(1);
            ++i;
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back();  // after the last line end
    return rows;
}

// The log's records, whichever its format; fields as text.
inline std::vector<Record> ReadLog(const std::string& path) {
    const std::string text = temp_files::ReadFile(path);
    std::vector<Record> records;
    if (path.size() > 6 && path.substr(path.size() - 6) == ".jsonl") {
        size_t at = 0;
        for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            QJsonParseError error{};
            const QJsonObject object =
                QJsonDocument::fromJson(QByteArray::fromStdString(text.substr(at, end - at)),
                                        &error)
                    .object();
            EXPECT_EQ(error.error, QJsonParseError::NoError) << text.substr(at, end - at);
            Record r;
            for (auto it = object.begin(); it != object.end(); ++it) {
                r[it.key().toStdString()] = it->isDouble()
                                                ? QString::number(it->toDouble()).toStdString()
                                                : it->toString().toStdString();
            }
            records.push_back(r);
        }
        EXPECT_EQ(at, text.size()) << "a record cut short";
        return records;
    }
    const auto rows = ParseCsv(text);
    EXPECT_FALSE(rows.empty());
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), rows[0].size()) << "row " << i;
        Record r;
        for (size_t f = 0; f < rows[0].size() && f < rows[i].size(); ++f) {
            r[rows[0][f]] = rows[i][f];
        }
        records.push_back(r);
    }
    return records;
}

}  // namespace check_runs
