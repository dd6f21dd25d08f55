#include "fixtures.h"
#include "cli/commandlineextractor.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runCli(const QStringList &arguments, const QString &workingDirectory = QString())
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(TARNIX_CLI_PATH), arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void parsing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<qint64>("rangeIn");
        QTest::addColumn<qint64>("rangeOut");
        QTest::addColumn<double>("rate");
        QTest::addColumn<SubtitleFormat>("format");
        const auto plain = [](const char *name, const QStringList &arguments) {
            QTest::newRow(name) << arguments << QRect() << qint64(-1) << qint64(-1) << 1.0 << SubtitleFormat::Srt;
        };
        plain("defaults", {"a.mp4"});
        QTest::newRow("all options") << QStringList{"--crop", "0,600,1920,180", "--range", "1000-5000", "--scan", "playback", "--rate", "2.5",
                                                    "--format", "txt", "-o", "x.txt", "a.mp4"}
                                     << QRect(0, 600, 1920, 180) << qint64(1000) << qint64(5000) << 2.5 << SubtitleFormat::Txt;
        plain("crop found by itself", {"--crop", "auto", "a.mp4"});
        QTest::newRow("value with an equals sign, the last one wins")
            << QStringList{"--range=1-2", "--range", "1000-5000", "a.mp4"} << QRect() << qint64(1000) << qint64(5000)
            << 1.0 << SubtitleFormat::Srt;
        plain("dash-led video after --", {"--", "a.mp4"});
        QTest::newRow("crop given again adds an area")
            << QStringList{"--crop", "0,600,1920,180", "--crop", "0,0,1920,120", "a.mp4"} << QRect(0, 600, 1920, 180)
            << qint64(-1) << qint64(-1) << 1.0 << SubtitleFormat::Srt;
    }
    void parsing()
    {
        QFETCH(QStringList, arguments);
        CommandLineExtractor::Options options;
        QString error;
        QVERIFY2(CommandLineExtractor::parseArguments(arguments, &options, &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        QTEST(options.crop, "crop");
        QTEST(options.rangeIn, "rangeIn");
        QTEST(options.rangeOut, "rangeOut");
        QTEST(options.rate, "rate");
        QTEST(options.format, "format");
        QCOMPARE(options.videos, QStringList{"a.mp4"});
        const int crops = int(arguments.count(QStringLiteral("--crop")));
        QCOMPARE(options.moreCrops.size(), std::max(0, crops - 1));
    }

    void parseErrorsNameTheArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // how the one-line error begins
        const auto row = [](const char *name, const QStringList &arguments, const char *error) {
            QTest::newRow(name) << arguments << QString::fromUtf8(error);
        };
        row("crop with three parts", {"--crop", "1,2,3", "a.mp4"}, "--crop: '1,2,3' is not X,Y,W,H");
        row("crop with zero width", {"--crop", "0,0,0,10", "a.mp4"}, "--crop: '0,0,0,10'");
        row("range backwards", {"--range", "5000-1000", "a.mp4"}, "--range: '5000-1000' is not IN_MS-OUT_MS");
        row("range not numbers", {"--range", "a-b", "a.mp4"}, "--range: 'a-b'");
        row("rate below the editor's range", {"--rate", "0.5", "a.mp4"}, "--rate: '0.5' is not a number from 1 to 10");
        row("rate not a number", {"--rate", "nan", "a.mp4"}, "--rate: 'nan'");
        row("unknown format", {"--format", "docx", "a.mp4"}, "--format: 'docx' is not one of srt, txt, vtt, ass, json");
        row("unknown scan", {"--scan", "quick", "a.mp4"}, "--scan: 'quick' is neither fast nor playback");
        row("rate with fast scan", {"--scan", "fast", "--rate", "2", "a.mp4"}, "--rate: only for --scan playback");
        row("rate without a scan named", {"--rate", "2", "a.mp4"}, "--rate: only for --scan playback");
        row("unknown long option", {"a.mp4", "--bogus=1"}, "unknown option --bogus=1");
        row("unknown single-dash word", {"-xyz", "a.mp4"}, "unknown option -xyz");
        row("value given to a switch", {"--help=yes", "a.mp4"}, "unknown option --help=yes");
        row("value missing at the end", {"a.mp4", "-o"}, "option -o needs a value");
        row("first bad value of a repeated option", {"--crop", "x", "--crop", "1,2,3,4", "a.mp4"},
            "--crop: 'x' is not X,Y,W,H with a positive width and height");
        row("no video", {"--lang", "en"}, "no video given");
        row("no video after --", {"--lang", "en", "--"}, "no video given");
    }
    void parseErrorsNameTheArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        CommandLineExtractor::Options options;
        QString said;
        QVERIFY(!CommandLineExtractor::parseArguments(arguments, &options, &said));
        QVERIFY2(said.startsWith(error), qPrintable(said));
    }

    void badArgumentsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("malformed crop") << QStringList{"--crop", "x", fixture("en_two.mp4")} << "--crop";
        QTest::newRow("unknown language") << QStringList{"--lang", "xx-Nope", fixture("en_two.mp4")} << "--lang";
        QTest::newRow("range after the end") << QStringList{"--range", "60000-70000", fixture("en_two.mp4")} << "en_two.mp4";
        QTest::newRow("crop wholly outside the frame")
            << QStringList{"--crop", "5000,5000,100,100", fixture("en_two.mp4")} << "--crop: 5000,5000,100,100 lies outside";
        QTest::newRow("output folder missing")
            << QStringList{"-o", "/nonexistent-tarnix/out.srt", fixture("en_two.mp4")} << "-o: cannot write into the folder";
        QTest::newRow("output names a folder") << QStringList{"-o", QDir::tempPath(), fixture("en_two.mp4")} << "is a folder";
        QTest::newRow("audio only") << QStringList{fixture("audio_only.m4a")} << "audio_only.m4a: not a playable video (the file has no video stream)";
        QTest::newRow("still picture") << QStringList{fixture("blank.png")} << "the file is a still picture";
    }
    void badArgumentsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const Outcome outcome = runCli(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains(named), qPrintable(outcome.err));
        QVERIFY(outcome.out.isEmpty());
        // Our one line alone: no usage text, no ffmpeg log lines.
        QCOMPARE(outcome.err.trimmed().count(QLatin1Char('\n')), 0);
    }

    void listsLanguages()
    {
        const Outcome outcome = runCli({"--list-languages"});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.out.contains(QStringLiteral("en\t")), qPrintable(outcome.out));
    }

    void singleVideoToStandardOutput()
    {
        const Outcome outcome = runCli({"--lang", "en", "--crop", "0,240,640,120", fixture("en_two.mp4")});
        QCOMPARE(outcome.exitCode, 0);
        // The same CR LF line ends as a written file.
        QVERIFY2(outcome.out.startsWith(QStringLiteral("1\r\n")), qPrintable(outcome.out));
        QVERIFY(outcome.out.contains(QStringLiteral("\r\nHello world\r\n")));
        QVERIFY(outcome.out.contains(QStringLiteral("\r\nHow are you today\r\n")));
        QVERIFY(!outcome.out.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
        QVERIFY(outcome.err.contains(QStringLiteral("en_two.mp4: 100%")));
    }

    void rangeAndTxtToFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("hello.txt");
        const Outcome outcome = runCli({"--engine", "tesseract", "--lang", "en", "--range", "0-2800", "--format", "txt",
                                        "--scan", "playback", "--rate", "2", "-o", target,
                                        fixture("en_two.mp4")});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(readFile(target), QStringLiteral("Hello world\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"hello.txt"});
    }

    void severalVideosIntoFolderWithDistinctNames()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath("en_two.mkv");
        QVERIFY(QFile::copy(fixture("en_two.mp4"), copy));
        const QString folder = dir.filePath("out");
        const Outcome outcome = runCli({"--engine", "tesseract", "--scan", "playback", "--rate", "4", "-o", folder,
                                        fixture("en_two.mp4"), copy});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"en_two (2).srt", "en_two.srt"}));
    }

    void badFileDoesNotStopTheOthers()
    {
        QTemporaryDir dir;
        // At rate 4 on whole frames only Tesseract keeps up with playback.
        const Outcome outcome = runCli({"--engine", "tesseract", "--lang", "en", "--scan", "playback", "--rate", "4", "-o", dir.path(), fixture("not_a_video.mp4"),
                                        fixture("en_two.mp4"), fixture("missing.mp4")});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.err.contains(QStringLiteral("not_a_video.mp4: not a playable video (not a readable video file)")));
        QVERIFY(outcome.err.contains(QStringLiteral("missing.mp4: no such file")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"en_two.srt"});
        QVERIFY(readFile(dir.filePath("en_two.srt")).startsWith(QStringLiteral("1\r\n")));
    }

    void hostileFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("chinese and a space") << QStringLiteral("字幕 测试.mp4");
        QTest::newRow("url-special characters") << QStringLiteral("50% #1 ?a=b&c.mp4");
        QTest::newRow("leading dash") << QStringLiteral("-dash.mp4");
        // Given relative, these read as protocols to a library that takes names as URLs.
        QTest::newRow("colon after an episode number") << QStringLiteral("S01E01:Pilot.mp4");
        QTest::newRow("file: in front") << QStringLiteral("file:x.mp4");
        QTest::newRow("looks like a web address") << QStringLiteral("http:clip.mp4");
    }
    void hostileFileNames()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(fixture("en_two.mp4"), dir.filePath(name)));
        const QString folder = dir.filePath(QStringLiteral("输出"));
        // Named relative to the working folder, the area found by itself: the probe, the area
        // detector and the decoder all open the file.
        const Outcome outcome = runCli({"--lang", "en", "--range", "0-2800", "-o", folder, "--", name,
                                        fixture("en_two.mp4")},
                                       dir.path());
        QCOMPARE(outcome.exitCode, 0);
        // The exported name keeps the video's own name.
        const QString base = QFileInfo(name).completeBaseName();
        QVERIFY2(readFile(QDir(folder).filePath(base + ".srt")).contains(QStringLiteral("Hello world")),
                 qPrintable(outcome.err));
    }

    void areaFoundOnTurnedPhoneClips_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("quarter turn") << "fs_rotated.mp4";
        QTest::newRow("half turn") << "fs_rotated180.mp4";
        QTest::newRow("three quarter turns") << "fs_rotated270.mp4";
    }
    void areaFoundOnTurnedPhoneClips()
    {
        QFETCH(QString, clip);
        const Outcome outcome = runCli({"--lang", "en", fixture(clip)});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.out.contains(QStringLiteral("00:00:00,400 --> 00:00:02,000\r\nPhone text")),
                 qPrintable(outcome.out + outcome.err));
    }

    // A result the user could take for complete is said to be otherwise, and exits with 3.
    void warningsOfARunThatFinished_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("warning");
        QTest::newRow("damaged frames, fast scan")
            << QStringList{"--lang", "en", "--crop", "0,240,640,120", fixture("fs_damaged.mkv")}
            << "damaged frame(s) skipped";
        QTest::newRow("damaged frames, playback")
            << QStringList{"--lang", "en", "--scan", "playback", "--rate", "2", "--crop", "0,240,640,120",
                           fixture("fs_damaged.mkv")}
            << "damaged frame(s) skipped";
        QTest::newRow("nothing in the area set by hand")
            << QStringList{"--lang", "en", "--crop", "0,0,640,120", fixture("en_two.mp4")}
            << "no subtitles found in the area set by hand";
        QTest::newRow("nothing anywhere, no area found")
            << QStringList{"--lang", "en", "--range", "5100-6000", fixture("en_two.mp4")}
            << "no subtitles found in the whole frame";
        QTest::newRow("two areas, playback reads one")
            << QStringList{"--lang", "en", "--scan", "playback", "--rate", "4", "--range", "0-2000", "--crop",
                           "0,280,640,80", "--crop", "0,0,640,70", fixture("fs_signs.mp4")}
            << "playback read the main subtitle area only";
    }
    void warningsOfARunThatFinished()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, warning);
        const Outcome outcome = runCli(arguments);
        QCOMPARE(outcome.exitCode, int(CommandLineExtractor::FinishedWithWarnings));
        QVERIFY2(outcome.err.contains(QStringLiteral(": warning: ")) && outcome.err.contains(warning),
                 qPrintable(outcome.err));
    }

    void textSubtitleStreamsAreTakenOutWhenPreferred()
    {
        // SubRip goes out as the video carries it: what ffmpeg itself takes out of the file.
        QTemporaryDir dir;
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", fixture("fs_textsubs.mkv"), "-map", "0:s:0",
                                                "-c", "copy", dir.filePath("own.srt")});
        QVERIFY(ffmpeg.waitForFinished(10000) && ffmpeg.exitCode() == 0);
        const Outcome srt = runCli({"--prefer-streams", "--lang", "en", fixture("fs_textsubs.mkv")});
        QCOMPARE(srt.exitCode, 0);
        QCOMPARE(srt.out.toUtf8(), readFile(dir.filePath("own.srt")).toUtf8());
        QVERIFY2(srt.err.contains(QStringLiteral("written as the video carries it")), qPrintable(srt.err));
        // MP4's timed text has no file of its own: its cues are written in the format asked for.
        const Outcome vtt = runCli({"--prefer-streams", "--format", "vtt", fixture("fs_textsubs.mp4")});
        QCOMPARE(vtt.exitCode, 0);
        QVERIFY2(vtt.out.contains(QStringLiteral("00:00:00.500 --> 00:00:02.500\r\nHello world")), qPrintable(vtt.out));
        // Without the switch the picture is read, at the times of its frames.
        const Outcome read = runCli({"--lang", "en", "--crop", "0,240,640,120", fixture("fs_textsubs.mkv")});
        QVERIFY2(read.out.contains(QStringLiteral("00:00:00,520 --> 00:00:02,520")), qPrintable(read.out));
    }

    void truncatedVideoKeepsWhatWasReadAndWarns()
    {
        const Outcome outcome = runCli({"--engine", "tesseract", "--scan", "playback", "--lang", "en", "--crop", "0,240,640,120",
                                        fixture("truncated.mp4")});
        QCOMPARE(outcome.exitCode, int(CommandLineExtractor::FinishedWithWarnings));
        QVERIFY2(outcome.err.contains(QStringLiteral("truncated.mp4: warning: the video ended early")), qPrintable(outcome.err));
        QVERIFY(outcome.out.contains(QStringLiteral("Hello world")));
        QVERIFY(!outcome.out.contains(QStringLiteral("How are you today")));
    }

    void cropPartlyOutsideIsClippedAndSaid()
    {
        const Outcome outcome = runCli({"--lang", "en", "--crop", "0,240,2000,500", "--range", "0-2800",
                                        fixture("en_two.mp4")});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.err.count(QStringLiteral("--crop clipped to the 640x360 frame: 0,240,640,120")), 1);
        QVERIFY(outcome.out.contains(QStringLiteral("Hello world")));
    }

    void helpGoesToStandardOutput()
    {
        const Outcome outcome = runCli({"--help"});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(outcome.out.startsWith(QStringLiteral("usage: tarnix-cli")));
        QVERIFY(outcome.err.isEmpty());
        // A parse error names itself in one line and leaves the usage to --help.
        const Outcome wrong = runCli({"--bogus", "a.mp4"});
        QCOMPARE(wrong.exitCode, 2);
        QCOMPARE(wrong.err, QStringLiteral("tarnix-cli: unknown option --bogus (see --help)\n"));
    }

    // No --crop: the subtitle area is found first; both lines read, English with its spaces.
    void twoLanguagesFoundAreaAndJson()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("zh_en.json");
        const Outcome outcome = runCli({"--lang", "zh-Hans+en", "--format", "json", "-o", target,
                                        fixture("zh_en.mp4")});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(!outcome.err.contains(QStringLiteral("no subtitle area")), qPrintable(outcome.err));
        const QJsonArray entries = QJsonDocument::fromJson(readFile(target).toUtf8()).object().value("entries").toArray();
        QStringList lines;
        for (const QJsonValue &entry : entries) {
            for (const QJsonValue &line : entry.toObject().value("lines").toArray())
                lines << line.toString();
        }
        QVERIFY2(lines.contains(QStringLiteral("我们没有时间了")) && lines.contains(QStringLiteral("It is raining outside"))
                     && lines.contains(QStringLiteral("We are out of time")),
                 qPrintable(lines.join(QLatin1Char('|'))));
    }

    // Signs at the top come and go over the dialogue: each area is read apart, so neither cuts
    // the other, and each format puts them where they belong.
    void signsAtTheTopAreASecondTrack_data()
    {
        QTest::addColumn<QStringList>("crops");
        QTest::newRow("found by itself") << QStringList();
        QTest::newRow("given twice") << QStringList{"--crop", "0,280,640,80", "--crop", "0,0,640,70"};
    }
    void signsAtTheTopAreASecondTrack()
    {
        QFETCH(QStringList, crops);
        QTemporaryDir dir;
        const Outcome srt = runCli(QStringList{"--lang", "en", "-o", dir.filePath("signs.srt")} + crops
                                   + QStringList{fixture("fs_signs.mp4")});
        QCOMPARE(srt.exitCode, 0);
        const QString dialogue = readFile(dir.filePath("signs.srt")).remove(QLatin1Char('\r'));
        const QString top = readFile(dir.filePath("signs.top.srt")).remove(QLatin1Char('\r'));
        QVERIFY2(dialogue.contains(QStringLiteral("00:00:00,400 --> 00:00:03,600\nThou hast seen nothing yet\n"))
                     && dialogue.contains(QStringLiteral("00:00:04,000 --> 00:00:07,400\nHaste makes waste\n"))
                     && dialogue.count(QStringLiteral(" --> ")) == 2,
                 qPrintable(dialogue + srt.err));
        QVERIFY2(top.contains(QStringLiteral("00:00:01,000 --> 00:00:03,000\nNorth Station\n"))
                     && top.contains(QStringLiteral("00:00:04,600 --> 00:00:07,000\nHarbour Road\n"))
                     && top.count(QStringLiteral(" --> ")) == 2,
                 qPrintable(top));

        const QString assPath = dir.filePath("signs.ass");
        QCOMPARE(runCli(QStringList{"--lang", "en", "--format", "ass", "-o", assPath} + crops
                        + QStringList{fixture("fs_signs.mp4")}).exitCode, 0);
        const QString ass = readFile(assPath).remove(QLatin1Char('\r'));
        QVERIFY2(ass.contains(QRegularExpression(QStringLiteral(",\\d+,,\\{\\\\an8\\}North Station\n")))
                     && ass.contains(QRegularExpression(QStringLiteral(",\\d+,,Thou hast seen nothing yet\n"))),
                 qPrintable(ass));
        // A player's reader takes the script: all four events come out of it.
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), {"-hide_banner", "-loglevel", "error", "-i", assPath, "-f", "srt", "-"});
        QVERIFY(ffmpeg.waitForFinished(30000));
        const QString readBack = QString::fromUtf8(ffmpeg.readAllStandardOutput());
        QCOMPARE(ffmpeg.exitCode(), 0);
        QCOMPARE(readBack.count(QStringLiteral(" --> ")), 4);
        QVERIFY2(readBack.contains(QStringLiteral("Harbour Road")), qPrintable(readBack));
    }

    void fastScanWarnsOfATruncatedFile()
    {
        const Outcome outcome = runCli({"--lang", "en", "--crop", "0,240,640,120", fixture("fs_truncated.mkv")});
        QCOMPARE(outcome.exitCode, int(CommandLineExtractor::FinishedWithWarnings));
        QVERIFY2(outcome.out.contains(QStringLiteral("00:00:00,520 --> 00:00:02,520\r\nHello world")), qPrintable(outcome.out));
        QVERIFY2(outcome.err.contains(QStringLiteral("warning: ")) && outcome.err.contains(QStringLiteral("ends early")),
                 qPrintable(outcome.err));
        // Not a terminal: whole progress lines with the share done and the time left.
        QVERIFY2(outcome.err.contains(QStringLiteral("100% at ")), qPrintable(outcome.err));
        QVERIFY(outcome.err.contains(QStringLiteral(" left, ")));
        QVERIFY(!outcome.err.contains(QLatin1Char('\r')));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
