#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>

class QTimer;

// Grabs the middle frame of a video, scaled for a task row. Runs on the task's own thread.
class GetVideoThumbnail : public QObject
{
    Q_OBJECT
public:
    explicit GetVideoThumbnail(QObject *parent = nullptr);

    void setSourcePath(const QString &path) { source = path; }
    QString sourcePath() const { return source; }

    Q_INVOKABLE QPixmap getVideoThumbnail();
    // Grabs after a delay, on the grabber's own thread. The timer is the grabber's child, so a
    // grabber deleted before it fires (its thread stopped, another video opened) takes it along.
    Q_INVOKABLE void grabAfter(int delayMs);

    static constexpr int thumbnailWidth = 112;
    static constexpr int thumbnailHeight = 63;
    static constexpr int waitLimitMs = 5000;

signals:
    void outImageSig(QPixmap image);

private:
    QImage grabImage();
    QPixmap deliver(const QImage &image);

    QString source;
    QTimer *delay = nullptr;
};
