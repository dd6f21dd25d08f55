#include "taskstesthelpers.h"

#include "task/di_riror_adiriz.h"
#include "batch/projectfile.h"
#include "batch/savedclockoffer.h"
#include "batch/tasklistobj.h"
#include "task/taskrecordcheck.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <limits>

using namespace TasksTest;

namespace {

// The expected bytes, spelled out by hand rather than through QDataStream.
class Bytes
{
public:
    Bytes &i16(qint16 v) { return raw(qToBigEndian(v)); }
    Bytes &i32(qint32 v) { return raw(qToBigEndian(v)); }
    Bytes &i64(qint64 v) { return raw(qToBigEndian(v)); }
    Bytes &f64(double v)
    {
        quint64 bits;
        memcpy(&bits, &v, sizeof bits);
        return raw(qToBigEndian(bits));
    }
    Bytes &boolean(bool v)
    {
        data.append(char(v ? 1 : 0));
        return *this;
    }
    Bytes &nullString() { return raw(qToBigEndian(quint32(0xFFFFFFFF))); }
    Bytes &str(const QString &s)
    {
        raw(qToBigEndian(quint32(s.size() * 2)));
        for (QChar c : s)
            raw(qToBigEndian(c.unicode()));
        return *this;
    }
    Bytes &rect(const QRect &r) { return i32(r.left()).i32(r.top()).i32(r.right()).i32(r.bottom()); }

    QByteArray data;

private:
    template<typename T>
    Bytes &raw(T v)
    {
        data.append(reinterpret_cast<const char *>(&v), sizeof v);
        return *this;
    }
};

// Reads bytes the way opening a project does; false when the reader refused them.
bool readBack(const QByteArray &bytes, TaskListOBJ &into, QString *error = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ProjectFile::read(&buffer, into, error);
}

FrameSample sample(qint64 time, const QStringList &lines)
{
    return FrameSample{time, lines};
}

// A task with every member set to something that differs from its default.
Di_riror_adiRIZ *fullTask(TaskListOBJ &list, const QString &name, TaskState state)
{
    Di_riror_adiRIZ *task = handMadeTask(list, QStringLiteral("/videos/") + name, state);
    rewrite(task, [&](TaskRecord &r) {
        r.timeRange_in = 1000;
        r.timeRange_out = 5000;
        r.lastPosition = 2500;
        r.progress = 0.5f;
        r.duration = 6000;
        r.Frame_rate = 1.5;
        r.languages = QStringList{QStringLiteral("en")};
        r.cropRect = QRect(0, 300, 640, 60);
        r.otherAreas = {QRect(0, 10, 640, 40)};
        r.samples = {sample(1200, {QStringLiteral("Hi")}), sample(1300, {})};
        r.samples[1].area = 1;
    });
    SRTEntry entry;
    entry.intime = 1000;
    entry.outtime = 2000;
    entry.text = QStringLiteral("Hi\n");
    entry.list = {sample(1200, {QStringLiteral("Hi")})};
    entry.test_text = QStringLiteral("note");
    rewrite(task, [&](TaskRecord &r) {
        r.entries = {entry};
        r.stopRequested = true;
        r.scanMode = ScanMode::Playback;
    });
    return task;
}

// Version 2 adds the scan mode after the stop flag; 3 has its layout; 4 adds the further areas,
// the area of each sample and entry, and whether times are still on the streams' clock.
QByteArray fullTaskBytes(const QString &name, TaskState state, qint16 version = 4)
{
    Bytes b;
    b.i16(version).str(QStringLiteral("/videos/") + name).str(name).i64(1000).i64(5000).i64(2500).f64(0.5).nullString();
    b.i64(6000).i32(qint32(state)).f64(1.5).nullString();
    b.i32(1).str("en");
    b.rect(QRect(0, 300, 640, 60));
    b.i32(2).i64(1200).i32(1).str("Hi").i64(1300).i32(0);
    b.i32(1).i64(1000).i64(2000).str("Hi\n").i32(1).i64(1200).i32(1).str("Hi").str("note");
    b.boolean(true);
    if (version >= 2)
        b.i32(qint32(ScanMode::Playback));
    if (version >= 4) {
        b.i32(1).rect(QRect(0, 10, 640, 40));
        b.i32(2).i16(0).i16(1);
        b.i32(1).i16(0);
        b.boolean(false);
    }
    return b.data;
}

QByteArray header(qint64 count, qint16 version = 1)
{
    return Bytes().i16(version).str("win").i64(count).data;
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void taskRecordByteForByte()
    {
        TaskListOBJ list;
        fullTask(list, "a.mp4", TaskState::Cancelled);
        const QByteArray bytes = streamed(list);
        const QByteArray expected = header(1) + fullTaskBytes("a.mp4", TaskState::Cancelled);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    void roundTripKeepsEveryMember()
    {
        TaskListOBJ saved;
        fullTask(saved, "a.mp4", TaskState::Done);
        rewrite(fullTask(saved, "b.mkv", TaskState::Running), [&](TaskRecord &r) { r.exportPath = QStringLiteral("/out/b.srt"); });
        rewrite(handMadeTask(saved, "/videos/c.mp4", TaskState::Failed), [&](TaskRecord &r) { r.errorText = QStringLiteral("状态不是就绪"); });
        rewrite(saved.taskList().at(1), [&](TaskRecord &r) {
            r.languages = QStringList{QStringLiteral("zh-Hans"), QStringLiteral("en")};
            r.scanMode = ScanMode::Fast;
        });

        QTemporaryDir dir;
        QVERIFY(ProjectFile::save(dir.filePath("p.wtarnix"), saved));
        TaskListOBJ loaded;
        QVERIFY(ProjectFile::load(dir.filePath("p.wtarnix"), loaded));

        QCOMPARE(loaded.loadedCount, qint64(3));
        QCOMPARE(loaded.taskList().size(), 3);
        for (const Di_riror_adiRIZ *task : std::as_const(loaded.taskList())) {
            QCOMPARE(task->parent(), &loaded);
            QVERIFY(task->restoredFromProject);
        }
        QVERIFY(loaded.taskList().at(0)->exportPath.isNull());
        QCOMPARE(loaded.taskList().at(1)->languages, (QStringList{"zh-Hans", "en"}));
        QCOMPARE(loaded.taskList().at(0)->scanMode, ScanMode::Playback);
        QCOMPARE(loaded.taskList().at(1)->scanMode, ScanMode::Fast);
        QCOMPARE(loaded.taskList().at(1)->recordVersion, ProjectFile::recordVersion);
        // Every stored member is in the bytes, so writing what was read gives the same file again.
        QCOMPARE(streamed(loaded).toHex(' '), streamed(saved).toHex(' '));
    }

    // A project saved before several areas opens with its one rectangle, every entry in it.
    void versionThreeRecordHasOneArea()
    {
        TaskListOBJ loaded;
        QVERIFY(readBack(header(1) + fullTaskBytes("a.mp4", TaskState::Done, 3), loaded));
        QCOMPARE(loaded.taskList().size(), 1);
        const Di_riror_adiRIZ *task = loaded.taskList().at(0);
        QCOMPARE(task->areas(), QList<QRect>{QRect(0, 300, 640, 60)});
        QCOMPARE(task->samples.size(), 2);
        QVERIFY(std::all_of(task->samples.cbegin(), task->samples.cend(), [](const FrameSample &s) { return s.area == 0; }));
        QCOMPARE(task->entries.size(), 1);
    }

    void versionOneRecordScansByPlayback()
    {
        TaskListOBJ loaded;
        QVERIFY(readBack(header(1) + fullTaskBytes("a.mp4", TaskState::Done, 1), loaded));
        QCOMPARE(loaded.taskList().size(), 1);
        const Di_riror_adiRIZ *task = loaded.taskList().at(0);
        QCOMPARE(task->recordVersion, qint16(1));
        QCOMPARE(task->scanMode, ScanMode::Playback);
        QCOMPARE(task->entries.size(), 1);
        QVERIFY(task->stopRequested);
    }

    void newerRecordIsRefusedWithAMessage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.wtarnix");
        QVERIFY(writeAll(path, header(1) + fullTaskBytes("a.mp4", TaskState::Done, 5)));
        TaskListOBJ into;
        QString error;
        QVERIFY(!ProjectFile::load(path, into, &error));
        QVERIFY(into.taskList().isEmpty());
        QCOMPARE(error, QStringLiteral("工程文件由更新版本的软件保存（任务记录版本 5），本软件无法读取"));
    }

    // Before version 3 a TV recording's subtitles were saved on its streams' clock, 20 minutes
    // late: the user is asked once, and only a yes moves them.
    void olderTimesMoveOnlyWhenTheUserSaysSo_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("moved") << true;
        QTest::newRow("kept") << false;
    }
    void olderTimesMoveOnlyWhenTheUserSaysSo()
    {
        QFETCH(bool, move);
        const qint64 start = qRound64(ffprobeNumber(fixture("fs_tv.ts"), {"-show_entries", "format=start_time"}) * 1000);
        QVERIFY(start > 1000000);
        TaskListOBJ saved;
        Di_riror_adiRIZ *old = handMadeTask(saved, fixture("fs_tv.ts"), TaskState::Done);
        SRTEntry entry;
        entry.intime = start + 520;
        entry.outtime = start + 2520;
        entry.text = QStringLiteral("Hello world\n");
        rewrite(old, [&](TaskRecord &r) {
            r.entries = {entry};
            r.samples = {sample(start + 520, {QStringLiteral("Hello world")}), sample(start + 2520, {})};
            r.streamClockTimes = true;
        });
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath("old.wtarnix"), streamed(saved)));
        TaskListOBJ loaded;
        QVERIFY(ProjectFile::load(dir.filePath("old.wtarnix"), loaded));
        Di_riror_adiRIZ *task = loaded.taskList().at(0);
        QVERIFY(task->streamClockTimes);
        QWidget window;
        window.show();
        MessageBoxAnswers answers({move ? QMessageBox::Yes : QMessageBox::No});
        auto *offer = new SavedClockOffer({task}, &window);
        QSignalSpy settled(offer, &SavedClockOffer::settled);
        QVERIFY(settled.wait(15000));
        QVERIFY(answers.at(0).seen);
        QCOMPARE(task->entries.first().intime, move ? 520 : start + 520);
        QCOMPARE(task->samples.first().time, move ? 520 : start + 520);
        // Answered either way: saved again, it is not asked about a second time.
        TaskListOBJ reopened;
        QVERIFY(readBack(streamed(loaded), reopened));
        QVERIFY(!reopened.taskList().at(0)->streamClockTimes);
    }

    void unknownScanModeIsDamage()
    {
        QByteArray record = fullTaskBytes("a.mp4", TaskState::Done);
        record.replace(record.size() - 4, 4, Bytes().i32(7).data);
        TaskListOBJ into;
        QVERIFY(!readBack(header(1) + record, into));
        QVERIFY(into.taskList().isEmpty());
    }

    void damagedStreamsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("tasks");

        const QByteArray record = fullTaskBytes("a.mp4", TaskState::Done);
        QTest::newRow("sound file with two tasks") << header(2) + record + record << true << 2;
        QTest::newRow("negative count") << header(-5) << false << 0;
        QTest::newRow("empty file") << QByteArray() << false << 0;
        QTest::newRow("count larger than the records can be") << header(1000) + record + record << false << 0;
        QTest::newRow("huge language count")
            << header(1) + Bytes().i16(1).str("v").str("v").i64(0).i64(0).i64(0).f64(0).nullString().i64(0).i32(1)
                               .f64(1).nullString().i32(0x7FFFFFFF).data
                   + QByteArray(200, '\0')
            << false << 0;
        QTest::newRow("string of odd length")
            << header(1) + Bytes().i16(1).i32(3).data + QByteArray("abc") + QByteArray(200, '\0') << false << 0;
        QTest::newRow("other version is still read") << header(1, 7) + record << true << 1;
        QTest::newRow("trailing bytes after the records are ignored") << header(1) + record + QByteArray("xyz") << true
                                                                      << 1;
    }
    void damagedStreamsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(int, tasks);

        QTemporaryDir dir;
        const QString path = dir.filePath("p.wtarnix");
        QVERIFY(writeAll(path, bytes));
        TaskListOBJ into;
        QString error;
        QCOMPARE(ProjectFile::load(path, into, &error), readable);
        QCOMPARE(into.taskList().size(), tasks);
        QCOMPARE(error.isEmpty(), readable);
    }

    void everyTruncationIsRefused()
    {
        TaskListOBJ saved;
        fullTask(saved, "a.mp4", TaskState::Done);
        fullTask(saved, "b.mp4", TaskState::Cancelled);
        const QByteArray whole = streamed(saved);
        for (qsizetype cut = 0; cut < whole.size(); cut += 3) {
            TaskListOBJ into;
            const bool ok = readBack(whole.left(cut), into);
            QVERIFY2(!ok, qPrintable(QStringLiteral("accepted a file cut at %1 of %2").arg(cut).arg(whole.size())));
            // Only whole records survive a stream error, and the file reader throws even those away.
            QVERIFY(into.taskList().size() < 2);
        }
    }

    void impossibleValuesAreRefused_data()
    {
        QTest::addColumn<std::function<void(TaskRecord &)>>("spoil");
        QTest::addColumn<QString>("reason");
        using Spoil = std::function<void(TaskRecord &)>;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("rate not a number") << Spoil([=](auto &t) { t.Frame_rate = nan; }) << "识别速率超出范围";
        QTest::newRow("progress not a number") << Spoil([=](auto &t) { t.progress = float(nan); }) << "进度超出范围";
        QTest::newRow("progress above one") << Spoil([](auto &t) { t.progress = 1.5f; }) << "进度超出范围";
        QTest::newRow("negative duration") << Spoil([](auto &t) { t.duration = -4; }) << "时间超出范围";
        QTest::newRow("largest time") << Spoil([](auto &t) { t.timeRange_out = std::numeric_limits<qint64>::max(); })
                                      << "时间超出范围";
        QTest::newRow("negative resume point") << Spoil([](auto &t) { t.lastPosition = -1; }) << "时间超出范围";
        QTest::newRow("state outside the enumeration") << Spoil([](auto &t) { t.state = TaskState(99); }) << "未知的任务状态";
        QTest::newRow("enormous crop")
            << Spoil([](auto &t) { t.cropRect = QRect(0, 0, std::numeric_limits<int>::max(), 10); }) << "裁剪区域超出范围";
        QTest::newRow("negative crop origin") << Spoil([](auto &t) { t.cropRect = QRect(-5, 0, 10, 10); })
                                              << "裁剪区域超出范围";
        QTest::newRow("sample before the start") << Spoil([](auto &t) { t.samples[0].time = -100; })
                                                 << "识别样本的时间超出范围";
        QTest::newRow("entry past a week") << Spoil([](auto &t) { t.entries[0].outtime = qint64(1) << 50; })
                                           << "字幕条目的时间超出范围";
    }
    void impossibleValuesAreRefused()
    {
        QFETCH(std::function<void(TaskRecord &)>, spoil);
        QFETCH(QString, reason);
        TaskListOBJ saved;
        fullTask(saved, "a.mp4", TaskState::Done);
        rewrite(fullTask(saved, "b.mp4", TaskState::Done), spoil);
        TaskListOBJ into;
        QString error;
        QVERIFY(!readBack(streamed(saved), into, &error));
        QVERIFY(into.taskList().isEmpty());
        // The second record is named, with what is wrong with it.
        QVERIFY2(error.endsWith(QStringLiteral("任务 2：") + reason), qPrintable(error));
    }

    // Byte mutations of a sound multi-task file: whatever the reader accepts is a batch the rest
    // of the program can hold, and nothing it reads may reserve more than the file could contain.
    void mutatedFilesAreReadSafely()
    {
        TaskListOBJ saved;
        fullTask(saved, "a.mp4", TaskState::Done);
        rewrite(fullTask(saved, "字幕.mkv", TaskState::Cancelled), [&](TaskRecord &r) { r.cropRect = QRect(10, 20, 300, 40); });
        rewrite(fullTask(saved, "c.mp4", TaskState::Ready), [&](TaskRecord &r) { r.samples.clear(); });
        const QByteArray sound = streamed(saved);
        QRandomGenerator random(77031);
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = sound;
            const int edits = int(random.bounded(1, 5));
            for (int e = 0; e < edits; ++e) {
                const int at = int(random.bounded(bytes.size()));
                switch (random.bounded(3)) {
                case 0: bytes[at] = char(random.bounded(256)); break;
                case 1: bytes[at] = char(bytes[at] ^ char(1 << random.bounded(8))); break;
                default: bytes.remove(at, int(random.bounded(1, 9))); break;
                }
            }
            TaskListOBJ into;
            if (!readBack(bytes, into))
                continue;
            ++accepted;
            QVERIFY(into.taskList().size() <= bytes.size() / ProjectFile::minimumRecordBytes);
            for (const Di_riror_adiRIZ *task : std::as_const(into.taskList()))
                QVERIFY(!TaskRecordCheck::check(*task));
        }
        // Mutations of text bytes stay readable; the loop must have exercised that path too.
        QVERIFY(accepted > 0);
    }

    void failedSaveKeepsPreviousFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("previousFile"); // otherwise a folder of that name is in the way
        // So long that no temporary file can be made beside it: the save fails even for root.
        QTest::newRow("no room for a temporary file") << QString(250, QLatin1Char('p')) << true;
        QTest::newRow("a folder") << QStringLiteral("folder") << false;
        QTest::newRow("in a missing folder") << QStringLiteral("no/such/p.wtarnix") << false;
    }
    void failedSaveKeepsPreviousFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, previousFile);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(previousFile ? writeAll(path, "previous project") : QDir(dir.path()).mkdir("folder"));
        TaskListOBJ list;
        fullTask(list, "a.mp4", TaskState::Done);
        QString error;
        QVERIFY(!ProjectFile::save(path, list, &error));
        QVERIFY(!error.isEmpty());
        if (previousFile)
            QCOMPARE(readAll(path), QByteArray("previous project"));
    }

    void loadOfMissingFileSaysWhy()
    {
        QTemporaryDir dir;
        TaskListOBJ into;
        QString error;
        QVERIFY(!ProjectFile::load(dir.filePath("absent.wtarnix"), into, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(into.taskList().isEmpty());
    }
};


QTEST_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
