#include "cli/commandlineextractor.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + QLatin1String(name);
}

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runCli(const QStringList &arguments)
{
    QProcess process;
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
    void parsing_data();
    void parsing();
    void badArgumentsExitWithTwo_data();
    void badArgumentsExitWithTwo();
    void listsLanguages();
    void singleVideoToStandardOutput();
    void rangeAndTxtToFile();
    void severalVideosIntoFolderWithDistinctNames();
    void badFileDoesNotStopTheOthers();
};

void TestCli::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QRect>("crop");
    QTest::addColumn<qint64>("rangeIn");
    QTest::addColumn<qint64>("rangeOut");
    QTest::addColumn<double>("rate");
    QTest::addColumn<bool>("txt");
    QTest::newRow("defaults") << QStringList{"a.mp4"} << true << QRect() << qint64(-1) << qint64(-1) << 1.0 << false;
    QTest::newRow("all options") << QStringList{"--crop", "0,600,1920,180", "--range", "1000-5000", "--rate", "2.5",
                                                "--format", "txt", "-o", "x.txt", "a.mp4"}
                                 << true << QRect(0, 600, 1920, 180) << qint64(1000) << qint64(5000) << 2.5 << true;
    QTest::newRow("crop with three parts") << QStringList{"--crop", "1,2,3", "a.mp4"} << false << QRect() << qint64(-1)
                                           << qint64(-1) << 1.0 << false;
    QTest::newRow("crop with zero width") << QStringList{"--crop", "0,0,0,10", "a.mp4"} << false << QRect()
                                          << qint64(-1) << qint64(-1) << 1.0 << false;
    QTest::newRow("range backwards") << QStringList{"--range", "5000-1000", "a.mp4"} << false << QRect() << qint64(-1)
                                     << qint64(-1) << 1.0 << false;
    QTest::newRow("range not numbers") << QStringList{"--range", "a-b", "a.mp4"} << false << QRect() << qint64(-1)
                                       << qint64(-1) << 1.0 << false;
    QTest::newRow("rate zero") << QStringList{"--rate", "0", "a.mp4"} << false << QRect() << qint64(-1) << qint64(-1)
                               << 1.0 << false;
    QTest::newRow("unknown format") << QStringList{"--format", "ass", "a.mp4"} << false << QRect() << qint64(-1)
                                    << qint64(-1) << 1.0 << false;
    QTest::newRow("option without value") << QStringList{"a.mp4", "--lang"} << false << QRect() << qint64(-1)
                                          << qint64(-1) << 1.0 << false;
    QTest::newRow("unknown option") << QStringList{"--fast", "a.mp4"} << false << QRect() << qint64(-1) << qint64(-1)
                                    << 1.0 << false;
    QTest::newRow("no video") << QStringList{"--rate", "2"} << false << QRect() << qint64(-1) << qint64(-1) << 1.0
                              << false;
}

void TestCli::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    CommandLineExtractor::Options options;
    QString error;
    QCOMPARE(CommandLineExtractor::parseArguments(arguments, &options, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    QTEST(options.crop, "crop");
    QTEST(options.rangeIn, "rangeIn");
    QTEST(options.rangeOut, "rangeOut");
    QTEST(options.rate, "rate");
    QTEST(options.txt, "txt");
    QCOMPARE(options.videos, QStringList{"a.mp4"});
}

void TestCli::badArgumentsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("malformed crop") << QStringList{"--crop", "x", fixture("en_two.mp4")} << "--crop";
    QTest::newRow("malformed range") << QStringList{"--range", "9-1", fixture("en_two.mp4")} << "--range";
    QTest::newRow("unknown language") << QStringList{"--lang", "xx-Nope", fixture("en_two.mp4")} << "--lang";
    QTest::newRow("range after the end") << QStringList{"--range", "60000-70000", fixture("en_two.mp4")} << "en_two.mp4";
}

void TestCli::badArgumentsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const Outcome outcome = runCli(arguments);
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY2(outcome.err.contains(named), qPrintable(outcome.err));
    QVERIFY(outcome.out.isEmpty());
}

void TestCli::listsLanguages()
{
    const Outcome outcome = runCli({"--list-languages"});
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.out.contains(QStringLiteral("en\t")), qPrintable(outcome.out));
}

void TestCli::singleVideoToStandardOutput()
{
    const Outcome outcome = runCli({"--lang", "en", "--crop", "0,240,640,120", fixture("en_two.mp4")});
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.out.startsWith(QStringLiteral("1\n")), qPrintable(outcome.out));
    QVERIFY(outcome.out.contains(QStringLiteral("\nHello world\n")));
    QVERIFY(outcome.out.contains(QStringLiteral("\nHow are you today\n")));
    QVERIFY(outcome.err.contains(QStringLiteral("en_two.mp4: 100%")));
}

void TestCli::rangeAndTxtToFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("hello.txt");
    const Outcome outcome = runCli({"--lang", "en", "--range", "0-2800", "--format", "txt", "--rate", "2", "-o", target,
                                    fixture("en_two.mp4")});
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(readFile(target), QStringLiteral("Hello world\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"hello.txt"});
}

void TestCli::severalVideosIntoFolderWithDistinctNames()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("en_two.mkv");
    QVERIFY(QFile::copy(fixture("zh_yellow.mkv"), copy));
    const QString folder = dir.filePath("out");
    const Outcome outcome = runCli({"--rate", "4", "-o", folder, fixture("en_two.mp4"), copy});
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"en_two (2).srt", "en_two.srt"}));
}

void TestCli::badFileDoesNotStopTheOthers()
{
    QTemporaryDir dir;
    // At rate 4 on whole frames only Tesseract keeps up with playback.
    const Outcome outcome = runCli({"--engine", "tesseract", "--lang", "en", "--rate", "4", "-o", dir.path(), fixture("not_a_video.mp4"),
                                    fixture("en_two.mp4"), fixture("missing.mp4")});
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY(outcome.err.contains(QStringLiteral("not_a_video.mp4: not a playable video")));
    QVERIFY(outcome.err.contains(QStringLiteral("missing.mp4: no such file")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"en_two.srt"});
    QVERIFY(readFile(dir.filePath("en_two.srt")).startsWith(QStringLiteral("1\r\n")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
