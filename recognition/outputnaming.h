#pragma once

#include <QStringList>

// Names of exported subtitle files: the video's name up to its first "." plus the extension.
class OutputNaming
{
public:
    static QString baseName(const QString &videoPath);
    // folder/base.ext, or folder/base (2).ext, (3)... when an earlier target of the same export took it.
    static QString uniqueTarget(const QString &folder, const QString &videoPath, const QString &extension,
                                const QStringList &takenTargets);
};
