#include "commandlineextractor.h"

#include "task/batchrunner.h"
#include "task/di_riror_adiriz.h"
#include "recognition/fastscanreport.h"
#include "ocr/textrecognizer.h"
#include "core/srtqtime.h"
#include "recognition/subtitleareadetector.h"
#include "task/subtitleformat.h"
#include "core/textfilewriter.h"
#include "core/outputnaming.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include "media/medialog.h"
#include "media/mediaprobe.h"

#include <QTemporaryFile>

#include <cmath>
#include <unistd.h>

namespace {

// A run whose position has not moved for this long is stuck, whatever the back end says.
constexpr int stallLimitMs = 30000;

} // namespace

int CommandLineExtractor::worse(int a, int b)
{
    const auto rank = [](int code) {
        switch (code) {
        case CommandLineExtractor::BadInput: return 3;
        case CommandLineExtractor::RunFailed: return 2;
        case CommandLineExtractor::FinishedWithWarnings: return 1;
        default: return 0;
        }
    };
    return rank(a) >= rank(b) ? a : b;
}

namespace {

// A folder is writable when a file can really be made there (permissions alone say nothing to root
// and nothing about read-only mounts).
bool folderTakesFiles(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tarnix-write-check-XXXXXX")));
    return probe.open();
}

} // namespace

CommandLineExtractor::CommandLineExtractor(QObject *parent)
    : QObject(parent)
{
}

CommandLineExtractor::~CommandLineExtractor() = default;

QString CommandLineExtractor::usage()
{
    return QStringLiteral(
        "usage: tarnix-cli [--lang TAG[+TAG]] [--crop X,Y,W,H|auto]... [--range IN_MS-OUT_MS]\n"
        "                  [--scan fast|playback] [--rate R (playback only)] [--engine ppocr|tesseract]\n"
        "                  [--format srt|txt|vtt|ass|json] [-o PATH] [--prefer-streams] [--list-languages]\n"
        "                  [--help] [--] VIDEO...\n"
        "       tarnix-cli [settings as above] --manifest FILE [--index I]   (I, else $SLURM_ARRAY_TASK_ID)\n"
        "       tarnix-cli --manifest-from PROJECT.wtarnix > jobs.jsonl\n"
        "       tarnix-cli --collect PROJECT.wtarnix jobs.jsonl\n"
        "--crop again: one more subtitle area, read apart (SRT, WebVTT and text write NAME.top.srt or\n"
        "            NAME.area2.srt beside the main area's file); auto (the default) finds every area\n"
        "exit codes: 0 done, 1 recognition or writing failed, 2 bad input,\n"
        "            3 done with warnings (the video ended early or had damaged frames)\n");
}

int CommandLineExtractor::run(const Options &options)
{
    int code = Success;
    bool over = false;
    const QMetaObject::Connection link = connect(this, &CommandLineExtractor::finished, this, [&](int exitCode) {
        code = exitCode;
        over = true;
        QCoreApplication::exit(exitCode);
    });
    start(options);
    if (!over)
        QCoreApplication::exec();
    disconnect(link);
    return code;
}

std::optional<int> CommandLineExtractor::finishedEarly(const Options &options)
{
    MediaLog::quietLibraries();
    if (options.help) {
        std::fputs(qPrintable(usage()), out);
        std::fflush(out);
        return Success;
    }
    if (!options.engine.isEmpty())
        TextRecognizer::setEngineOverride(TextRecognizer::engineFromName(options.engine).value());
    if (options.listLanguages)
        return listLanguages();

    if (!options.language.isEmpty()) {
        TextRecognizer probe;
        if (const auto refusal = probe.chooseLanguage(options.language)) {
            printError(QStringLiteral("--lang: %1 (see --list-languages)").arg(refusal->text()));
            return BadInput;
        }
    }
    if (!checkOutput(options, options.videos.size() > 1))
        return BadInput;
    return std::nullopt;
}

void CommandLineExtractor::start(const Options &options)
{
    if (const std::optional<int> code = finishedEarly(options)) {
        emit finished(*code);
        return;
    }
    batch = options;
    const bool several = options.videos.size() > 1;
    const QString extension = SubtitleFormats::extension(options.format);
    targets = several ? OutputNaming::uniqueTargets(options.output, options.videos, extension)
                      : QStringList{options.output};
    nextVideo = 0;
    result = Success;
    if (!runner) {
        runner = new BatchRunner(this);
        runner->setStallLimitMs(stallLimitMs);
        connect(runner, &BatchRunner::nextWanted, this, &CommandLineExtractor::openNext);
        connect(runner, &BatchRunner::taskStarted, this, [this] { runClock.start(); });
        connect(runner, &BatchRunner::taskProgress, this,
                [this](Di_riror_adiRIZ *running) { printProgress(*running, false); });
        connect(runner, &BatchRunner::taskEnded, this, &CommandLineExtractor::onTaskEnded);
        connect(runner, &BatchRunner::finished, this, [this] { emit finished(result); });
    }
    runner->start();
}

bool CommandLineExtractor::checkOutput(const Options &options, bool several)
{
    // Found out now rather than after the whole video was recognised.
    if (several && options.output.isEmpty()) {
        printError(QStringLiteral("-o: several videos need an output folder"));
        return false;
    }
    if (options.output.isEmpty())
        return true;
    if (several) {
        if (!QDir().mkpath(options.output) || !folderTakesFiles(options.output)) {
            printError(QStringLiteral("-o: cannot write into the folder %1").arg(options.output));
            return false;
        }
        return true;
    }
    const QFileInfo target(options.output);
    if (target.isDir()) {
        printError(QStringLiteral("-o: %1 is a folder; name the output file").arg(options.output));
        return false;
    }
    if (!folderTakesFiles(target.absolutePath())) {
        printError(QStringLiteral("-o: cannot write into the folder %1").arg(target.absolutePath()));
        return false;
    }
    return true;
}

int CommandLineExtractor::listLanguages()
{
    TextRecognizer recognizer;
    for (const QStringList &language : recognizer.availableLanguages())
        std::fprintf(out, "%s\t%s\n", qPrintable(language.value(0)), qPrintable(language.value(1)));
    std::fflush(out);
    return Success;
}

// Never called from inside a signal of the task or its player.
void CommandLineExtractor::dropTask()
{
    current.reset();
}

// Opens the videos in turn until one is ready to run or loading; none left ends the batch.
void CommandLineExtractor::openNext()
{
    while (nextVideo < batch.videos.size()) {
        const QString video = batch.videos.at(nextVideo++);
        outcome = {};
        switch (openVideo(video)) {
        case Opening::Loading:
            awaitLoad();
            return;
        case Opening::Ready:
            if (prepareRun(video, *current)) {
                runner->offer(current.get());
                return;
            }
            break;
        case Opening::Written:
            result = worse(result, outcome.exitCode);
            continue;
        case Opening::Refused:
            break;
        }
        dropTask();
        outcome.exitCode = BadInput;
        result = worse(result, BadInput);
    }
    runner->offer(nullptr);
}

CommandLineExtractor::Opening CommandLineExtractor::openVideo(const QString &video)
{
    if (!QFileInfo(video).isFile()) {
        printError(QStringLiteral("%1: no such file").arg(video));
        return Opening::Refused;
    }
    const MediaFacts facts = MediaProbe::probe(video);
    if (facts.verdict != MediaFacts::Playable) {
        printError(QStringLiteral("%1: not a playable video (%2)").arg(video, MediaProbe::verdictText(facts.verdict)));
        return Opening::Refused;
    }
    if (batch.preferStreams) {
        if (const std::optional<int> written = writeEmbeddedStream(video, targets.at(nextVideo - 1))) {
            outcome.exitCode = *written;
            return Opening::Written;
        }
    }
    taskCrops.clear();
    if (!batch.crop.isNull())
        taskCrops = QList<QRect>{batch.crop} + batch.moreCrops;
    // The fast scan takes the crop on the upright picture, playback on the picture as the player shows it.
    const QSize frame = batch.scan == ScanMode::Fast ? facts.frameSize : facts.storedSize;
    if (!fitCropsToFrame(video, frame))
        return Opening::Refused;
    current = openTask(video, batch);
    if (!current)
        return Opening::Refused;
    return current->state == TaskState::Ready ? Opening::Ready : Opening::Loading;
}

// An idle task has no player: its container probe, read on the pool, says whether the video is
// loaded; the limit catches a probe that never ends.
void CommandLineExtractor::awaitLoad()
{
    if (!loadLimit) {
        loadLimit = new QTimer(this);
        loadLimit->setSingleShot(true);
        connect(loadLimit, &QTimer::timeout, this, [this] {
            endLoadWait();
            onLoaded();
        });
    }
    loadLinks = {connect(current.get(), &Di_riror_adiRIZ::err, this, &CommandLineExtractor::onLoadNews),
                 connect(current.get(), &Di_riror_adiRIZ::mediaProbed, this, &CommandLineExtractor::onLoadNews)};
    loadLimit->start(loadTimeoutMs);
}

void CommandLineExtractor::onLoadNews()
{
    if (current->state != TaskState::Ready && current->isProbingMedia())
        return;
    endLoadWait();
    // Out of the task's signal, which the run would otherwise start inside.
    QMetaObject::invokeMethod(this, &CommandLineExtractor::onLoaded, Qt::QueuedConnection);
}

void CommandLineExtractor::endLoadWait()
{
    for (const QMetaObject::Connection &link : std::as_const(loadLinks))
        disconnect(link);
    loadLinks.clear();
    loadLimit->stop();
}

void CommandLineExtractor::onLoaded()
{
    const QString video = batch.videos.at(nextVideo - 1);
    if (current->state != TaskState::Ready) {
        printError(QStringLiteral("%1: not a playable video").arg(video));
    } else if (prepareRun(video, *current)) {
        runner->offer(current.get());
        return;
    }
    dropTask();
    outcome.exitCode = BadInput;
    result = worse(result, BadInput);
    openNext();
}

bool CommandLineExtractor::prepareRun(const QString &video, Di_riror_adiRIZ &task)
{
    if (batch.rangeIn >= 0 && !applyRange(video, batch, task))
        return false;
    if (taskCrops.size() == 1) {
        task.setCropRect(taskCrops.first());
    } else if (!taskCrops.isEmpty()) {
        task.setAreas(taskCrops);
    } else if (const QList<QRect> bands = SubtitleAreaDetector::detectAll(task.videoPath, batch.rangeIn, batch.rangeOut,
                                                                          task.videoResolution());
               !bands.isEmpty()) {
        // Playback reads one area: the main one.
        task.setFoundAreas(batch.scan == ScanMode::Fast ? bands : QList<QRect>{bands.first()});
    } else {
        printError(QStringLiteral("%1: no subtitle area found, reading the whole frame").arg(video));
    }
    task.setFrameNumber_orc(batch.rate);
    return true;
}

void CommandLineExtractor::onTaskEnded()
{
    if (!current)
        return;
    const qsizetype index = nextVideo - 1;
    printProgress(*current, true);
    outcome.entries = current->entries.size();
    outcome.durationMs = current->duration;
    outcome.crop = current->cropRect;
    outcome.exitCode = writeResult(batch.videos.at(index), *current, targets.at(index));
    // The task's own words, as its row would show them, unless writing was what failed.
    if (current->state != TaskState::Done || outcome.exitCode != RunFailed)
        outcome.message = current->errorText;
    result = worse(result, outcome.exitCode);
    dropTask();
}

int CommandLineExtractor::writeResult(const QString &video, const Di_riror_adiRIZ &task, const QString &target)
{
    if (task.state != TaskState::Done) {
        if (task.errorText.startsWith(task.videoFileName + QLatin1Char(':')))
            printError(task.errorText);
        else
            printError(QStringLiteral("%1: %2").arg(video, task.errorText.isEmpty() ? QStringLiteral("recognition failed")
                                                                                     : task.errorText));
        return RunFailed;
    }
    const int outcome = task.errorText.isEmpty() ? Success : FinishedWithWarnings;
    printWarnings(video, task);
    const SubtitleFormat format = batch.format;
    const QString text = SubtitleFormats::text(task, format);
    if (target.isEmpty()) {
        // The same bytes as a written file, so a redirect gives what -o would.
        const QByteArray bytes = TextFileWriter::encode(text);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
        std::fflush(out);
        return outcome;
    }
    QString error;
    if (!TextFileWriter::write(target, text, &error)) {
        printError(QStringLiteral("%1: cannot write %2: %3").arg(video, target, error));
        return RunFailed;
    }
    // The further areas go beside it in the formats that hold one area.
    for (const SubtitleFormats::AreaFile &file : SubtitleFormats::areaFiles(task, format, target)) {
        if (!TextFileWriter::write(file.path, file.text, &error)) {
            printError(QStringLiteral("%1: cannot write %2: %3").arg(video, file.path, error));
            return RunFailed;
        }
    }
    return outcome;
}

bool CommandLineExtractor::fitCropsToFrame(const QString &video, const QSize &frame)
{
    for (QRect &crop : taskCrops) {
        if (!fitCropToFrame(video, frame, &crop))
            return false;
    }
    return true;
}

bool CommandLineExtractor::fitCropToFrame(const QString &video, const QSize &frame, QRect *crop)
{
    if (!frame.isValid())
        return true;
    const QRect inside = crop->intersected(QRect(QPoint(0, 0), frame));
    if (inside.isEmpty()) {
        printError(QStringLiteral("--crop: %1,%2,%3,%4 lies outside the %5x%6 frame of %7")
                       .arg(crop->x()).arg(crop->y()).arg(crop->width()).arg(crop->height())
                       .arg(frame.width()).arg(frame.height()).arg(video));
        return false;
    }
    if (inside != *crop) {
        printError(QStringLiteral("%1: --crop clipped to the %2x%3 frame: %4,%5,%6,%7")
                       .arg(video).arg(frame.width()).arg(frame.height())
                       .arg(inside.x()).arg(inside.y()).arg(inside.width()).arg(inside.height()));
        *crop = inside;
    }
    return true;
}

bool CommandLineExtractor::applyRange(const QString &video, const Options &options, Di_riror_adiRIZ &task)
{
    if (options.rangeIn >= task.duration) {
        printError(QStringLiteral("%1: --range starts after the end of the video (%2 ms)").arg(video).arg(task.duration));
        return false;
    }
    if (options.rangeOut > task.duration)
        printError(QStringLiteral("%1: --range ends after the video; clipped to %2 ms").arg(video).arg(task.duration));
    task.setInTimeRange(options.rangeIn);
    task.setoutTimeRange(std::min(options.rangeOut, task.duration));
    return true;
}

void CommandLineExtractor::printProgress(const Di_riror_adiRIZ &task, bool final)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!final && now - lastProgressPrint < 500)
        return;
    lastProgressPrint = now;
    const bool terminal = isatty(fileno(errStream));
    const double done = final && task.state == TaskState::Done ? 1.0 : std::clamp(double(task.progress), 0.0, 1.0);
    QString left = QStringLiteral("--:--:--");
    if (done > 0.0 && runClock.isValid()) {
        const qint64 remaining = qint64(double(runClock.elapsed()) * (1.0 - done) / done);
        left = SRTQTime::clockText(remaining, SRTQTime::Form::Seconds);
    }
    // A finished run reached its out point even where the last report came earlier (Matroska).
    const bool reachedEnd = final && task.state == TaskState::Done && task.errorText.isEmpty();
    const qint64 shown = reachedEnd ? std::max(task.lastPosition, task.timeRange_out) : task.lastPosition;
    const QString position = SRTQTime::clockText(shown);
    QString line = QStringLiteral("%1: %2% at %3, %4 left, %5 samples")
                       .arg(task.videoFileName)
                       .arg(int(done * 100), 3)
                       .arg(position, left)
                       .arg(task.samples.size());
    if (terminal) {
        constexpr int barWidth = 20;
        const int filled = int(done * barWidth);
        line = QStringLiteral("[%1%2] ").arg(QString(filled, QLatin1Char('#')), QString(barWidth - filled, QLatin1Char('.')))
               + line;
        // Clear what a longer previous line left behind.
        line = QStringLiteral("\r") + line + QStringLiteral("\x1b[K");
    }
    std::fprintf(errStream, "%s%s", qPrintable(line), terminal && !final ? "" : "\n");
    std::fflush(errStream);
}

std::unique_ptr<Di_riror_adiRIZ> CommandLineExtractor::openTask(const QString &video, const Options &options)
{
    const QString path = QFileInfo(video).absoluteFilePath();
    if (options.scan == ScanMode::Fast) {
        // No player needed: the decoder knows the length and the picture (as shown, upright).
        auto task = std::make_unique<Di_riror_adiRIZ>();
        // The scan loads its own recognisers; the language was checked by run() or is installed.
        const QString language =
            options.language.isEmpty() ? task->textRecognizer()->userProfileLanguage() : options.language;
        if (language.isEmpty()) {
            printError(QStringLiteral("%1: no recognition language installed").arg(video));
            return nullptr;
        }
        if (!task->openForScan(path, language)) {
            printError(QStringLiteral("%1: %2").arg(video, task->errorText.section(QStringLiteral(": "), 1)));
            return nullptr;
        }
        return task;
    }
    auto task = std::make_unique<Di_riror_adiRIZ>(path);
    task->setScanMode(options.scan);
    if (!options.language.isEmpty() && !task->setLanguage(options.language)) {
        printError(QStringLiteral("%1: %2").arg(video, task->errorText));
        return nullptr;
    }
    return task;
}

// A finished run that skipped damaged frames or stopped at a cut-off end says so.
void CommandLineExtractor::printWarnings(const QString &video, const Di_riror_adiRIZ &task)
{
    if (task.errorText.isEmpty())
        return;
    printError(QStringLiteral("%1: warning: %2").arg(video, task.errorText));
}

void CommandLineExtractor::printError(const QString &text)
{
    // A refused video's record keeps the reason; a finished one keeps its own words (onTaskEnded).
    outcome.message = text;
    std::fprintf(errStream, "tarnix-cli: %s\n", qPrintable(text));
    std::fflush(errStream);
}
