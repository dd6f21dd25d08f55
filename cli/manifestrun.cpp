#include "manifestrun.h"

#include "donerecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

ManifestRun::ManifestRun(QObject *parent)
    : QObject(parent)
{
}

int ManifestRun::run(const CommandLineExtractor::Options &options)
{
    if (const std::optional<int> refused = select(options))
        return *refused;
    runNext();
    if (!over)
        QCoreApplication::exec();
    return result;
}

std::optional<int> ManifestRun::select(const CommandLineExtractor::Options &options)
{
    Manifest manifest;
    switch (manifest.read(options.manifest, options)) {
    case Manifest::Reading::Unreadable:
        say(QStringLiteral("--manifest: cannot read %1: %2").arg(options.manifest, manifest.error));
        return CommandLineExtractor::BadInput;
    case Manifest::Reading::BadLines:
        // All of them at once: a manifest of thousands is not mended one error per attempt.
        for (const Manifest::Problem &problem : std::as_const(manifest.problems))
            say(QStringLiteral("%1:%2: %3").arg(options.manifest).arg(problem.lineNumber).arg(problem.text));
        return CommandLineExtractor::BadInput;
    case Manifest::Reading::Read:
        break;
    }
    int index = options.index;
    const QString arrayIndex = qEnvironmentVariable("SLURM_ARRAY_TASK_ID");
    if (index < 0 && !arrayIndex.isEmpty()) {
        bool ok = false;
        index = arrayIndex.toInt(&ok);
        if (!ok || index < 0) {
            say(QStringLiteral("SLURM_ARRAY_TASK_ID: '%1' is not a line index").arg(arrayIndex));
            return CommandLineExtractor::BadInput;
        }
    }
    if (index >= manifest.lines.size()) {
        say(QStringLiteral("--index %1: %2 has lines 0 to %3").arg(index).arg(options.manifest).arg(manifest.lines.size() - 1));
        return CommandLineExtractor::BadInput;
    }
    pending = index >= 0 ? QList<Manifest::Line>{manifest.lines.at(index)} : manifest.lines;
    return std::nullopt;
}

void ManifestRun::runNext()
{
    while (!pending.isEmpty()) {
        current = pending.takeFirst();
        const QString video = current.options.videos.constFirst();
        if (DoneRecord::matches(current.options)) {
            say(QStringLiteral("line %1: %2: finished before, skipped").arg(current.lineNumber).arg(video));
            continue;
        }
        // A stale record must not outlive the output it described while that is being redone.
        QFile::remove(DoneRecord::pathFor(current.options.output));
        QDir().mkpath(QFileInfo(current.options.output).absolutePath());
        if (extractor)
            extractor->deleteLater();
        extractor = new CommandLineExtractor(this);
        // Queued: an extractor that refuses at once finishes inside start().
        connect(extractor, &CommandLineExtractor::finished, this, &ManifestRun::onLineFinished, Qt::QueuedConnection);
        clock.start();
        extractor->start(current.options);
        return;
    }
    over = true;
    QCoreApplication::exit(result);
}

void ManifestRun::onLineFinished(int exitCode)
{
    DoneRecord::Run run{extractor->lastOutcome(), double(clock.elapsed()) / 1000.0};
    run.outcome.exitCode = exitCode;
    result = CommandLineExtractor::worse(result, exitCode);
    QString error;
    if (!DoneRecord::write(current.options, run, &error)) {
        say(QStringLiteral("line %1: cannot write %2: %3")
                .arg(current.lineNumber).arg(DoneRecord::pathFor(current.options.output), error));
        result = CommandLineExtractor::worse(result, CommandLineExtractor::RunFailed);
    }
    runNext();
}

void ManifestRun::say(const QString &text)
{
    std::fprintf(errStream, "tarnix-cli: %s\n", qPrintable(text));
    std::fflush(errStream);
}
