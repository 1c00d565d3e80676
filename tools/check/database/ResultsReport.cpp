#include "tools/check/database/ResultsReport.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "platform/text/LocalTime.h"
#include "tools/check/database/DatabaseConnection.h"
#include "tools/check/database/ReportQueries.h"
#include "tools/check/database/StoredValues.h"

namespace {

bool RunQuery(DatabaseConnection& connection, QSqlQuery& query, const char* sql,
              WallClock::time_point since, std::string& error) {
    if (!query.prepare(QString::fromLatin1(sql))) {
        error = connection.Failure(query.lastError());
        return false;
    }
    query.bindValue(QStringLiteral(":since"), QString::fromStdString(StoredTime(since)));
    return ExecPrepared(connection, query, error);
}

std::string Percent(double value) {
    return QString::number(value, 'f', 1).toStdString() + " %";
}

// Columns of text, the first `leftColumns` aligned left, the rest right.
std::string Table(const std::vector<std::vector<std::string>>& rows, size_t leftColumns) {
    auto width = [](const std::string& text) {
        return static_cast<size_t>(QString::fromStdString(text).size());
    };
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], width(row[c]));
        }
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - width(row[c]), ' ');
            line += c == 0 ? "" : "  ";
            line += c < leftColumns ? row[c] + pad : pad + row[c];
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace

std::string LoadResultsReport(DatabaseConnection& connection, WallClock::time_point since,
                              ResultsReport& report) {
    report = ResultsReport();
    report.since = since;
    std::string error;
    QSqlQuery steps(connection.database());
    if (!RunQuery(connection, steps, kStepYieldSql, since, error)) {
        return error;
    }
    while (steps.next()) {
        report.steps.push_back(
            {steps.value(0).toString().toStdString(), steps.value(1).toInt() != 0,
             steps.value(2).toString().toStdString(), steps.value(3).toLongLong(),
             steps.value(4).toLongLong(), steps.value(5).toLongLong(), steps.value(6).toLongLong(),
             steps.value(7).toDouble()});
    }
    QSqlQuery stations(connection.database());
    if (!RunQuery(connection, stations, kFirstPassYieldSql, since, error)) {
        return error;
    }
    while (stations.next()) {
        report.stations.push_back({stations.value(0).toString().toStdString(),
                                   stations.value(1).toLongLong(), stations.value(2).toLongLong(),
                                   stations.value(3).toDouble()});
    }
    return {};
}

std::string FormatResultsReport(const ResultsReport& report) {
    const std::string since = LocalIsoTime(report.since);
    std::string out = "Yield per step since " + since + "\n";
    if (report.steps.empty()) {
        out += "no steps ran\n";
    } else {
        std::vector<std::vector<std::string>> rows = {
            {"plan", "step", "ran", "passed", "failed", "timed out", "yield"}};
        for (const auto& s : report.steps) {
            rows.push_back({s.plan, s.teardown ? s.step + " (teardown)" : s.step,
                            std::to_string(s.ran), std::to_string(s.passed),
                            std::to_string(s.failed), std::to_string(s.timedOut),
                            Percent(s.yieldPercent)});
        }
        out += Table(rows, 2);
    }
    out += "\nFirst-pass yield per station since " + since + "\n";
    if (report.stations.empty()) {
        out += "no units tested for the first time\n";
    } else {
        std::vector<std::vector<std::string>> rows = {
            {"station", "first tests", "passed", "first-pass yield"}};
        for (const auto& s : report.stations) {
            rows.push_back({s.station, std::to_string(s.units), std::to_string(s.passed),
                            Percent(s.yieldPercent)});
        }
        out += Table(rows, 1);
    }
    return out;
}

std::optional<WallClock::time_point> ParseReportSince(const std::string& text) {
    QString qtext = QString::fromStdString(text).trimmed();
    if (qtext.size() > 10 && qtext.at(10) == QLatin1Char(' ')) {
        qtext[10] = QLatin1Char('T');
    }
    const QDateTime time = QDateTime::fromString(qtext, Qt::ISODateWithMs);
    if (!time.isValid() || qtext.size() < 10) {
        return std::nullopt;
    }
    return WallClock::time_point(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}
