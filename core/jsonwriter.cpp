#include "jsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray linesOf(const QStringList &lines)
{
    QJsonArray array;
    for (const QString &line : lines) {
        if (!line.trimmed().isEmpty())
            array.append(line);
    }
    return array;
}

QJsonObject entryObject(const SRTEntry &entry)
{
    QJsonArray readings;
    for (const FrameSample &sample : entry.list)
        readings.append(QJsonObject{{QStringLiteral("time"), sample.time}, {QStringLiteral("lines"), linesOf(sample.lines)}});
    return QJsonObject{{QStringLiteral("start"), entry.intime},
                       {QStringLiteral("end"), entry.outtime},
                       {QStringLiteral("area"), entry.area},
                       {QStringLiteral("lines"), linesOf(entry.text.split(QLatin1Char('\n')))},
                       {QStringLiteral("readings"), readings}};
}

} // namespace

QString JsonWriter::toText(const QList<SRTEntry> &entries, const QList<QRect> &areas,
                           const QList<RefusedEntry> &refused)
{
    QJsonArray array;
    for (const SRTEntry &entry : entries)
        array.append(entryObject(entry));
    QJsonObject root{{QStringLiteral("entries"), array}};
    if (!areas.isEmpty()) {
        QJsonArray places;
        for (const QRect &area : areas) {
            places.append(QJsonObject{{QStringLiteral("x"), area.x()}, {QStringLiteral("y"), area.y()},
                                      {QStringLiteral("width"), area.width()}, {QStringLiteral("height"), area.height()}});
        }
        root.insert(QStringLiteral("areas"), places);
    }
    if (!refused.isEmpty()) {
        QJsonArray set;
        for (const RefusedEntry &item : refused) {
            QJsonObject object = entryObject(item.entry);
            object.insert(QStringLiteral("refused"), true);
            object.insert(QStringLiteral("reason"), item.reason);
            set.append(object);
        }
        root.insert(QStringLiteral("refused"), set);
    }
    const QJsonDocument document(root);
    return QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}
