#pragma once

#include "commandlineextractor.h"

#include <QList>
#include <QString>

class QJsonArray;

// A batch manifest: JSON Lines, one video a line with its own settings, for runs split into
// independent jobs (a scheduler's array, a queue, GNU parallel):
//   {"video": V, "output": O, "lang": L, "crop": C, "range": R, "scan": S, "rate": N, "format": F, "task": T}
// Everything but "video" may be left out and takes the command line's value. Paths are relative
// to the manifest's folder; an output left out is the video's name with the format's extension,
// in the manifest's folder (or in the folder -o names). "task" is the project row a line was made from.
// "crop" may list several areas, ["X,Y,W,H", …], the main one first, as --crop given again.
class Manifest
{
public:
    struct Line
    {
        int lineNumber = 0;  // in the file, from 1
        qint64 task = -1;
        // videos holds the one video, output the output file; both absolute.
        CommandLineExtractor::Options options;
    };
    struct Problem
    {
        int lineNumber = 0;
        QString text;
    };
    enum class Reading { Read, Unreadable, BadLines };

    // A crop as a line (and the command line) writes it: X,Y,W,H, or auto for none.
    static QString cropText(const QRect &crop);

    // Reads every line, starting each from `defaults`. Unreadable: `error` says why. BadLines:
    // `problems` holds every line refused, in order, and `lines` is of no use.
    Reading read(const QString &path, const CommandLineExtractor::Options &defaults);

    QList<Line> lines;
    QList<Problem> problems;
    QString error;

private:
    bool parseLine(const QByteArray &text, const CommandLineExtractor::Options &defaults, Line *line);
    bool takeCrops(const QJsonArray &crops, Line *line);
    bool takeSettings(const QJsonObject &object, Line *line);
    void findSharedOutputs();
    void refuse(int lineNumber, const QString &text) { problems.append({lineNumber, text}); }

    QString folder;
    QString outputFolder;
};
