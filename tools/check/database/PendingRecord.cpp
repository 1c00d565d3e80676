#include "tools/check/database/PendingRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

#include "send/HexText.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/database/StoredValues.h"

namespace {

constexpr int kFormat = 1;
constexpr double kExact = 9007199254740992.0;  // 2^53: whole numbers a JSON number keeps
constexpr double kMostAttempts = 2147483647.0;

QString Text(const std::string& text) {
    return QString::fromStdString(StoredText(text));
}

QJsonValue Number(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    }
    return value;
}

QJsonValue Time(WallClock::time_point at) {
    return QString::fromStdString(StoredTime(at));
}

void PutOptional(QJsonObject& object, const char* key, const std::optional<double>& value) {
    if (value) {
        object.insert(QLatin1String(key), Number(*value));
    }
}

QJsonObject EncodeStep(const StepResult& step) {
    QJsonArray values;
    for (const RecordedValue& v : step.values) {
        QJsonObject value{{"name", Text(v.name)},
                          {"text", Text(v.text)},
                          {"unit", Text(v.unit)},
                          {"judged", v.judged}};
        PutOptional(value, "number", v.number);
        PutOptional(value, "low", v.low);
        PutOptional(value, "high", v.high);
        values.append(value);
    }
    return {{"name", Text(step.name)},
            {"attempts", step.attempts},
            {"sent", QString::fromStdString(HexBytes(step.sent))},
            {"received", QString::fromStdString(HexBytes(step.received))},
            {"trailing", QString::fromStdString(HexBytes(step.trailing))},
            {"late", QString::fromStdString(HexBytes(step.late))},
            {"verdict", QLatin1String(VerdictName(step.verdict))},
            {"reason", Text(step.reason)},
            {"start", Time(step.start)},
            {"ms", Number(step.ms)},
            {"values", values}};
}

QJsonArray EncodeSteps(const std::vector<StepResult>& steps) {
    QJsonArray array;
    for (const StepResult& step : steps) {
        array.append(EncodeStep(step));
    }
    return array;
}

// Reading back: each reader says whether the key was there with its type.
struct Reader {
    const QJsonObject& object;
    bool ok = true;

    QJsonValue Get(const char* key, QJsonValue::Type type) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.type() != type) {
            ok = false;
        }
        return value;
    }
    std::string String(const char* key) {
        return Get(key, QJsonValue::String).toString().toStdString();
    }
    long long Whole(const char* key, double low, double high) {
        const double value = Get(key, QJsonValue::Double).toDouble();
        if (value != std::floor(value) || value < low || value > high) {
            ok = false;
            return 0;
        }
        return static_cast<long long>(value);
    }
    std::optional<double> Real(const char* key, bool optional) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isDouble()) {
            return value.toDouble();
        }
        const QString text = value.toString();
        if (text == QLatin1String("NaN")) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (text == QLatin1String("Infinity") || text == QLatin1String("-Infinity")) {
            const double infinity = std::numeric_limits<double>::infinity();
            return text.startsWith(QLatin1Char('-')) ? -infinity : infinity;
        }
        if (!(optional && value.isUndefined())) {
            ok = false;
        }
        return std::nullopt;
    }
    WallClock::time_point Time(const char* key) {
        const auto time = ReadStoredTime(String(key));
        ok = ok && time.has_value();
        return time.value_or(WallClock::time_point{});
    }
    ByteArray Bytes(const char* key) {
        ByteArray bytes;
        ok = ok && ParseHexText(String(key), bytes).reason == HexParseEnd::Complete;
        return bytes;
    }
    Verdict ReadVerdict(const char* key) {
        const std::string name = String(key);
        for (Verdict v : {Verdict::Undecided, Verdict::Pass, Verdict::Fail, Verdict::Timeout}) {
            if (name == VerdictName(v)) {
                return v;
            }
        }
        ok = false;
        return Verdict::Undecided;
    }
};

bool DecodeSteps(const QJsonValue& array, std::vector<StepResult>& steps) {
    if (!array.isArray()) {
        return false;
    }
    for (const QJsonValue& item : array.toArray()) {
        const QJsonObject object = item.toObject();
        Reader r{object};
        StepResult step;
        step.name = r.String("name");
        step.attempts = static_cast<int>(r.Whole("attempts", 0, kMostAttempts));
        step.sent = r.Bytes("sent");
        step.received = r.Bytes("received");
        step.trailing = r.Bytes("trailing");
        step.late = r.Bytes("late");
        step.verdict = r.ReadVerdict("verdict");
        step.reason = r.String("reason");
        step.start = r.Time("start");
        step.ms = r.Real("ms", false).value_or(0);
        for (const QJsonValue& valueItem : r.Get("values", QJsonValue::Array).toArray()) {
            const QJsonObject valueObject = valueItem.toObject();
            Reader v{valueObject};
            RecordedValue value;
            value.name = v.String("name");
            value.number = v.Real("number", true);
            value.text = v.String("text");
            value.unit = v.String("unit");
            value.low = v.Real("low", true);
            value.high = v.Real("high", true);
            value.judged = v.Get("judged", QJsonValue::Bool).toBool();
            if (!v.ok) {
                return false;
            }
            step.values.push_back(std::move(value));
        }
        if (!r.ok) {
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

std::optional<StoredUnit> DecodeUnit(const QJsonObject& object) {
    Reader r{object};
    StoredUnit unit;
    UnitResult& u = unit.result;
    unit.uuid = r.String("uuid");
    u.unit = r.Whole("number", -kExact, kExact);
    u.id = r.String("id");
    u.slot = r.String("slot");
    u.retest = static_cast<int>(r.Whole("retest", 0, kMostAttempts));
    u.verdict = r.ReadVerdict("verdict");
    u.reason = r.String("reason");
    u.failedStep = r.String("failed_step");
    u.start = r.Time("start");
    u.end = r.Time("end");
    u.ms = r.Real("ms", false).value_or(0);
    if (!r.ok || unit.uuid.empty() || !DecodeSteps(object.value("steps"), u.steps) ||
        !DecodeSteps(object.value("teardown"), u.teardown)) {
        return std::nullopt;
    }
    return unit;
}

}  // namespace

std::string EncodePendingRecord(const PendingRecord& record) {
    const RunInfo& info = record.run.info;
    QJsonObject run{{"uuid", QString::fromStdString(record.run.uuid)},
                    {"plan_name", Text(info.planName)},
                    {"plan_version", Text(info.planVersion)},
                    {"plan_sha256", Text(info.planSha256)},
                    {"station", Text(info.station)},
                    {"start", Time(info.start)}};
    if (info.end) {
        run.insert("end", Time(*info.end));
    }
    QJsonObject line{{"pending", kFormat}, {"run", run}};
    if (record.unit) {
        const UnitResult& u = record.unit->result;
        line.insert("unit", QJsonObject{{"uuid", QString::fromStdString(record.unit->uuid)},
                                        {"number", static_cast<double>(u.unit)},
                                        {"id", Text(u.id)},
                                        {"slot", Text(u.slot)},
                                        {"retest", u.retest},
                                        {"verdict", QLatin1String(VerdictName(u.verdict))},
                                        {"reason", Text(u.reason)},
                                        {"failed_step", Text(u.failedStep)},
                                        {"start", Time(u.start)},
                                        {"end", Time(u.end)},
                                        {"ms", Number(u.ms)},
                                        {"steps", EncodeSteps(u.steps)},
                                        {"teardown", EncodeSteps(u.teardown)}});
    }
    return QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::optional<PendingRecord> DecodePendingRecord(const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    const QJsonObject object = document.object();
    if (error.error != QJsonParseError::NoError || object.value("pending").toInt() != kFormat) {
        return std::nullopt;
    }
    const QJsonObject runObject = object.value("run").toObject();
    Reader r{runObject};
    PendingRecord record;
    RunInfo& info = record.run.info;
    record.run.uuid = r.String("uuid");
    info.planName = r.String("plan_name");
    info.planVersion = r.String("plan_version");
    info.planSha256 = r.String("plan_sha256");
    info.station = r.String("station");
    info.start = r.Time("start");
    if (runObject.contains("end")) {
        info.end = r.Time("end");
    }
    if (!r.ok || record.run.uuid.empty()) {
        return std::nullopt;
    }
    if (object.contains("unit")) {
        record.unit = DecodeUnit(object.value("unit").toObject());
        if (!record.unit) {
            return std::nullopt;
        }
    }
    return record;
}
