#pragma once

#include "commandlineextractor.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// The record a batch line leaves beside its output (OUTPUT.done.json): which video (its size and
// modification time), which settings, which program version, and how the run went. Its output
// is whole whenever a record of a finished run names it, since the output is renamed into place
// before the record is written; a line whose record still matches its video and settings is
// not run again.
class DoneRecord
{
public:
    struct Run
    {
        CommandLineExtractor::VideoOutcome outcome;
        double seconds = 0;
    };

    static QString pathFor(const QString &output);
    // The settings as they decide the output: a change of any of them means a new run.
    static QJsonObject settings(const CommandLineExtractor::Options &line);
    // True when the line's output is there and its record tells of a finished run (with or
    // without warnings) of the same video file with the same settings.
    static bool matches(const CommandLineExtractor::Options &line);
    // The record of a run; false with the reason when it cannot be written.
    static bool write(const CommandLineExtractor::Options &line, const Run &run, QString *error);
    // The run a record tells of, when there is a readable one for `output`.
    static std::optional<Run> read(const QString &output);

private:
    static QJsonObject videoFacts(const QString &video);
    static QJsonObject load(const QString &output);
};
