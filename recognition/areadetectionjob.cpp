#include "areadetectionjob.h"

#include "subtitleareadetector.h"

#include <QThread>

#include <memory>

AreaDetectionJob::AreaDetectionJob(QObject *parent)
    : QObject(parent)
{
}

void AreaDetectionJob::start(const QString &videoPath, qint64 fromMs, qint64 toMs, const QSize &cropPicture)
{
    running = true;
    auto bands = std::make_shared<QList<QRect>>();
    QThread *thread = QThread::create([videoPath, fromMs, toMs, cropPicture, bands] {
        *bands = SubtitleAreaDetector::detectAll(videoPath, fromMs, toMs, cropPicture);
    });
    connect(thread, &QThread::finished, this, [this, bands] {
        running = false;
        found = *bands;
        emit finished(found.value(0));
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
