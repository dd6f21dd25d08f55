// The editor's subtitle areas: the rectangles over the picture, the buttons that add, remove and
// choose the main one, and the detector that fills them; every change goes to the task at once.
#include "videoqtwidgets.h"
#include "editor/editorlog.h"

#include "ui_videoqtwidgets.h"

#include "editor/arearectangles.h"
#include "recognition/areadetectionjob.h"

#include <QDebug>
#include <QMessageBox>

CropItem *VideoQtWidgets::cropRectItem() const
{
    return areaRects ? areaRects->item(0) : nullptr;
}

QRect VideoQtWidgets::pictureReferenceRect() const
{
    return areaRects ? areaRects->pictureReference(0) : QRect();
}

QRect VideoQtWidgets::cropReferenceRect() const
{
    return areaRects ? areaRects->sceneReference(0) : QRect();
}

QList<CropItem *> VideoQtWidgets::areaItems() const
{
    QList<CropItem *> items;
    for (qsizetype i = 0; areaRects && i < areaRects->count(); ++i)
        items.append(areaRects->item(i));
    return items;
}

void VideoQtWidgets::storeAreas()
{
    enableAreaButtons();
    const QSize video = videoSize();
    // Without the frame size the mapping would store nonsense in the task.
    if (!shownTask || !video.isValid())
        return;
    QList<QRect> areas = areaRects->videoAreas(video);
    // Before placing, only the main rectangle is drawn: the task's other areas stay as they are.
    if (!areaRects->isPlaced())
        areas = QList<QRect>{areas.value(0)} + shownTask->otherAreas;
    shownTask->setAreas(areas);
    qCDebug(lcEditor) << "areas" << shownTask->areas();
}

void VideoQtWidgets::placeAreas()
{
    const QSize video = videoSize();
    if (!shownTask || !areaRects || !video.isValid())
        return; // placed when the frame size arrives
    areaRects->place(shownTask->areas(), video);
    enableAreaButtons();
}

void VideoQtWidgets::enableAreaButtons()
{
    const bool placed = areaRects && areaRects->isPlaced();
    ui->AddArea_pushButton->setEnabled(placed);
    ui->RemoveArea_pushButton->setEnabled(placed && areaRects->count() > 1);
    ui->MainArea_pushButton->setEnabled(placed && areaRects->current() > 0);
}

void VideoQtWidgets::addArea()
{
    const QSize video = videoSize();
    if (!shownTask || !areaRects || !video.isValid())
        return;
    // Signs and translations usually sit near the top: a band across the upper part of the frame.
    areaRects->add(QRect(0, video.height() / 20, video.width(), video.height() / 6));
}

void VideoQtWidgets::removeArea()
{
    if (areaRects)
        areaRects->removeCurrent();
}

void VideoQtWidgets::makeMainArea()
{
    if (areaRects)
        areaRects->makeCurrentMain();
}

void VideoQtWidgets::detectSubtitleArea()
{
    if (!shownTask || (areaJob && areaJob->isRunning()))
        return;
    if (!areaJob) {
        areaJob = new AreaDetectionJob(this);
        connect(areaJob, &AreaDetectionJob::finished, this, &VideoQtWidgets::onSubtitleAreaDetected);
    }
    ui->DetectArea_pushButton->setEnabled(false);
    areaJob->start(shownTask->videoPath, shownTask->timeRange_in, shownTask->timeRange_out, shownTask->videoResolution());
}

void VideoQtWidgets::onSubtitleAreaDetected(const QRect &band)
{
    ui->DetectArea_pushButton->setEnabled(true);
    if (!shownTask)
        return;
    if (band.isNull()) {
        auto *box = new QMessageBox(QMessageBox::Information, tr("检测字幕区域"), tr("没有找到字幕区域"),
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    const QList<QRect> bands = areaJob->bands();
    shownTask->setFoundAreas(bands.isEmpty() ? QList<QRect>{band} : bands);
    placeAreas();
    emit subtitleAreaPlaced(shownTask->cropRect);
}

void VideoQtWidgets::fitCropToPicture()
{
    if (areaRects)
        areaRects->fitToPicture();
}
