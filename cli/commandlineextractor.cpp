#include "commandlineextractor.h"

#include "recognition/di_riror_adiriz.h"
#include "recognition/fastscanreport.h"
#include "ocr/textrecognizer.h"
#include "core/srtqtime.h"
#include "recognition/subtitleareadetector.h"
#include "recognition/subtitleformat.h"
#include "core/textfilewriter.h"
#include "core/outputnaming.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
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
// The recognition rates the editor offers.
constexpr double minimumRate = 1.0;
constexpr double maximumRate = 10.0;

// Errors outrank warnings, and a worse error outranks a milder one.
int combineResults(int a, int b)
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

// A folder is writable when a file can really be made there (permissions alone say nothing to root
// and nothing about read-only mounts).
bool folderTakesFiles(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tarnix-write-check-XXXXXX")));
    return probe.open();
}

bool parseCrop(const QString &text, QRect *crop)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || values[i] < 0)
            return false;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return false;
    *crop = QRect(values[0], values[1], values[2], values[3]);
    return true;
}

bool parseRange(const QString &text, qint64 *in, qint64 *out)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)-(\\d+)$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    bool okIn = false;
    bool okOut = false;
    *in = match.captured(1).toLongLong(&okIn);
    *out = match.captured(2).toLongLong(&okOut);
    return okIn && okOut && *in < *out;
}

} // namespace

CommandLineExtractor::CommandLineExtractor(QObject *parent)
    : QObject(parent)
{
}

QString CommandLineExtractor::usage()
{
    return QStringLiteral(
        "usage: tarnix-cli [--lang TAG[+TAG]] [--crop X,Y,W,H|auto] [--range IN_MS-OUT_MS]\n"
        "                  [--scan fast|playback] [--rate R (playback only)] [--engine ppocr|tesseract]\n"
        "                  [--format srt|txt|vtt|ass|json] [-o PATH] [--list-languages] [--help] [--] VIDEO...\n"
        "exit codes: 0 done, 1 recognition or writing failed, 2 bad input,\n"
        "            3 done with warnings (the video ended early or had damaged frames)\n");
}

bool CommandLineExtractor::parseArguments(const QStringList &arguments, Options *options, QString *error)
{
    auto valueOf = [&](int &i, const QString &name, QString *value) {
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("option %1 needs a value").arg(name);
            return false;
        }
        *value = arguments[++i];
        return true;
    };
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        QString value;
        if (optionsEnded) {
            options->videos.append(argument);
        } else if (argument == QLatin1String("--")) {
            // Everything after it is a video, even a name that starts with a dash.
            optionsEnded = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options->help = true;
        } else if (argument == QLatin1String("--list-languages")) {
            options->listLanguages = true;
        } else if (argument == QLatin1String("--lang")) {
            if (!valueOf(i, argument, &value))
                return false;
            options->language = value;
        } else if (argument == QLatin1String("--crop")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (value == QLatin1String("auto"))
                options->crop = QRect();
            else if (!parseCrop(value, &options->crop)) {
                *error = QStringLiteral("--crop: '%1' is not X,Y,W,H with a positive width and height").arg(value);
                return false;
            }
        } else if (argument == QLatin1String("--range")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (!parseRange(value, &options->rangeIn, &options->rangeOut)) {
                *error = QStringLiteral("--range: '%1' is not IN_MS-OUT_MS with IN_MS < OUT_MS").arg(value);
                return false;
            }
        } else if (argument == QLatin1String("--rate")) {
            if (!valueOf(i, argument, &value))
                return false;
            bool ok = false;
            options->rate = value.toDouble(&ok);
            if (!ok || !std::isfinite(options->rate) || options->rate < minimumRate || options->rate > maximumRate) {
                *error = QStringLiteral("--rate: '%1' is not a number from 1 to 10").arg(value);
                return false;
            }
            options->rateGiven = true;
        } else if (argument == QLatin1String("--scan")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (value != QLatin1String("fast") && value != QLatin1String("playback")) {
                *error = QStringLiteral("--scan: '%1' is neither fast nor playback").arg(value);
                return false;
            }
            options->scan = value == QLatin1String("fast") ? ScanMode::Fast : ScanMode::Playback;
        } else if (argument == QLatin1String("--format")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (!SubtitleFormats::fromExtension(value)) {
                *error = QStringLiteral("--format: '%1' is not one of srt, txt, vtt, ass, json").arg(value);
                return false;
            }
            options->format = value;
            options->txt = value == QLatin1String("txt");
        } else if (argument == QLatin1String("--engine")) {
            if (!valueOf(i, argument, &options->engine))
                return false;
            if (options->engine != QLatin1String("ppocr") && options->engine != QLatin1String("tesseract")) {
                *error = QStringLiteral("--engine: '%1' is neither ppocr nor tesseract").arg(options->engine);
                return false;
            }
        } else if (argument == QLatin1String("-o")) {
            if (!valueOf(i, argument, &options->output))
                return false;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            *error = QStringLiteral("unknown option %1").arg(argument);
            return false;
        } else {
            options->videos.append(argument);
        }
    }
    if (options->rateGiven && options->scan == ScanMode::Fast) {
        *error = QStringLiteral("--rate: only for --scan playback (the fast scan reads every frame)");
        return false;
    }
    if (!options->listLanguages && !options->help && options->videos.isEmpty()) {
        *error = QStringLiteral("no video given");
        return false;
    }
    return true;
}

int CommandLineExtractor::run(const Options &options)
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
    const bool several = options.videos.size() > 1;
    if (!checkOutput(options, several))
        return BadInput;

    const QString extension = options.txt ? QStringLiteral("txt") : options.format;
    const QStringList targets = several ? OutputNaming::uniqueTargets(options.output, options.videos, extension)
                                        : QStringList{options.output};
    int result = Success;
    for (qsizetype i = 0; i < options.videos.size(); ++i)
        result = combineResults(result, extract(options.videos[i], options, targets[i]));
    return result;
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

int CommandLineExtractor::extract(const QString &video, const Options &options, const QString &target)
{
    if (!QFileInfo(video).isFile()) {
        printError(QStringLiteral("%1: no such file").arg(video));
        return BadInput;
    }
    const MediaFacts facts = MediaProbe::probe(video);
    if (facts.verdict != MediaFacts::Playable) {
        printError(QStringLiteral("%1: not a playable video (%2)").arg(video, MediaProbe::verdictText(facts.verdict)));
        return BadInput;
    }
    QRect crop = options.crop;
    // The fast scan takes the crop on the upright picture, playback on the picture as the player shows it.
    const QSize frame = options.scan == ScanMode::Fast ? facts.frameSize : facts.storedSize;
    if (!crop.isNull() && !fitCropToFrame(video, frame, &crop))
        return BadInput;

    const std::unique_ptr<Di_riror_adiRIZ> opened = openTask(video, options);
    if (!opened)
        return BadInput;
    Di_riror_adiRIZ &task = *opened;
    if (options.rangeIn >= 0 && !applyRange(video, options, task))
        return BadInput;
    if (!crop.isNull()) {
        task.setCropRect(crop);
    } else if (const std::optional<QRect> band = SubtitleAreaDetector::detect(task.videoPath, options.rangeIn,
                                                                               options.rangeOut)) {
        task.setCropRect(*band);
    } else {
        printError(QStringLiteral("%1: no subtitle area found, reading the whole frame").arg(video));
    }
    task.setFrameNumber_orc(options.rate);

    if (!runToEnd(task)) {
        if (task.errorText.startsWith(task.videoFileName + QLatin1Char(':')))
            printError(task.errorText);
        else
            printError(QStringLiteral("%1: %2").arg(video, task.errorText.isEmpty() ? QStringLiteral("recognition failed")
                                                                                     : task.errorText));
        return RunFailed;
    }
    const int outcome = task.errorText.isEmpty() ? Success : FinishedWithWarnings;
    printWarnings(video, task);
    const SubtitleFormat format = options.txt ? SubtitleFormat::Txt
                                              : SubtitleFormats::fromExtension(options.format).value_or(SubtitleFormat::Srt);
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
    return outcome;
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

bool CommandLineExtractor::waitUntilLoaded(Di_riror_adiRIZ &task)
{
    QEventLoop loop;
    QTimer poll;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (task.state == Ready || !task.isProbingMedia())
            loop.quit();
    });
    poll.start(20);
    limit.start(loadTimeoutMs);
    loop.exec();
    return task.state == Ready;
}

bool CommandLineExtractor::runToEnd(Di_riror_adiRIZ &task)
{
    QEventLoop loop;
    QTimer watchdog;
    qint64 lastMove = QDateTime::currentMSecsSinceEpoch();
    qint64 lastPosition = -1;
    connect(&task, &Di_riror_adiRIZ::completedSig, &loop, &QEventLoop::quit);
    connect(&task, &Di_riror_adiRIZ::progress_updata, &loop, [&] { printProgress(task, false); });
    connect(&watchdog, &QTimer::timeout, &loop, [&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (task.lastPosition != lastPosition) {
            lastPosition = task.lastPosition;
            lastMove = now;
        } else if (now - lastMove > stallLimitMs) {
            task.failStalledRun();
        }
    });
    watchdog.start(1000);
    runClock.start();
    task.run_mian();
    if (task.state == Running)
        loop.exec();
    printProgress(task, true);
    return task.state == Done;
}

void CommandLineExtractor::printProgress(const Di_riror_adiRIZ &task, bool final)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!final && now - lastProgressPrint < 500)
        return;
    lastProgressPrint = now;
    const bool terminal = isatty(fileno(errStream));
    const double done = final && task.state == Done ? 1.0 : std::clamp(double(task.progress), 0.0, 1.0);
    QString left = QStringLiteral("--:--:--");
    if (done > 0.0 && runClock.isValid()) {
        const qint64 remaining = qint64(double(runClock.elapsed()) * (1.0 - done) / done);
        left = SRTQTime(remaining).toString(QStringLiteral("hh:mm:ss"));
    }
    // A finished run reached its out point even where the last report came earlier (Matroska).
    const bool reachedEnd = final && task.state == Done && task.errorText.isEmpty();
    const qint64 shown = reachedEnd ? std::max(task.lastPosition, task.timeRange_out) : task.lastPosition;
    const QString position = SRTQTime(shown).toString(QStringLiteral("hh:mm:ss,zzz"));
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
    if (!waitUntilLoaded(*task)) {
        printError(QStringLiteral("%1: not a playable video").arg(video));
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
    std::fprintf(errStream, "tarnix-cli: %s\n", qPrintable(text));
    std::fflush(errStream);
}
