#pragma once

#include "manifest.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdio>

// Runs a manifest: every line, or the one a job's index names (--index, else a Slurm array's
// SLURM_ARRAY_TASK_ID), each through its own extractor, one after another. A line whose record
// matches is skipped; every line run leaves a record, after its output is in place.
class ManifestRun : public QObject
{
    Q_OBJECT
public:
    explicit ManifestRun(QObject *parent = nullptr);

    // Runs the application's event loop until the lines are done; the exit code, as the
    // extractor's (the worst of the lines).
    int run(const CommandLineExtractor::Options &options);

private:
    // The lines this process runs, or the exit code when the manifest or the index is refused.
    std::optional<int> select(const CommandLineExtractor::Options &options);
    void runNext();
    void onLineFinished(int exitCode);
    void say(const QString &text);

    QList<Manifest::Line> pending;
    Manifest::Line current;
    CommandLineExtractor *extractor = nullptr;
    QElapsedTimer clock;
    int result = CommandLineExtractor::Success;
    bool over = false;
    FILE *errStream = stderr;
};
