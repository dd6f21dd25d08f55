#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

// Runs the subtitle area detector on a worker thread, so the window that asked keeps answering.
class AreaDetectionJob : public QObject
{
    Q_OBJECT
public:
    explicit AreaDetectionJob(QObject *parent = nullptr);

    // `finished` comes back on this object's thread; nothing comes if it is deleted first. The band
    // is in the pixels of the caller's picture, of size `cropPicture` (SubtitleAreaDetector::detect).
    void start(const QString &videoPath, qint64 fromMs, qint64 toMs, const QSize &cropPicture);
    bool isRunning() const { return running; }
    // Every band the last run found (SubtitleAreaDetector::detectAll), the busiest first; valid
    // from `finished` on.
    const QList<QRect> &bands() const { return found; }

signals:
    // The band in video pixels; a null rectangle when no subtitles were found.
    void finished(const QRect &band);

private:
    bool running = false;
    QList<QRect> found;
};
