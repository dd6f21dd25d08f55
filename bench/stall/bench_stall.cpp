// Event-loop stall benchmark: how long the GUI thread's loop is held at a stretch while the batch
// runs and while dropped files are checked. A 5 ms timer notes the largest gap between its ticks.
// One row per scene: the longest gap, the 99th percentile gap, the gaps over 50 ms, and the wall time.
//   bench_stall --run CLIP... --drop FILE...
// --run: each clip as a one-task batch by playback at rate 1, then by the fast scan.
// --drop: the files checked alone (off and on the GUI thread), dropped at once on the batch page
// (twice: the first task of a process loads the recogniser) and metered on until every row has
// its picture, then checked and made into tasks the
// old way, inside one handler on the GUI thread.
#include "media/mediabackend.h"
#include "media/thumbnailqueue.h"
#include "task/di_riror_adiriz.h"
#include "batch/tasklistobj.h"
#include "batch/tasklistwidgetsclass.h"
#include "batch/videoimportcheck.h"

#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int tickMs = 5;
constexpr qint64 stallMs = 50;

class StallMeter
{
public:
    StallMeter()
    {
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        gaps.clear();
        longestGap = 0;
        clock.start();
        last = 0;
        ticker.start(tickMs);
    }
    void stop()
    {
        tick();
        ticker.stop();
        wall = clock.elapsed();
    }
    void print(const QString &scene) const
    {
        QList<qint64> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        const qint64 longest = sorted.isEmpty() ? 0 : sorted.last();
        const qint64 p99 = sorted.isEmpty() ? 0 : sorted.at(qsizetype(double(sorted.size() - 1) * 0.99));
        const auto over = std::count_if(sorted.cbegin(), sorted.cend(), [](qint64 gap) { return gap > stallMs; });
        std::printf("%-44s %8lld %8lld %8lld %9lld\n", qPrintable(scene), longest, p99, qlonglong(over), wall);
        // On the clock of the kernel's scheduler traces, to find the gap in a trace of the run.
        if (qEnvironmentVariableIsSet("TARNIX_STALL_WHY"))
            std::printf("    longest gap ended at %.3f s (monotonic)\n", double(longestEnd) / 1000.0);
        std::fflush(stdout);
    }

private:
    static qint64 monotonicMs()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }
    void tick()
    {
        const qint64 now = clock.elapsed();
        if (now - last > longestGap) {
            longestGap = now - last;
            longestEnd = monotonicMs();
        }
        gaps.append(now - last);
        last = now;
    }

    QTimer ticker;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 wall = 0;
    qint64 longestGap = 0;
    qint64 longestEnd = 0;
    QList<qint64> gaps;
};

// The benchmark's own top-level loop, run from main between scenes (nothing runs outside it).
bool runUntil(const std::function<bool()> &done, int limitMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    check.start(20);
    loop.exec();
    return done();
}

void runClip(const QString &clip, ScanMode mode)
{
    TaskListOBJ list;
    list.addTask(QUrl::fromLocalFile(clip));
    Di_riror_adiRIZ *task = list.taskList().first();
    if (!runUntil([task] { return task->state == TaskState::Ready; }, 20000)) {
        std::printf("%s: did not load\n", qPrintable(clip));
        return;
    }
    task->setScanMode(mode);
    task->setFrameNumber_orc(1.0);
    // The band where subtitles sit, as the editor would place it.
    const QRect frame = task->cropRect;
    task->setCropRect(QRect(0, frame.height() * 3 / 4, frame.width(), frame.height() / 4));
    bool over = false;
    QObject::connect(&list, &TaskListOBJ::completedSig, [&over] { over = true; });
    StallMeter meter;
    meter.start();
    list.runAll();
    runUntil([&over] { return over; }, 120000);
    meter.stop();
    const QString scene = QStringLiteral("run %1 %2").arg(mode == ScanMode::Fast ? "fast" : "rate 1",
                                                         QFileInfo(clip).fileName());
    meter.print(scene + QStringLiteral(" (%1 samples)").arg(task->samples.size()));
}

// The probe remembers files it has read while they stay unchanged; each scene finds them new,
// as a user's drop would.
void touch(const QStringList &files)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString &file : files) {
        QFile target(QFileInfo(file).canonicalFilePath());
        if (target.open(QIODevice::ReadOnly))
            target.setFileTime(now, QFileDevice::FileModificationTime);
    }
}

// The check alone, without the rows: what the drop itself costs the GUI thread.
void checkOnly(const QStringList &files)
{
    VideoImportCheck check;
    int videos = 0;
    bool checked = false;
    QObject::connect(&check, &VideoImportCheck::videoFound, [&videos] { ++videos; });
    QObject::connect(&check, &VideoImportCheck::finished, [&checked] { checked = true; });
    StallMeter meter;
    meter.start();
    check.start(files);
    runUntil([&checked] { return checked; }, 120000);
    meter.stop();
    meter.print(QStringLiteral("check %1 files off the GUI thread, no rows").arg(files.size()));

    int playable = 0;
    bool checkedHere = false;
    touch(files);
    meter.start();
    QTimer::singleShot(0, [&] {
        for (const QString &file : files)
            playable += VideoImportCheck::check(file) == VideoImportCheck::Verdict::Video ? 1 : 0;
        checkedHere = true;
    });
    runUntil([&checkedHere] { return checkedHere; }, 120000);
    meter.stop();
    meter.print(QStringLiteral("check %1 files on the GUI thread, no rows").arg(files.size()));
    if (playable != videos)
        std::printf("    the two checks disagree: %d and %d videos\n", videos, playable);
}

qint64 residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    }
    return -1;
}

void dropOnPage(const QStringList &files, const char *when)
{
    TaskListWidgetsClass page;
    page.show();
    QList<QUrl> urls;
    for (const QString &file : files)
        urls.append(QUrl::fromLocalFile(file));
    QMimeData mime;
    mime.setUrls(urls);
    bool imported = false;
    QObject::connect(&page, &TaskListWidgetsClass::importFinished, [&imported] { imported = true; });
    StallMeter meter;
    meter.start();
    QElapsedTimer sinceDrop;
    sinceDrop.start();
    qint64 firstRow = -1;
    QTimer watchRows;
    QObject::connect(&watchRows, &QTimer::timeout, [&] {
        if (firstRow < 0 && !page.taskList()->taskList().isEmpty())
            firstRow = sinceDrop.elapsed();
    });
    watchRows.start(1);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &drop);
    const qint64 dropReturned = sinceDrop.elapsed();
    runUntil([&imported] { return imported; }, 120000);
    const qint64 allRows = sinceDrop.elapsed();
    meter.stop();
    meter.print(QStringLiteral("drop %1 files on the page, %2").arg(files.size()).arg(QLatin1String(when)));
    std::printf("    drop returned after %lld ms, first row after %lld ms, all %lld rows after %lld ms\n",
                dropReturned, firstRow, qlonglong(page.taskList()->taskList().size()), allRows);
    // Then the rows' pictures, until the last one has come.
    const QList<Di_riror_adiRIZ *> &tasks = page.taskList()->taskList();
    meter.start();
    runUntil([&tasks] {
        return std::all_of(tasks.cbegin(), tasks.cend(), [](const Di_riror_adiRIZ *task) { return task->thumbnailLoaded; });
    }, 120000);
    meter.stop();
    meter.print(QStringLiteral("  then until every thumbnail, %1").arg(QLatin1String(when)));
    const auto pictured = std::count_if(tasks.cbegin(), tasks.cend(), [](const Di_riror_adiRIZ *task) {
        return !task->thumbnail.isNull();
    });
    std::printf("    %lld of %lld rows have a picture; resident %lld MB\n", qlonglong(pictured),
                qlonglong(tasks.size()), residentMegabytes());
    // Let the last grabs end before the next scene.
    runUntil([] { return false; }, 1000);
}

// As the page did before: every file checked and its task made inside the drop's handler.
void checkOnGuiThread(const QStringList &files)
{
    TaskListOBJ list;
    bool checked = false;
    StallMeter meter;
    meter.start();
    QTimer::singleShot(0, &list, [&list, &checked, files] {
        for (const QString &file : files) {
            if (QFileInfo(file).isFile() && TaskListOBJ::isPlayableVideo(QUrl::fromLocalFile(file)))
                list.addTask(QUrl::fromLocalFile(file));
        }
        checked = true;
    });
    runUntil([&checked] { return checked; }, 120000);
    meter.stop();
    meter.print(QStringLiteral("drop %1 files the old way (all on the GUI thread)").arg(files.size()));
}

// With TARNIX_STALL_WHY set, names every event that held the loop longer than a stall, so a gap
// in the table can be traced to its receiver.
class TracingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        // Every thread's events pass here; only the GUI thread's loop is measured.
        if (!tracing || depth > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        ++depth;
        QElapsedTimer held;
        held.start();
        const bool result = QApplication::notify(receiver, event);
        --depth;
        if (held.elapsed() > stallMs)
            std::printf("    held %lld ms: event %d to %s \"%s\"\n", held.elapsed(), int(event->type()),
                        receiver->metaObject()->className(), qPrintable(receiver->objectName()));
        return result;
    }

private:
    const bool tracing = qEnvironmentVariableIsSet("TARNIX_STALL_WHY");
    int depth = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    TracingApplication app(argc, argv);
    QStringList clips;
    QStringList dropped;
    QStringList *into = nullptr;
    for (const QString &argument : app.arguments().mid(1)) {
        if (argument == QLatin1String("--run"))
            into = &clips;
        else if (argument == QLatin1String("--drop"))
            into = &dropped;
        else if (into)
            into->append(argument);
    }
    // TARNIX_THUMBNAILS=player takes the rows' pictures by players alone, to compare the two ways.
    if (qgetenv("TARNIX_THUMBNAILS") == "player")
        ThumbnailQueue::instance()->setWay(ThumbnailQueue::Way::Player);
    // As the program does at start-up.
    MediaBackend::load();
    std::printf("%-44s %8s %8s %8s %9s\n", "scene", "max ms", "p99 ms", ">50 ms", "wall ms");
    for (const QString &clip : std::as_const(clips)) {
        runClip(clip, ScanMode::Playback);
        runClip(clip, ScanMode::Fast);
    }
    if (!dropped.isEmpty()) {
        touch(dropped);
        checkOnly(dropped);
        // The first task of the process loads the recogniser's model; later ones find it loaded.
        touch(dropped);
        dropOnPage(dropped, "first");
        touch(dropped);
        dropOnPage(dropped, "again");
        touch(dropped);
        checkOnGuiThread(dropped);
    }
    return 0;
}
