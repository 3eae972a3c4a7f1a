#include "mqtt/infrared_signal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace orvalinder::mqtt {
namespace {

// A JSON number that is a whole number from `low` to `high`.
std::optional<int64_t> wholeNumber(const QJsonValue& value, double low, double high) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < low || number > high) return std::nullopt;
    return static_cast<int64_t>(number);
}

}  // namespace

ReadCommand readInfraredCommand(const QByteArray& payload) {
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &parsed);
    if (parsed.error != QJsonParseError::NoError)
        return {std::nullopt, "not JSON: " + parsed.errorString().toStdString()};
    if (!document.isObject()) return {std::nullopt, "not a JSON object"};
    const QJsonObject object = document.object();

    InfraredCommand command;
    const QJsonValue timings = object.value(QStringLiteral("timings"));
    if (!timings.isArray() || timings.toArray().isEmpty()) return {std::nullopt, "no timings"};
    int index = 0;
    for (const QJsonValue& timing : timings.toArray()) {
        const bool mark = index % 2 == 0;
        const std::optional<int64_t> us = wholeNumber(timing, -1e9, 1e9);
        const std::string where = "timing " + std::to_string(index + 1);
        if (!us || *us == 0) return {std::nullopt, where + " is not a whole number of microseconds other than 0"};
        if ((*us > 0) != mark)
            return {std::nullopt, where + (mark ? " is off where the LED should be on: timings alternate, on first"
                                                : " is on where the LED should be off: timings alternate, on first")};
        command.durations.push_back(static_cast<uint32_t>(std::llabs(*us)));
        ++index;
    }
    if (const QJsonValue modulation = object.value(QStringLiteral("modulation")); !modulation.isUndefined()) {
        const std::optional<int64_t> hz = wholeNumber(modulation, 0, 1e9);
        if (!hz) return {std::nullopt, "the modulation is not a whole number of Hz"};
        command.modulationHz = static_cast<uint32_t>(*hz);
    }
    if (const QJsonValue repeats = object.value(QStringLiteral("repeat_count")); !repeats.isUndefined()) {
        const std::optional<int64_t> count = wholeNumber(repeats, 0, kMaxRepeatCount);
        if (!count)
            return {std::nullopt,
                    "the repeat count is not a whole number from 0 to " + std::to_string(kMaxRepeatCount)};
        command.repeatCount = static_cast<int>(*count);
    }
    return {command, {}};
}

QByteArray infraredSignal(const std::vector<uint32_t>& durations) {
    QJsonArray timings;
    for (size_t i = 0; i < durations.size(); ++i) {
        const qint64 us = durations[i];
        timings.append(i % 2 == 0 ? us : -us);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("timings"), timings}}).toJson(QJsonDocument::Compact);
}

}  // namespace orvalinder::mqtt
