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

    explicit VideoImportCheck(QObject *parent = nullptr);
    ~VideoImportCheck() override;

    void start(const QStringList &paths);
    bool isRunning() const { return running; }
    // What a file is; safe on any thread.
    static Verdict check(const QString &path);

signals:
    void videoFound(const QString &path);
    // The files that are not videos, in the order given.
    void finished(const QStringList &rejected);

private:
    void reportSoon();
    void reportReady();

    QStringList paths;
    QStringList rejected;
    int reported = 0;
    bool running = false;
    bool reportAsked = false;
    QFutureWatcher<Verdict> watcher;
};
