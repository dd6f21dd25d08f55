#include "videoimportcheck.h"

#include "core/workpool.h"
#include "media/mediaprobe.h"

#include <QFileInfo>
#include <QSet>

#include <utility>
#include <QtConcurrent/QtConcurrentMap>

VideoImportCheck::VideoImportCheck(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcher<Checked>::resultReadyAt, this, &VideoImportCheck::reportSoon);
    connect(&watcher, &QFutureWatcher<Checked>::finished, this, &VideoImportCheck::reportSoon);
}

VideoImportCheck::~VideoImportCheck()
{
    // The files still queued are not wanted; the one being probed is let finish.
    watcher.cancel();
    watcher.waitForFinished();
}

VideoImportCheck::Checked VideoImportCheck::examine(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {};
    // The container answers at once; a player would take seconds to give up on an audio file.
    const MediaFacts facts = MediaProbe::probe(path);
    switch (facts.verdict) {
    case MediaFacts::Playable:
        break;
    case MediaFacts::Unreadable:
        return {Verdict::NotAVideo, Reason::Unreadable};
    case MediaFacts::NoVideoStream:
        return {Verdict::NotAVideo, Reason::NoVideoStream};
    case MediaFacts::UnsupportedCodec:
        return {Verdict::NotAVideo, Reason::UnsupportedCodec};
    case MediaFacts::StillPicture:
        return {Verdict::NotAVideo, Reason::StillPicture};
    }
    if (facts.durationMs <= 0)
        return {Verdict::NotAVideo, Reason::NoDuration};
    return {Verdict::Video, Reason::None};
}

VideoImportCheck::Verdict VideoImportCheck::check(const QString &path, Reason *why)
{
    const Checked checked = examine(path);
    if (why)
        *why = checked.why;
    return checked.verdict;
}

namespace {

// Split into the first time each file is named and the times it comes again.
std::pair<QStringList, QStringList> splitRepeats(const QStringList &paths, const QStringList &known)
{
    QSet<QString> seen;
    for (const QString &path : known)
        seen.insert(QFileInfo(path).absoluteFilePath());
    QStringList first;
    QStringList again;
    for (const QString &path : paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        (seen.contains(absolute) ? again : first).append(path);
        seen.insert(absolute);
    }
    return {first, again};
}

} // namespace

QStringList VideoImportCheck::repeatedPaths(const QStringList &paths, const QStringList &known)
{
    return splitRepeats(paths, known).second;
}

QStringList VideoImportCheck::withoutRepeats(const QStringList &paths, const QStringList &known)
{
    return splitRepeats(paths, known).first;
}

QString VideoImportCheck::refusalText(const QString &path, Reason why)
{
    QString reason;
    switch (why) {
    case Reason::None:
    case Reason::Unreadable:
        reason = tr("不是可读取的视频文件");
        break;
    case Reason::NoVideoStream:
        reason = tr("文件中没有视频流");
        break;
    case Reason::UnsupportedCodec:
        reason = tr("视频的编码无法解码");
        break;
    case Reason::StillPicture:
        reason = tr("文件是一张静止的图片");
        break;
    case Reason::NoDuration:
        reason = tr("文件没有给出时长");
        break;
    }
    return tr("%1：不是可播放的视频（%2）").arg(path, reason);
}

void VideoImportCheck::start(const QStringList &files)
{
    paths = files;
    rejected.clear();
    reasons.clear();
    reported = 0;
    running = true;
    watcher.setFuture(QtConcurrent::mapped(WorkPool::instance(), paths, &VideoImportCheck::examine));
}

// Results that came while the GUI thread was busy each bring a signal of their own; answered at
// once, one pass of the loop would make a row for each of them (25 rows held it 70 ms). They only
// ask for the next pass, which hands on one video.
void VideoImportCheck::reportSoon()
{
    if (reportAsked)
        return;
    reportAsked = true;
    QMetaObject::invokeMethod(this, &VideoImportCheck::reportReady, Qt::QueuedConnection);
}

// Results arrive in any order; hand them on in the order given, one video per pass of the event
// loop, since each becomes a row and a task.
void VideoImportCheck::reportReady()
{
    reportAsked = false;
    if (!running)
        return;
    const QFuture<Checked> future = watcher.future();
    while (reported < paths.size() && future.isResultReadyAt(reported)) {
        const QString &path = paths.at(reported);
        const Checked checked = future.resultAt(reported++);
        if (checked.verdict == Verdict::NotAVideo) {
            rejected.append(path);
            reasons.append(checked.why);
        }
        if (checked.verdict != Verdict::Video)
            continue;
        emit videoFound(path);
        // What is known already goes on in the next pass; the rest comes with its own signal.
        if (reported == paths.size() || future.isResultReadyAt(reported))
            reportSoon();
        return;
    }
    if (reported == paths.size() || watcher.isFinished()) {
        running = false;
        emit finished(rejected, reasons);
    }
}
