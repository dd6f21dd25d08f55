#include "outputnaming.h"

#include <QDir>
#include <QFileInfo>

QString OutputNaming::baseName(const QString &videoPath)
{
    return QFileInfo(videoPath).baseName();
}

QString OutputNaming::uniqueTarget(const QString &folder, const QString &videoPath, const QString &extension,
                                   const QStringList &takenTargets)
{
    const QDir dir(folder);
    const QString base = baseName(videoPath);
    QString target = dir.filePath(base + QLatin1Char('.') + extension);
    for (int n = 2; takenTargets.contains(target); ++n)
        target = dir.filePath(QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(extension));
    return target;
}
