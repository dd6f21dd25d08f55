// What idle tasks cost: resident memory, threads and wall time for a batch imported from one clip
// and for the same batch reopened from a project file. One batch size per process, so every row
// starts from a clean process.
//   bench_tasks import N CLIP PROJECT   adds N tasks of CLIP, waits until they are loaded, saves PROJECT
//   bench_tasks reopen N PROJECT        opens PROJECT (written for the same N)
//   bench_tasks run N CLIP LANG         runs a batch of N tasks of CLIP (fast scan, area found by
//                                       itself) as the program does, and prints its wall time and
//                                       the peak resident memory of the process
//   bench_tasks window N CLIP LANG      the same in the program's main window, shown (offscreen
//                                       under QT_QPA_PLATFORM=offscreen): its rows, thumbnails and
//                                       progress count too
// Prints one line: mode, N, time to add or load, time until every task knows its media, resident
// memory and threads before, when loaded and once every thumbnail has arrived (or 120 s passed),
// and how many tasks knew their media by the end of the wait ("!" marks a wait that ran out).
#include "app/mainqtwidgetsclass.h"
#include "batch/tasklistwidgetsclass.h"
#include "platform/platform.h"
#include "task/di_riror_adiriz.h"
#include "batch/projectfile.h"
#include "batch/tasklistobj.h"
#include "recognition/subtitleareadetector.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

qint64 statusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

qint64 residentKb()
{
    return statusKb("VmRSS:");
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Runs the event loop until `done` holds or `limitMs` passes; false on the limit.
bool waitUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > limitMs)
            loop.quit();
    });
    poll.start(20);
    if (!done())
        loop.exec();
    return done();
}

int knowingTheirMedia(const TaskListOBJ &list)
{
    return int(std::count_if(list.taskList().cbegin(), list.taskList().cend(),
                             [](const Di_riror_adiRIZ *task) { return task->videoResolution().isValid(); }));
}

bool allHaveThumbnails(const TaskListOBJ &list)
{
    for (const Di_riror_adiRIZ *task : list.taskList())
        if (!task->thumbnailLoaded)
            return false;
    return true;
}

// Imports `count` tasks of `clip`, readies each for `language` over the band found in the clip and
// runs them as one batch.
int runBatch(TaskListOBJ &list, int count, const QString &clip, const QString &language, const char *mode)
{
    const qint64 rssBefore = residentKb();
    const QList<QRect> bands = SubtitleAreaDetector::detectAll(clip);
    if (bands.isEmpty()) {
        std::fprintf(stderr, "bench_tasks: no subtitle area in %s\n", qPrintable(clip));
        return 1;
    }
    for (int i = 0; i < count; ++i)
        list.addTask(QUrl::fromLocalFile(clip));
    waitUntil([&] { return knowingTheirMedia(list) == list.taskList().size(); }, 60000);
    for (Di_riror_adiRIZ *task : list.taskList()) {
        task->setCropRect(bands.first());
        task->setLanguage(language);
    }
    waitUntil([&] {
        return std::all_of(list.taskList().cbegin(), list.taskList().cend(),
                           [](const Di_riror_adiRIZ *task) { return task->state == TaskState::Ready; });
    }, 60000);
    QElapsedTimer clock;
    clock.start();
    bool completed = false;
    QObject::connect(&list, &TaskListOBJ::completedSig, [&completed] { completed = true; });
    list.runAll();
    waitUntil([&] { return completed; }, 4 * 3600 * 1000);
    const int done = int(std::count_if(list.taskList().cbegin(), list.taskList().cend(),
                                       [](const Di_riror_adiRIZ *task) { return task->state == TaskState::Done; }));
    std::printf("%-6s %4d %8lld ms %4d done, resident before %lld MB, peak %lld MB, after %lld MB\n", mode, count,
                clock.elapsed(), done, rssBefore / 1024, statusKb("VmHWM:") / 1024, residentKb() / 1024);
    std::fflush(stdout);
    list.deleteAll();
    return done == count ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && (args[1] == QLatin1String("run") || args[1] == QLatin1String("window"))) {
        // As the program and tarnix-cli do.
        returnLargeFreedBuffersPromptly();
        if (args[1] == QLatin1String("run")) {
            TaskListOBJ list;
            return runBatch(list, args[2].toInt(), args[3], args[4], "run");
        }
        MainQtWidgetsClass window;
        window.show();
        return runBatch(*window.taskPage()->taskList(), args[2].toInt(), args[3], args[4], "window");
    }
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_tasks import N CLIP PROJECT | reopen N PROJECT\n");
        return 2;
    }
    const bool import = args[1] == QLatin1String("import");
    const int count = args[2].toInt();
    // Settle what the first event loop starts (platform plugin, fonts) before the baseline.
    waitUntil([] { return false; }, 200);
    const qint64 rssBefore = residentKb();
    const int threadsBefore = threadCount();

    TaskListOBJ list;
    QElapsedTimer clock;
    clock.start();
    if (import) {
        for (int i = 0; i < count; ++i)
            list.addTask(QUrl::fromLocalFile(args[3]));
    } else {
        QString error;
        if (!ProjectFile::load(args[3], list, &error)) {
            std::fprintf(stderr, "bench_tasks: %s\n", qPrintable(error));
            return 1;
        }
    }
    const qint64 openedMs = clock.elapsed();
    // BENCH_TASKS_LIMIT_S bounds the wait for a batch whose media never all load.
    const int limitMs = qEnvironmentVariableIntValue("BENCH_TASKS_LIMIT_S") > 0
                            ? qEnvironmentVariableIntValue("BENCH_TASKS_LIMIT_S") * 1000
                            : 600000;
    const bool loaded = waitUntil([&] { return knowingTheirMedia(list) == list.taskList().size(); }, limitMs);
    const qint64 loadedMs = clock.elapsed();
    const qint64 rssLoaded = residentKb();
    const int threadsLoaded = threadCount();
    const int known = knowingTheirMedia(list);
    const bool thumbnails = waitUntil([&] { return allHaveThumbnails(list); }, std::min(limitMs, 120000));
    const qint64 thumbnailsMs = clock.elapsed();
    waitUntil([] { return false; }, 500);
    const qint64 rssIdle = residentKb();
    const int threadsIdle = threadCount();

    if (import && args.size() > 4 && !ProjectFile::save(args[4], list)) {
        std::fprintf(stderr, "bench_tasks: cannot write %s\n", qPrintable(args[4]));
        return 1;
    }
    std::printf("%-6s %4d %8lld %8lld%s %8lld%s %8lld %8lld %8lld %6d %6d %6d %6d\n", import ? "import" : "reopen",
                count, openedMs, loadedMs, loaded ? " " : "!", thumbnailsMs, thumbnails ? " " : "!", rssBefore / 1024,
                rssLoaded / 1024, rssIdle / 1024, threadsBefore, threadsLoaded, threadsIdle, known);
    std::fflush(stdout);
    list.deleteAll();
    return 0;
}
