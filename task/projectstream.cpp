#include "projectstream.h"

#include <QIODevice>

namespace {

void writeStrings(QDataStream &out, const QStringList &strings)
{
    out << qint32(strings.size());
    for (const QString &text : strings)
        out << text;
}

// Element by element: a damaged count must not reserve memory for it.
QStringList readStrings(QDataStream &in)
{
    QStringList strings;
    qint32 count = 0;
    in >> count;
    if (count < 0)
        in.setStatus(QDataStream::ReadCorruptData);
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString text;
        in >> text;
        strings.append(text);
    }
    if (in.status() != QDataStream::Ok)
        strings.clear();
    return strings;
}

// A count the rest of the file cannot hold, at `itemBytes` an item at the least, is damage.
bool countFitsDevice(const QDataStream &in, qint64 count, qint64 itemBytes = ProjectStream::minimumRecordBytes)
{
    const QIODevice *device = in.device();
    if (!device || device->isSequential())
        return true;
    const qint64 remaining = device->size() - device->pos();
    return count <= remaining / itemBytes;
}

// Areas as small numbers in the order of the lists they belong to.
template<typename T>
void writeAreaNumbers(QDataStream &out, const QList<T> &items)
{
    out << qint32(items.size());
    for (const T &item : items)
        out << qint16(item.area);
}

template<typename T>
void readAreaNumbers(QDataStream &in, QList<T> *items, qsizetype areaCount)
{
    qint32 count = 0;
    in >> count;
    if (count != items->size())
        in.setStatus(QDataStream::ReadCorruptData);
    for (T &item : *items) {
        qint16 area = 0;
        in >> area;
        if (area < 0 || area >= areaCount)
            in.setStatus(QDataStream::ReadCorruptData);
        if (in.status() != QDataStream::Ok)
            return;
        item.area = area;
    }
}

void writeAreas(QDataStream &out, const TaskRecord &record)
{
    out << qint32(record.otherAreas.size());
    for (const QRect &area : record.otherAreas)
        out << area;
    writeAreaNumbers(out, record.samples);
    writeAreaNumbers(out, record.entries);
    out << record.streamClockTimes;
}

void readAreas(QDataStream &in, TaskRecord *record)
{
    qint32 count = 0;
    in >> count;
    constexpr qint64 rectangleBytes = 16;
    if (count < 0 || !countFitsDevice(in, count, rectangleBytes))
        in.setStatus(QDataStream::ReadCorruptData);
    record->otherAreas.clear();
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QRect area;
        in >> area;
        record->otherAreas.append(area);
    }
    readAreaNumbers(in, &record->samples, count + 1);
    readAreaNumbers(in, &record->entries, count + 1);
    in >> record->streamClockTimes;
}

} // namespace

void ProjectStream::writeHeader(QDataStream &out, const Header &header)
{
    out << header.projectVersion << header.platformTag << header.count;
}

bool ProjectStream::readHeader(QDataStream &in, Header *header)
{
    in >> header->projectVersion >> header->platformTag >> header->count;
    if (in.status() != QDataStream::Ok)
        return false;
    if (header->count < 0 || !countFitsDevice(in, header->count)) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    return true;
}

void ProjectStream::writeRecord(QDataStream &out, const TaskRecord &record)
{
    out << recordVersion << record.videoPath << record.videoFileName << qint64(record.timeRange_in)
        << qint64(record.timeRange_out) << qint64(record.lastPosition) << record.progress << record.exportPath
        << qint64(record.duration) << qint32(record.state) << record.Frame_rate << record.errorText;
    writeStrings(out, record.languages);
    out << record.cropRect << record.samples << record.entries << record.stopRequested;
    out << qint32(record.scanMode);
    writeAreas(out, record);
}

bool ProjectStream::readRecord(QDataStream &in, TaskRecord *record)
{
    in >> record->recordVersion;
    if (in.status() == QDataStream::Ok && record->recordVersion > recordVersion) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    qint32 state = qint32(TaskState::Unknown);
    in >> record->videoPath >> record->videoFileName >> record->timeRange_in >> record->timeRange_out
        >> record->lastPosition >> record->progress >> record->exportPath >> record->duration >> state
        >> record->Frame_rate >> record->errorText;
    record->state = TaskState(state);
    record->languages = readStrings(in);
    in >> record->cropRect >> record->samples >> record->entries >> record->stopRequested;
    record->scanMode = ScanMode::Playback;
    if (record->recordVersion >= 2) {
        qint32 mode = 0;
        in >> mode;
        if (mode != qint32(ScanMode::Playback) && mode != qint32(ScanMode::Fast))
            in.setStatus(QDataStream::ReadCorruptData);
        record->scanMode = ScanMode(mode);
    }
    record->streamClockTimes = record->recordVersion < 3 && (!record->entries.isEmpty() || !record->samples.isEmpty());
    if (record->recordVersion >= 4)
        readAreas(in, record);
    return in.status() == QDataStream::Ok;
}
