#include "jsonreader.h"

#include <QJsonArray>

#include <algorithm>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QStringList linesOf(const QJsonValue &value)
{
    QStringList lines;
    for (const QJsonValue &line : value.toArray())
        lines.append(line.toString());
    return lines;
}

bool isTime(const QJsonValue &value)
{
    return value.isDouble() && value.toInteger(-1) >= 0;
}

} // namespace

std::optional<QList<SRTEntry>> JsonReader::fromText(const QByteArray &text)
{
    const QJsonValue array = QJsonDocument::fromJson(text).object().value(QStringLiteral("entries"));
    if (!array.isArray())
        return std::nullopt;
    QList<SRTEntry> entries;
    for (const QJsonValue &item : array.toArray()) {
        const QJsonObject object = item.toObject();
        if (!isTime(object.value(QStringLiteral("start"))) || !isTime(object.value(QStringLiteral("end"))))
            return std::nullopt;
        SRTEntry entry;
        entry.intime = object.value(QStringLiteral("start")).toInteger();
        entry.outtime = object.value(QStringLiteral("end")).toInteger();
        entry.text = linesOf(object.value(QStringLiteral("lines"))).join(QLatin1Char('\n'));
        entry.area = std::max(0, object.value(QStringLiteral("area")).toInt());
        for (const QJsonValue &reading : object.value(QStringLiteral("readings")).toArray()) {
            const QJsonObject sample = reading.toObject();
            entry.list.append({sample.value(QStringLiteral("time")).toInteger(), linesOf(sample.value(QStringLiteral("lines"))),
                               entry.area});
        }
        entries.append(entry);
    }
    return entries;
}

QList<QRect> JsonReader::areasOf(const QByteArray &text)
{
    QList<QRect> areas;
    for (const QJsonValue &item : QJsonDocument::fromJson(text).object().value(QStringLiteral("areas")).toArray()) {
        const QJsonObject area = item.toObject();
        const QRect rect(area.value(QStringLiteral("x")).toInt(), area.value(QStringLiteral("y")).toInt(),
                         area.value(QStringLiteral("width")).toInt(), area.value(QStringLiteral("height")).toInt());
        if (rect.isEmpty())
            return {};
        areas.append(rect);
    }
    return areas;
}
