#pragma once

#include <QStringList>

// Names of exported subtitle files: the video's name up to its first "." plus the extension.
class OutputNaming
{
public:
    static QString baseName(const QString &videoPath);
    // One target per video, in order, in `folder`. Videos that share a base name would overwrite
    // each other's file: the first keeps base.ext, later ones get "base (2).ext", "base (3).ext"...,
    // never a name that another video of the same export holds as its own.
    static QStringList uniqueTargets(const QString &folder, const QStringList &videoPaths, const QString &extension);
};
