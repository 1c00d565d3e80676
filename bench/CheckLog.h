#pragma once

#include <QDateTime>
#include <QString>
#include <fstream>
#include <string>
#include <vector>

// The units a check program's CSV log holds, as its benchmarks read them back.

struct LoggedUnit {
    QDateTime time;
    double ms = 0;
    bool passed = false;
};

// time is the first column, verdict, ms the 7th and 8th; no field of these
// runs holds a quoted comma except settings, the 3rd ("115200,n,8,1").
inline std::vector<LoggedUnit> ReadLoggedUnits(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // header
    std::vector<LoggedUnit> units;
    while (std::getline(in, line)) {
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (char c : line) {
            if (c == '"') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.emplace_back();
            } else if (c != '\r') {
                fields.back() += c;
            }
        }
        if (fields.size() < 8) {
            continue;
        }
        LoggedUnit u;
        u.time = QDateTime::fromString(QString::fromStdString(fields[0]), Qt::ISODateWithMs);
        u.passed = fields[6] == "PASS";
        u.ms = std::stod(fields[7]);
        units.push_back(u);
    }
    return units;
}
