#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A file rendered by scripts/render-fixtures.sh into the build tree.
inline QString fixture(const QString &name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + name;
}

// One number ffprobe gives for a file, such as {"-show_entries", "format=start_time"}: what the
// tests compare with comes from ffmpeg's own reading, not from ours.
inline double ffprobeNumber(const QString &path, const QStringList &arguments)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  QStringList{"-v", "error"} + arguments + QStringList{"-of", "csv=p=0", path});
    ffprobe.waitForFinished(10000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).section(QLatin1Char(','), 0, 0).trimmed().toDouble();
}
