#include "framesample.h"

QMap<int, QList<FrameSample>> samplesByArea(const QList<FrameSample> &samples)
{
    QMap<int, QList<FrameSample>> tracks;
    for (const FrameSample &sample : samples)
        tracks[sample.area].append(sample);
    return tracks;
}

QDataStream &operator<<(QDataStream &out, const QList<FrameSample> &samples)
{
    out << qint32(samples.size());
    for (const FrameSample &sample : samples) {
        out << qint64(sample.time) << qint32(sample.lines.size());
        for (const QString &line : sample.lines)
            out << line;
    }
    return out;
}

QDataStream &operator>>(QDataStream &in, QList<FrameSample> &samples)
{
    samples.clear();
    qint32 count = 0;
    in >> count;
    if (count < 0)
        in.setStatus(QDataStream::ReadCorruptData);
    // The count comes from a file that may be damaged: never reserve for it, stop at the first error.
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        FrameSample sample;
        qint32 lineCount = 0;
        in >> sample.time >> lineCount;
        if (lineCount < 0)
            in.setStatus(QDataStream::ReadCorruptData);
        for (qint32 j = 0; j < lineCount && in.status() == QDataStream::Ok; ++j) {
            QString line;
            in >> line;
            sample.lines.append(line);
        }
        samples.append(sample);
    }
    if (in.status() != QDataStream::Ok)
        samples.clear();
    return in;
}

QDebug operator<<(QDebug debug, const FrameSample &sample)
{
    QDebugStateSaver saver(debug);
    debug << "时间:" << sample.time << "\n" << sample.lines << "\n";
    return debug;
}
