#pragma once

#include <QImage>
#include <QObject>
#include <QString>

class QMediaPlayer;
class QTimer;
class QVideoSink;

// Grabs the middle frame of a video, scaled for a task row, on the thread the grabber lives in.
// Driven by the player's signals; outImageSig gives the picture, null when none could be had. The
// picture is a QImage: a pixmap may only be made on the GUI thread (and not at all while the
// application is being torn down), so the receiver makes it there.
class GetVideoThumbnail : public QObject
{
    Q_OBJECT
public:
    explicit GetVideoThumbnail(QObject *parent = nullptr);
    ~GetVideoThumbnail() override;

    void setSourcePath(const QString &path) { source = path; }
    QString sourcePath() const { return source; }

    // Starts a grab; a grab already under way is left to finish.
    Q_INVOKABLE void getVideoThumbnail();
    // Grabs after a delay. The timer is the grabber's child, so a grabber deleted before it fires
    // (its thread stopped, another video opened) takes it along.
    Q_INVOKABLE void grabAfter(int delayMs);

    static constexpr int thumbnailWidth = 112;
    static constexpr int thumbnailHeight = 63;
    // Longest wait for the video to load, and then for the frame.
    static constexpr int waitLimitMs = 5000;

signals:
    void outImageSig(QImage image);

private:
    void onStatus();
    void onLoaded();
    void onPosition();
    void onTimeLimit();
    void finish();

    QString source;
    QTimer *delay = nullptr;
    QTimer *limit = nullptr;
    QMediaPlayer *player = nullptr;
    QVideoSink *sink = nullptr;
    bool playing = false;
};
