#pragma once

#include "task/scanmode.h"
#include "task/subtitleformat.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>

class BatchRunner;
class Di_riror_adiRIZ;
class QTimer;

// The headless extractor: runs each video through the same worker as the program, one after
// another, and writes the subtitles with the same writers.
class CommandLineExtractor : public QObject
{
    Q_OBJECT
public:
    // FinishedWithWarnings: subtitles were written, but the video ended early or had damaged frames.
    enum ExitCode { Success = 0, RunFailed = 1, BadInput = 2, FinishedWithWarnings = 3 };

    struct Options
    {
        QString language;  // empty: the user's default
        QRect crop;        // null ("auto"): the subtitle bands the detector finds, else the whole frame
        QList<QRect> moreCrops; // --crop given again: further subtitle areas, each a track of its own
        qint64 rangeIn = -1;
        qint64 rangeOut = -1;
        double rate = 1.0;
        bool rateGiven = false;
        ScanMode scan = ScanMode::Fast;
        SubtitleFormat format = SubtitleFormat::Srt;
        QString output;    // file for one video, folder for several; empty: standard output
        bool listLanguages = false;
        bool help = false;
        QStringList videos;
        QString engine;    // --engine ppocr|tesseract; empty: the program's setting
        bool preferStreams = false; // --prefer-streams: a text subtitle stream in the language is written instead
        QString manifest;      // --manifest FILE: the videos and their settings, a JSON object a line
        int index = -1;        // --index I: the manifest's line I alone (0-based); -1: every line
        QString manifestFrom;  // --manifest-from PROJECT: print a manifest of the project's tasks
        QString collect;       // --collect PROJECT MANIFEST: the finished lines back into the project
    };

    // What became of the last video run: its outcome, and the figures a batch record keeps.
    struct VideoOutcome
    {
        int exitCode = Success;
        qint64 entries = 0;
        qint64 durationMs = 0;
        QRect crop;
        QString message;  // the warning or the error, empty when neither
    };

    explicit CommandLineExtractor(QObject *parent = nullptr);
    ~CommandLineExtractor() override;

    // Parses the arguments (without the program name); false with a one-line error otherwise.
    static bool parseArguments(const QStringList &arguments, Options *options, QString *error);
    static QString usage();
    // Takes one setting by its option name (lang, crop, range, rate, scan, format, engine) as the
    // command line would; the error for a value not allowed, else empty.
    static QString applySetting(const QString &option, const QString &value, Options *options);
    // A crop after the first: one more subtitle area; the error for a value not allowed, else empty.
    static QString addCropSetting(const QString &value, Options *options);
    // The worse of two exit codes: errors outrank warnings, a worse error a milder one.
    static int worse(int a, int b);

    // Runs the application's event loop until every video is done; for main().
    int run(const Options &options);
    // Starts the videos one after another and returns; finished gives the exit code.
    void start(const Options &options);

    void setStreams(FILE *out, FILE *err) { this->out = out; this->errStream = err; }
    // Longest time a video may take to load before it is called unplayable.
    void setLoadTimeoutMs(int ms) { loadTimeoutMs = ms; }

    const VideoOutcome &lastOutcome() const { return outcome; }

signals:
    void finished(int exitCode);

private:
    enum class Opening { Ready, Loading, Refused, Written };

    int listLanguages();
    bool checkOutput(const Options &options, bool several);
    // The exit code when the options end the program before any video runs.
    std::optional<int> finishedEarly(const Options &options);
    void openNext();
    void dropTask();
    Opening openVideo(const QString &video);
    void awaitLoad();
    void onLoadNews();
    void endLoadWait();
    void onLoaded();
    bool prepareRun(const QString &video, Di_riror_adiRIZ &task);
    // Writes the video's own text subtitles in the language, when it carries them; the exit code.
    std::optional<int> writeEmbeddedStream(const QString &video, const QString &target);
    void onTaskEnded();
    int writeResult(const QString &video, const Di_riror_adiRIZ &task, const QString &target);
    bool fitCropToFrame(const QString &video, const QSize &frame, QRect *crop);
    bool fitCropsToFrame(const QString &video, const QSize &frame);
    bool applyRange(const QString &video, const Options &options, Di_riror_adiRIZ &task);
    void printError(const QString &text);
    void printProgress(const Di_riror_adiRIZ &task, bool final);
    // The task ready to run, or null with the reason printed.
    std::unique_ptr<Di_riror_adiRIZ> openTask(const QString &video, const Options &options);
    void printWarnings(const QString &video, const Di_riror_adiRIZ &task);

    FILE *out = stdout;
    FILE *errStream = stderr;
    int loadTimeoutMs = 15000;
    qint64 lastProgressPrint = 0;
    QElapsedTimer runClock;

    // The batch under way.
    BatchRunner *runner = nullptr;
    Options batch;
    QStringList targets;
    qsizetype nextVideo = 0;
    int result = Success;
    std::unique_ptr<Di_riror_adiRIZ> current;
    QList<QRect> taskCrops;
    QTimer *loadLimit = nullptr;
    QList<QMetaObject::Connection> loadLinks;
    VideoOutcome outcome;
};
