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

QStringList OutputNaming::areaSuffixes(const QList<QRect> &areas, const QSize &frame)
{
    QStringList suffixes{QString()};
    bool topTaken = false;
    for (qsizetype i = 1; i < areas.size(); ++i) {
        const bool top = frame.isValid() && areas[i].center().y() < frame.height() / 3;
        if (top && !topTaken) {
            suffixes.append(QStringLiteral("top"));
            topTaken = true;
        } else {
            suffixes.append(QStringLiteral("area%1").arg(i + 1));
        }
    }
    return suffixes;
}

QString OutputNaming::withSuffix(const QString &path, const QString &suffix)
{
    if (suffix.isEmpty())
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return path + QLatin1Char('.') + suffix;
    return path.left(dot) + QLatin1Char('.') + suffix + path.mid(dot);
}
