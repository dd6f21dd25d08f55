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
    auto band = std::make_shared<QRect>();
    QThread *thread = QThread::create([videoPath, fromMs, toMs, cropPicture, band] {
        *band = SubtitleAreaDetector::detect(videoPath, fromMs, toMs, cropPicture).value_or(QRect());
    });
    connect(thread, &QThread::finished, this, [this, band] {
        running = false;
        emit finished(*band);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
