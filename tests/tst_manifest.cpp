#include "clirun.h"
#include "fixtures.h"
#include "testfiles.h"
#include "cli/donerecord.h"
#include "cli/manifest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using TestFiles::readAll;
using TestFiles::writeAll;

namespace {

CommandLineExtractor::Options commandLine(const QStringList &arguments)
{
    CommandLineExtractor::Options options;
    QString error;
    if (!CommandLineExtractor::parseArguments(arguments, &options, &error))
        qWarning("%s", qPrintable(error));
    return options;
}

// Three short clips with known text, copied so a test may touch them.
QString writeClipManifest(const QTemporaryDir &dir)
{
    QDir(dir.path()).mkpath(QStringLiteral("clips"));
    const QStringList clips = {"fs_short.mp4", "en_two.mp4", "fs_oneword.mp4"};
    QByteArray lines;
    for (const QString &clip : clips) {
        QFile::copy(fixture(clip), dir.filePath("clips/" + clip));
        lines += "{\"video\": \"clips/" + clip.toUtf8() + "\", \"lang\": \"en\", \"crop\": [0, 240, 640, 120]}\n";
    }
    writeAll(dir.filePath("jobs.jsonl"), lines);
    return dir.filePath("jobs.jsonl");
}

} // namespace

class TestManifest : public QObject
{
    Q_OBJECT
private slots:
    void linesTakeDefaultsAndRelativePaths_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("arguments"); // the command line around --manifest
        QTest::addColumn<QString>("video");         // relative to the manifest's folder
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("settings");      // DoneRecord's settings, compact JSON
        QTest::newRow("video alone: the command line's settings, output beside the manifest")
            << QByteArray("{\"video\": \"a.mp4\"}") << QStringList{"--lang", "en", "--format", "vtt"} << "a.mp4"
            << "a.vtt" << "{\"crop\":\"auto\",\"engine\":\"\",\"format\":\"vtt\",\"lang\":\"en\",\"scan\":\"fast\"}";
        QTest::newRow("a line's settings win over the command line")
            << QByteArray("{\"video\": \"v/b.c.mkv\", \"lang\": \"zh-Hans\", \"scan\": \"playback\", \"rate\": 2, \"format\": \"json\"}")
            << QStringList{"--lang", "en"} << "v/b.c.mkv" << "b.json"
            << "{\"crop\":\"auto\",\"engine\":\"\",\"format\":\"json\",\"lang\":\"zh-Hans\",\"rate\":2,\"scan\":\"playback\"}";
        QTest::newRow("paths up and out of the manifest's folder, crop and range as arrays")
            << QByteArray("{\"video\": \"../in/c.mp4\", \"output\": \"out/c.srt\", \"crop\": [0, 600, 1920, 180], \"range\": [1000, 5000]}")
            << QStringList{} << "../in/c.mp4" << "out/c.srt"
            << "{\"crop\":\"0,600,1920,180\",\"engine\":\"\",\"format\":\"srt\",\"lang\":\"\",\"range\":\"1000-5000\",\"scan\":\"fast\"}";
        QTest::newRow("absolute video, default outputs into the -o folder")
            << QByteArray("{\"video\": \"/media/d.mp4\", \"crop\": \"auto\", \"range\": \"0-10\"}") << QStringList{"-o", "/srv/subs"}
            << "/media/d.mp4" << "/srv/subs/d.srt"
            << "{\"crop\":\"auto\",\"engine\":\"\",\"format\":\"srt\",\"lang\":\"\",\"range\":\"0-10\",\"scan\":\"fast\"}";
    }
    void linesTakeDefaultsAndRelativePaths()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("jobs"));
        const QString path = dir.filePath("jobs/m.jsonl");
        QVERIFY(writeAll(path, "\n" + line + "\n\n"));
        Manifest manifest;
        QCOMPARE(manifest.read(path, commandLine(arguments + QStringList{"--manifest", path})), Manifest::Reading::Read);
        QCOMPARE(manifest.lines.size(), 1);
        const Manifest::Line &read = manifest.lines.constFirst();
        QCOMPARE(read.lineNumber, 2);
        QFETCH(QString, video);
        QFETCH(QString, output);
        QFETCH(QString, settings);
        const QDir jobs(dir.filePath("jobs"));
        QCOMPARE(read.options.videos, QStringList{QDir::cleanPath(jobs.absoluteFilePath(video))});
        QCOMPARE(read.options.output, QDir::cleanPath(jobs.absoluteFilePath(output)));
        QCOMPARE(QJsonDocument(DoneRecord::settings(read.options)).toJson(QJsonDocument::Compact), settings.toUtf8());
    }

    void everyBadLineIsReportedWithItsNumber()
    {
        // Good lines between the bad ones: the numbers are the file's, blank lines counted.
        const QList<QPair<QByteArray, QString>> bad = {
            {"not json", "not JSON"},
            {"[1, 2]", "not a JSON object"},
            {"{\"output\": \"x.srt\"}", "no \"video\""},
            {"{\"video\": \"a.mp4\", \"langs\": \"en\"}", "unknown key \"langs\""},
            {"{\"video\": \"a.mp4\", \"crop\": [0, 0, 0, 10]}", "crop: '0,0,0,10' is not X,Y,W,H"},
            {"{\"video\": \"a.mp4\", \"range\": [5000, 1000]}", "range: '5000-1000' is not IN_MS-OUT_MS"},
            {"{\"video\": \"a.mp4\", \"rate\": 2}", "rate: only for scan playback"},
            {"{\"video\": \"a.mp4\", \"lang\": true}", "lang: not a value"},
            {"{\"video\": \"a.mp4\", \"output\": \"\"}", "\"output\" is not a file name"},
            {"{\"video\": \"a.mp4\", \"task\": -1}", "\"task\" is not a row number"},
            {"{\"video\": \"b.mp4\", \"output\": \"good.srt\"}", "output "},
        };
        QTemporaryDir dir;
        QByteArray text = "{\"video\": \"good.mp4\"}" "\n\n";
        QList<int> numbers;
        for (qsizetype i = 0; i < bad.size(); ++i) {
            text += bad.at(i).first + "\n" + "{\"video\": \"g" + QByteArray::number(i) + ".mp4\"}" "\n";
            numbers.append(3 + 2 * int(i));
        }
        QVERIFY(writeAll(dir.filePath("m.jsonl"), text));
        Manifest manifest;
        QCOMPARE(manifest.read(dir.filePath("m.jsonl"), {}), Manifest::Reading::BadLines);
        QCOMPARE(manifest.problems.size(), bad.size());
        for (qsizetype i = 0; i < bad.size(); ++i) {
            QCOMPARE(manifest.problems.at(i).lineNumber, numbers.at(i));
            QVERIFY2(manifest.problems.at(i).text.startsWith(bad.at(i).second), qPrintable(manifest.problems.at(i).text));
        }
        // The command line says the same, file and line first, and runs nothing.
        const CliOutcome outcome = runCli({"--manifest", dir.filePath("m.jsonl")});
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.err.count(dir.filePath("m.jsonl:")), bad.size());
        QVERIFY(!QFileInfo::exists(dir.filePath("good.srt.done.json")));
    }

    void indexPicksOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("run"); // the video named by the one line run, or the error
        QTest::newRow("--index") << QStringList{"--index", "1"} << QStringList{} << "v1.mp4: no such file";
        QTest::newRow("Slurm array variable") << QStringList{} << QStringList{"SLURM_ARRAY_TASK_ID=2"} << "v2.mp4: no such file";
        QTest::newRow("--index over the variable") << QStringList{"--index", "0"} << QStringList{"SLURM_ARRAY_TASK_ID=2"}
                                                  << "v0.mp4: no such file";
        QTest::newRow("index past the end") << QStringList{"--index", "3"} << QStringList{} << "has lines 0 to 2";
        QTest::newRow("variable not an index") << QStringList{} << QStringList{"SLURM_ARRAY_TASK_ID=1a"}
                                              << "SLURM_ARRAY_TASK_ID: '1a' is not a line index";
    }
    void indexPicksOneLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(QString, run);
        QTemporaryDir dir;
        // Videos that are not there: each line fails at once and names itself.
        QVERIFY(writeAll(dir.filePath("m.jsonl"), "{\"video\": \"v0.mp4\"}\n{\"video\": \"v1.mp4\"}\n\n{\"video\": \"v2.mp4\"}\n"));
        const CliOutcome outcome = runCli(QStringList{"--manifest", dir.filePath("m.jsonl")} + arguments, environment);
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains(run), qPrintable(outcome.err));
        QCOMPARE(outcome.err.count(QStringLiteral("no such file")), run.endsWith(QStringLiteral("no such file")) ? 1 : 0);
    }

    void recordDecidesSkipOrRedo_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("nothing changed") << "" << true;
        QTest::newRow("finished with warnings") << "warnings" << true;
        QTest::newRow("video replaced") << "video" << false;
        QTest::newRow("video touched") << "touch" << false;
        QTest::newRow("crop changed") << "crop" << false;
        QTest::newRow("engine chosen") << "engine" << false;
        QTest::newRow("output deleted") << "output" << false;
        QTest::newRow("record damaged") << "damage" << false;
        QTest::newRow("the run failed") << "failed" << false;
    }
    void recordDecidesSkipOrRedo()
    {
        QFETCH(QString, change);
        QFETCH(bool, skipped);
        QTemporaryDir dir;
        CommandLineExtractor::Options line = commandLine({"--lang", "en", "--crop", "0,240,640,120", dir.filePath("v.mp4")});
        line.output = dir.filePath("v.srt");
        QVERIFY(writeAll(line.videos.constFirst(), "video bytes"));
        QVERIFY(writeAll(line.output, "1\r\n"));
        DoneRecord::Run run;
        run.outcome.exitCode = change == QLatin1String("failed") ? CommandLineExtractor::RunFailed
                             : change == QLatin1String("warnings") ? CommandLineExtractor::FinishedWithWarnings
                                                                   : CommandLineExtractor::Success;
        QString error;
        QVERIFY2(DoneRecord::write(line, run, &error), qPrintable(error));
        QVERIFY(DoneRecord::read(line.output).has_value());
        QFile video(line.videos.constFirst());
        if (change == QLatin1String("video"))
            QVERIFY(writeAll(video.fileName(), "another, longer video"));
        if (change == QLatin1String("touch")) {
            QVERIFY(video.open(QIODevice::ReadWrite));
            QVERIFY(video.setFileTime(video.fileTime(QFileDevice::FileModificationTime).addSecs(-60),
                                      QFileDevice::FileModificationTime));
        }
        if (change == QLatin1String("crop"))
            line.crop = QRect(0, 200, 640, 160);
        if (change == QLatin1String("engine"))
            line.engine = QStringLiteral("tesseract");
        if (change == QLatin1String("output"))
            QVERIFY(QFile::remove(line.output));
        if (change == QLatin1String("damage"))
            QVERIFY(writeAll(DoneRecord::pathFor(line.output), "{\"run\": {\"exit\""));
        QCOMPARE(DoneRecord::matches(line), skipped);
    }

    void finishedManifestIsSkippedAndKeepsItsFiles()
    {
        QTemporaryDir dir;
        const QString manifest = writeClipManifest(dir);
        const CliOutcome first = runCli({"--manifest", manifest});
        QCOMPARE(first.exitCode, 0);
        const QByteArray output = readAll(dir.filePath("en_two.srt"));
        QVERIFY2(output.contains("\r\nHello world\r\n"), output.constData());
        const QByteArray record = readAll(dir.filePath("en_two.srt.done.json"));
        QCOMPARE(QJsonDocument::fromJson(record)["run"]["entries"].toInt(), 2);

        QElapsedTimer clock;
        clock.start();
        const CliOutcome again = runCli({"--manifest", manifest});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.err.count(QStringLiteral("finished before, skipped")), 3);
        QVERIFY2(clock.elapsed() < 5000, "a finished line must cost no recognition");
        QCOMPARE(readAll(dir.filePath("en_two.srt")), output);
        QCOMPARE(readAll(dir.filePath("en_two.srt.done.json")), record);
    }

    // A kill -9 at any moment: an output under its own name is whole, a record names a whole
    // output, and a second run finishes the rest to the same bytes as an unbroken run.
    void killedRunLeavesNoPartialOutput()
    {
        QTemporaryDir reference;
        const QString clean = writeClipManifest(reference);
        QCOMPARE(runCli({"--manifest", clean}).exitCode, 0);
        const QStringList outputs = {"fs_short.srt", "en_two.srt", "fs_oneword.srt"};
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTemporaryDir dir;
            const QString manifest = writeClipManifest(dir);
            const int delayMs = int(QRandomGenerator::global()->bounded(2500));
            QProcess process;
            process.start(QStringLiteral(TARNIX_CLI_PATH), {"--manifest", manifest});
            QVERIFY(process.waitForStarted());
            QTest::qWait(delayMs);
            // A run already over has no process id: kill(0) would take down this test's whole
            // process group (ctest with it).
            if (const qint64 pid = process.processId(); pid > 0)
                ::kill(pid_t(pid), SIGKILL);
            QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));
            for (const QString &name : outputs) {
                const bool written = QFileInfo::exists(dir.filePath(name));
                if (written)
                    QVERIFY2(readAll(dir.filePath(name)) == readAll(reference.filePath(name)),
                             qPrintable(QStringLiteral("%1 half written, killed after %2 ms").arg(name).arg(delayMs)));
                if (QFileInfo::exists(DoneRecord::pathFor(dir.filePath(name))))
                    QVERIFY2(written, qPrintable(QStringLiteral("record without %1, killed after %2 ms").arg(name).arg(delayMs)));
            }
            QCOMPARE(runCli({"--manifest", manifest}).exitCode, 0);
            for (const QString &name : outputs) {
                QCOMPARE(readAll(dir.filePath(name)), readAll(reference.filePath(name)));
                QVERIFY(DoneRecord::read(dir.filePath(name)).has_value());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
