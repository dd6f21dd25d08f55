#include "ffmpegfilename.h"

#include <QFile>
#include <QFileInfo>

QByteArray FfmpegFileName::of(const QString &path)
{
    return QByteArrayLiteral("file:") + QFile::encodeName(QFileInfo(path).absoluteFilePath());
}
