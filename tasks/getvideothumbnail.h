#pragma once

#include <QObject>
#include <QPixmap>
#include <QUrl>

// Grabs the middle frame of a video, scaled for a task row. Runs on the task's own thread.
class GetVideoThumbnail : public QObject
{
    Q_OBJECT
public:
    explicit GetVideoThumbnail(QObject *parent = nullptr);

    void setSource(const QUrl &url) { source = url; }
    QUrl sourceUrl() const { return source; }

    Q_INVOKABLE QPixmap getVideoThumbnail();

    static constexpr int thumbnailWidth = 112;
    static constexpr int thumbnailHeight = 63;
    static constexpr int waitLimitMs = 5000;

signals:
    void outImageSig(QPixmap image);

private:
    QUrl source;
};
