#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>

// Checks dropped or chosen files off the GUI thread and reports them in the order given, each as
// soon as it and every file before it are known. Folders and missing paths are passed over.
class VideoImportCheck : public QObject
{
    Q_OBJECT
public:
    enum class Verdict { NotAFile, Video, NotAVideo };
    // Why a file is not a video, as the command line tells it.
    enum class Reason { None, Unreadable, NoVideoStream, UnsupportedCodec, StillPicture, NoDuration };

    explicit VideoImportCheck(QObject *parent = nullptr);
    ~VideoImportCheck() override;

    void start(const QStringList &paths);
    bool isRunning() const { return running; }
    // What a file is, and why it is not a video; safe on any thread.
    static Verdict check(const QString &path, Reason *why = nullptr);
    // The paths of `paths` that are in `known` or earlier in `paths` itself, in order.
    static QStringList repeatedPaths(const QStringList &paths, const QStringList &known);
    // `paths` without those.
    static QStringList withoutRepeats(const QStringList &paths, const QStringList &known);
    // "PATH: not a playable video (REASON)", translated.
    static QString refusalText(const QString &path, Reason why);

signals:
    void videoFound(const QString &path);
    // The files that are not videos, in the order given, each with its reason.
    void finished(const QStringList &rejected, const QList<VideoImportCheck::Reason> &reasons);

private:
    struct Checked
    {
        Verdict verdict = Verdict::NotAFile;
        Reason why = Reason::None;
    };
    static Checked examine(const QString &path);
    void reportSoon();
    void reportReady();

    QStringList paths;
    QStringList rejected;
    QList<Reason> reasons;
    int reported = 0;
    bool running = false;
    bool reportAsked = false;
    QFutureWatcher<Checked> watcher;
};
