#include "clirun.h"
#include "fixtures.h"
#include "testfiles.h"
#include "task/di_riror_adiriz.h"
#include "task/projectstream.h"
#include "batch/projectfile.h"
#include "batch/tasklistobj.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

// A project's tasks out to a manifest, run, and back into the project as the program opens it.

using TestFiles::readAll;
using TestFiles::writeAll;

namespace {

TaskRecord task(const QString &video, qint64 duration)
{
    TaskRecord record;
    record.videoPath = video;
    record.videoFileName = QFileInfo(video).fileName();
    record.duration = duration;
    record.state = TaskState::Ready;
    record.scanMode = ScanMode::Fast;
    record.languages = {QStringLiteral("en")};
    return record;
}

bool writeProject(const QString &path, const QList<TaskRecord> &records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    ProjectStream::writeHeader(out, {1, QStringLiteral("linux"), qint64(records.size())});
    for (const TaskRecord &record : records)
        ProjectStream::writeRecord(out, record);
    return out.status() == QDataStream::Ok;
}

// The project as the program reads it on opening: every record checked.
bool openProject(const QString &path, TaskListOBJ &into, QString *error)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && ProjectFile::read(&file, into, error);
}

QStringList entryTexts(const Di_riror_adiRIZ &task)
{
    QStringList texts;
    for (const SRTEntry &entry : task.entries)
        texts.append(entry.text);
    return texts;
}

} // namespace

class TestProjectJobs : public QObject
{
    Q_OBJECT
private slots:
    void projectToManifestAndBack()
    {
        QTemporaryDir dir;
        const QString whole = dir.filePath("en_two.mp4");
        const QString ranged = dir.filePath("fs_short.mp4");
        QVERIFY(QFile::copy(fixture("en_two.mp4"), whole));
        QVERIFY(QFile::copy(fixture("fs_short.mp4"), ranged));
        TaskRecord first = task(whole, 6000);
        first.cropRect = QRect(0, 240, 640, 120);
        TaskRecord second = task(ranged, 4000);
        second.timeRange_in = 1200;
        second.timeRange_out = 3500;
        const QString project = dir.filePath("p.wtarnix");
        QVERIFY(writeProject(project, {first, second, task(dir.filePath("gone.mp4"), 5000)}));

        const CliOutcome listed = runCli({"--manifest-from", project});
        QCOMPARE(listed.exitCode, 0);
        const QList<QByteArray> lines = listed.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        const QJsonObject line0 = QJsonDocument::fromJson(lines.at(0)).object();
        const QJsonObject line1 = QJsonDocument::fromJson(lines.at(1)).object();
        QCOMPARE(line0.value("video").toString(), whole);
        QCOMPARE(line0.value("output").toString(), QStringLiteral("en_two.json"));
        QCOMPARE(line0.value("crop").toString(), QStringLiteral("0,240,640,120"));
        QCOMPARE(line0.value("lang").toString(), QStringLiteral("en"));
        QCOMPARE(line0.value("scan").toString(), QStringLiteral("fast"));
        QVERIFY(!line0.contains("range"));
        QCOMPARE(line1.value("range").toString(), QStringLiteral("1200-3500"));
        QCOMPARE(line1.value("task").toInt(), 1);
        QVERIFY(!line1.contains("crop"));

        QDir(dir.path()).mkpath("jobs");
        const QString manifest = dir.filePath("jobs/jobs.jsonl");
        QVERIFY(writeAll(manifest, listed.out));
        QCOMPARE(runCli({"--manifest", manifest}).exitCode, 2); // the third video is gone
        QVERIFY(QFileInfo::exists(dir.filePath("jobs/en_two.json")));

        const CliOutcome collected = runCli({"--collect", project, manifest});
        QCOMPARE(collected.exitCode, 0);
        QVERIFY2(collected.err.contains("2 done, 0 with warnings, 1 failed; 0 not finished"), qPrintable(collected.err));

        TaskListOBJ reopened;
        QString error;
        QVERIFY2(openProject(project, reopened, &error), qPrintable(error));
        QCOMPARE(reopened.taskList().size(), 3);
        const Di_riror_adiRIZ &done = *reopened.taskList().at(0);
        QCOMPARE(done.state, TaskState::Done);
        QCOMPARE(entryTexts(done), (QStringList{"Hello world", "How are you today"}));
        QVERIFY(!done.samples.isEmpty());
        QCOMPARE(done.cropRect, QRect(0, 240, 640, 120));
        const Di_riror_adiRIZ &inRange = *reopened.taskList().at(1);
        QCOMPARE(inRange.state, TaskState::Done);
        QCOMPARE(entryTexts(inRange), QStringList{"Then a longer line"});
        QCOMPARE(inRange.timeRange_in, 1200);
        QCOMPARE(inRange.timeRange_out, 3500);
        QVERIFY(!inRange.cropRect.isNull()); // the band the run found
        const Di_riror_adiRIZ &failed = *reopened.taskList().at(2);
        QCOMPARE(failed.state, TaskState::Failed);
        QVERIFY2(failed.errorText.contains("gone.mp4: no such file"), qPrintable(failed.errorText));
    }

    // A task with two areas goes out as one line listing both and comes back with both, each
    // entry in the area it was read in.
    void severalAreasGoOutAndComeBack()
    {
        QTemporaryDir dir;
        const QString video = dir.filePath("fs_signs.mp4");
        QVERIFY(QFile::copy(fixture("fs_signs.mp4"), video));
        TaskRecord signs = task(video, 8000);
        signs.cropRect = QRect(0, 280, 640, 80);
        signs.otherAreas = {QRect(0, 0, 640, 70)};
        const QString project = dir.filePath("p.wtarnix");
        QVERIFY(writeProject(project, {signs}));
        const CliOutcome listed = runCli({"--manifest-from", project});
        QCOMPARE(listed.exitCode, 0);
        const QJsonObject line = QJsonDocument::fromJson(listed.out.trimmed()).object();
        QCOMPARE(line.value("crop").toVariant().toStringList(), (QStringList{"0,280,640,80", "0,0,640,70"}));
        const QString manifest = dir.filePath("jobs.jsonl");
        QVERIFY(writeAll(manifest, listed.out));
        QCOMPARE(runCli({"--manifest", manifest}).exitCode, 0);
        QCOMPARE(runCli({"--collect", project, manifest}).exitCode, 0);

        TaskListOBJ reopened;
        QString error;
        QVERIFY2(openProject(project, reopened, &error), qPrintable(error));
        const Di_riror_adiRIZ &done = *reopened.taskList().at(0);
        QCOMPARE(done.areas(), (QList<QRect>{QRect(0, 280, 640, 80), QRect(0, 0, 640, 70)}));
        QStringList byArea[2];
        for (const SRTEntry &entry : done.entries)
            byArea[entry.area].append(entry.text);
        QCOMPARE(byArea[0], (QStringList{"Thou hast seen nothing yet", "Haste makes waste"}));
        QCOMPARE(byArea[1], (QStringList{"North Station", "Harbour Road"}));
    }

    void collectLeavesOtherTasksAlone_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("line not run yet") << QByteArray("{\"video\": \"en_two.mp4\"}") << 3 << "0 done, 0 with warnings, 0 failed; 1 not finished";
        QTest::newRow("video of no task") << QByteArray("{\"video\": \"other.mp4\"}") << 3 << "other.mp4 is no task of";
        QTest::newRow("bad manifest line") << QByteArray("{\"video\": \"en_two.mp4\", \"scan\": \"slow\"}") << 2 << "jsonl:1: scan: 'slow'";
    }
    void collectLeavesOtherTasksAlone()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString project = dir.filePath("p.wtarnix");
        QVERIFY(writeProject(project, {task(dir.filePath("en_two.mp4"), 6000)}));
        const QByteArray before = readAll(project);
        QVERIFY(writeAll(dir.filePath("m.jsonl"), line));
        const CliOutcome outcome = runCli({"--collect", project, dir.filePath("m.jsonl")});
        QCOMPARE(outcome.exitCode, exitCode);
        QVERIFY2(outcome.err.contains(said), qPrintable(outcome.err));
        QCOMPARE(readAll(project), before);
    }

    void damagedProjectIsRefused()
    {
        QTemporaryDir dir;
        const QString project = dir.filePath("p.wtarnix");
        QVERIFY(writeProject(project, {task(dir.filePath("a.mp4"), 6000)}));
        QFile file(project);
        QVERIFY(file.resize(file.size() - 10));
        const CliOutcome outcome = runCli({"--manifest-from", project});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.out.isEmpty());
        QVERIFY2(outcome.err.contains("task 1 is damaged"), qPrintable(outcome.err));
    }
};

QTEST_MAIN(TestProjectJobs)
#include "tst_projectjobs.moc"
