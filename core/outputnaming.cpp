#include "outputnaming.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

QString nameKey(const QString &path)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return path.toCaseFolded();
#else
    return path;
#endif
}

} // namespace

QString OutputNaming::baseName(const QString &videoPath)
{
    return QFileInfo(videoPath).baseName();
}

QStringList OutputNaming::uniqueTargets(const QString &folder, const QStringList &videoPaths, const QString &extension)
{
    const QDir dir(folder);
    const QString suffix = QLatin1Char('.') + extension;
    auto target = [&dir, &suffix](const QString &base) { return dir.filePath(base + suffix); };

    QSet<QString> ownNames;
    for (const QString &video : videoPaths)
        ownNames.insert(nameKey(target(baseName(video))));

    QStringList targets;
    QSet<QString> taken;
    for (const QString &video : videoPaths) {
        const QString base = baseName(video);
        QString path = target(base);
        int n = 1;
        while (taken.contains(nameKey(path)) || (n > 1 && ownNames.contains(nameKey(path))))
            path = target(QStringLiteral("%1 (%2)").arg(base).arg(++n));
        taken.insert(nameKey(path));
        targets.append(path);
    }
    return targets;
}
