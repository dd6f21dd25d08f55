#pragma once

#include <QList>
#include <QRect>
#include <QSize>
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
    // What tells a further subtitle area's file from the main one's: "top" for the first band in
    // the upper third of `frame`, else "area2", "area3"… by its place in `areas` (the first is the
    // main one and has none).
    static QStringList areaSuffixes(const QList<QRect> &areas, const QSize &frame);
    // "NAME.top.srt" beside "NAME.srt".
    static QString withSuffix(const QString &path, const QString &suffix);
};
