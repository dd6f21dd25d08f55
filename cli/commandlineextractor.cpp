#include "commandlineextractor.h"

#include "recognition/di_riror_adiriz.h"
#include "ocr/textrecognizer.h"
#include "recognition/srtqtime.h"
#include "recognition/textfilewriter.h"
#include "recognition/outputnaming.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <unistd.h>

namespace {

// A run whose position has not moved for this long is stuck, whatever the back end says.
constexpr int stallLimitMs = 30000;

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
        "usage: tarnix-cli [--lang TAG] [--crop X,Y,W,H] [--range IN_MS-OUT_MS] [--rate R]\n"
        "                  [--format srt|txt] [-o PATH] [--list-languages] VIDEO...\n"
        "                  [--engine ppocr|tesseract]\n");
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
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        QString value;
        if (argument == QLatin1String("--list-languages")) {
            options->listLanguages = true;
        } else if (argument == QLatin1String("--lang")) {
            if (!valueOf(i, argument, &value))
                return false;
            options->language = value;
        } else if (argument == QLatin1String("--crop")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (!parseCrop(value, &options->crop)) {
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
            if (!ok || options->rate < 0.1 || options->rate > 10.0) {
                *error = QStringLiteral("--rate: '%1' is not a number from 0.1 to 10").arg(value);
                return false;
            }
        } else if (argument == QLatin1String("--format")) {
            if (!valueOf(i, argument, &value))
                return false;
            if (value != QLatin1String("srt") && value != QLatin1String("txt")) {
                *error = QStringLiteral("--format: '%1' is neither srt nor txt").arg(value);
                return false;
            }
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
    if (!options->listLanguages && options->videos.isEmpty()) {
        *error = QStringLiteral("no video given");
        return false;
    }
    return true;
}

int CommandLineExtractor::run(const Options &options)
{
    if (!options.engine.isEmpty())
        TextRecognizer::setEngineOverride(TextRecognizer::engineFromName(options.engine).value());
    if (options.listLanguages)
        return listLanguages();

    if (!options.language.isEmpty()) {
        TextRecognizer probe;
        const QString answer = probe.selectLanguage(options.language);
        if (answer != QLatin1String("ok")) {
            printError(QStringLiteral("--lang: %1 (see --list-languages)").arg(answer));
            return BadInput;
        }
    }
    const bool several = options.videos.size() > 1;
    if (several && options.output.isEmpty()) {
        printError(QStringLiteral("-o: several videos need an output folder"));
        return BadInput;
    }
    if (several && !QDir().mkpath(options.output)) {
        printError(QStringLiteral("-o: cannot create the folder %1").arg(options.output));
        return BadInput;
    }

    const QString extension = options.txt ? QStringLiteral("txt") : QStringLiteral("srt");
    const QStringList targets = several ? OutputNaming::uniqueTargets(options.output, options.videos, extension)
                                        : QStringList{options.output};
    int result = Success;
    for (qsizetype i = 0; i < options.videos.size(); ++i)
        result = std::max(result, extract(options.videos[i], options, targets[i]));
    return result;
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
    Di_riror_adiRIZ task(QFileInfo(video).absoluteFilePath());
    if (!options.language.isEmpty() && !task.setLanguage(options.language)) {
        printError(QStringLiteral("%1: %2").arg(video, task.errorText));
        return BadInput;
    }
    if (!waitUntilLoaded(task)) {
        printError(QStringLiteral("%1: not a playable video").arg(video));
        return BadInput;
    }
    if (!options.crop.isNull())
        task.setCropRect(options.crop);
    if (options.rangeIn >= 0) {
        if (options.rangeIn >= task.duration) {
            printError(QStringLiteral("%1: --range starts after the end of the video (%2 ms)").arg(video).arg(task.duration));
            return BadInput;
        }
        task.setInTimeRange(options.rangeIn);
        task.setoutTimeRange(std::min(options.rangeOut, task.duration));
    }
    task.setFrameNumber_orc(options.rate);

    if (!runToEnd(task)) {
        printError(QStringLiteral("%1: %2").arg(video, task.errorText.isEmpty() ? QStringLiteral("recognition failed")
                                                                                 : task.errorText));
        return RunFailed;
    }
    const QString text = options.txt ? task.toTxtText() : task.toSrtText();
    if (target.isEmpty()) {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
        std::fflush(out);
        return Success;
    }
    QString error;
    if (!TextFileWriter::write(target, text, &error)) {
        printError(QStringLiteral("%1: cannot write %2: %3").arg(video, target, error));
        return RunFailed;
    }
    return Success;
}

bool CommandLineExtractor::waitUntilLoaded(Di_riror_adiRIZ &task)
{
    QEventLoop loop;
    QTimer poll;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        const QMediaPlayer::MediaStatus status = task.mediaPlayer()->mediaStatus();
        if (task.state == Ready || status == QMediaPlayer::InvalidMedia
            || task.mediaPlayer()->error() != QMediaPlayer::NoError)
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
            task.errorText = QStringLiteral("playback stopped making progress");
            loop.quit();
        }
    });
    watchdog.start(1000);
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
    const int percent = final && task.state == Done ? 100 : int(task.progress * 100);
    std::fprintf(errStream, "%s%s: %3d%% %s, %lld samples%s", terminal ? "\r" : "", qPrintable(task.videoFileName),
                 percent, qPrintable(SRTQTime(task.lastPosition).toString(QStringLiteral("hh:mm:ss,zzz"))),
                 static_cast<long long>(task.samples.size()), terminal && !final ? "" : "\n");
    std::fflush(errStream);
}

void CommandLineExtractor::printError(const QString &text)
{
    std::fprintf(errStream, "tarnix-cli: %s\n", qPrintable(text));
    std::fflush(errStream);
}
