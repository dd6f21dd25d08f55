#pragma once

#include <QObject>
#include <QRect>
#include <QStringList>

#include <cstdio>

class Di_riror_adiRIZ;

// The headless extractor: runs each video through the same worker as the program, one after
// another, and writes the subtitles with the same writers.
class CommandLineExtractor : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { Success = 0, RunFailed = 1, BadInput = 2 };

    struct Options
    {
        QString language;  // empty: the user's default
        QRect crop;        // null: the whole frame
        qint64 rangeIn = -1;
        qint64 rangeOut = -1;
        double rate = 1.0;
        bool txt = false;
        QString output;    // file for one video, folder for several; empty: standard output
        bool listLanguages = false;
        QStringList videos;
        QString engine;    // --engine ppocr|tesseract; empty: the program's setting

    };

    explicit CommandLineExtractor(QObject *parent = nullptr);

    // Parses the arguments (without the program name); false with a one-line error otherwise.
    static bool parseArguments(const QStringList &arguments, Options *options, QString *error);
    static QString usage();

    int run(const Options &options);

    void setStreams(FILE *out, FILE *err) { this->out = out; this->errStream = err; }
    // Longest time a video may take to load before it is called unplayable.
    void setLoadTimeoutMs(int ms) { loadTimeoutMs = ms; }

private:
    int listLanguages();
    int extract(const QString &video, const Options &options, const QString &target);
    bool waitUntilLoaded(Di_riror_adiRIZ &task);
    bool runToEnd(Di_riror_adiRIZ &task);
    void printError(const QString &text);
    void printProgress(const Di_riror_adiRIZ &task, bool final);

    FILE *out = stdout;
    FILE *errStream = stderr;
    int loadTimeoutMs = 15000;
    qint64 lastProgressPrint = 0;
};
