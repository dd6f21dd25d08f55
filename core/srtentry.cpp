#include "srtentry.h"

QDataStream &operator<<(QDataStream &out, const QList<SRTEntry> &entries)
{
    out << qint32(entries.size());
    for (const SRTEntry &entry : entries)
        out << qint64(entry.intime) << qint64(entry.outtime) << entry.text << entry.list << entry.test_text;
    return out;
}

QDataStream &operator>>(QDataStream &in, QList<SRTEntry> &entries)
{
    entries.clear();
    qint32 count = 0;
    in >> count;
    if (count < 0)
        in.setStatus(QDataStream::ReadCorruptData);
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        SRTEntry entry;
        in >> entry.intime >> entry.outtime >> entry.text >> entry.list >> entry.test_text;
        if (entry.test_text.isEmpty())
            entry.test_text = QStringLiteral("默认文字");
        entries.append(entry);
    }
    if (in.status() != QDataStream::Ok)
        entries.clear();
    return in;
}

QDebug operator<<(QDebug debug, const SRTEntry &entry)
{
    QDebugStateSaver saver(debug);
    debug << "intime:" << entry.intime << "\n"
          << "outtime:" << entry.outtime << "\n"
          << "text:" << entry.text << "\n"
          << "test_text:" << entry.test_text << "\n"
          << "list:" << entry.list << "\n";
    return debug;
}
