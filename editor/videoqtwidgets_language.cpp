// The editor's language lists and previews: the choice goes to the task at once, its engine loads
// on the pool, and a preview waits for it there rather than on the GUI thread.
#include "videoqtwidgets.h"
#include "editor/editorlog.h"

#include "ui_videoqtwidgets.h"

#include "core/workpool.h"
#include "ocr/sharedreader.h"
#include "ocr/textrecognizer.h"

#include <QDebug>
#include <QFutureWatcher>
#include <QGraphicsVideoItem>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QVideoFrame>
#include <QVideoSink>
#include <QtConcurrent>

#include <algorithm>
#include <utility>

void VideoQtWidgets::fillLanguages()
{
    TextRecognizer *recognizer = shownTask->textRecognizer();
    const QList<QStringList> available = recognizer->availableLanguages();
    const QString profile = recognizer->userProfileLanguage();
    const QString saved = shownTask->languages.isEmpty() ? QString() : shownTask->languages.first();

    const bool savedKnown = std::any_of(available.cbegin(), available.cend(),
                                        [&saved](const QStringList &entry) { return entry.value(0) == saved; });
    const bool warned = !saved.isEmpty() && !savedKnown;
    if (warned) {
        QMessageBox::warning(this, tr("error"), tr("系统没有知道已经保存的语言  请添加语言包"), QMessageBox::Ok);
    }

    int savedIndex = -1;
    int profileIndex = -1;
    for (const QStringList &entry : available) {
        const QString tag = entry.value(0);
        ui->LanguagescomboBox->addItem(entry.value(1, tag), tag);
        qCDebug(lcEditor) << tag;
        const int index = ui->LanguagescomboBox->count() - 1;
        if (savedIndex < 0 && !saved.isEmpty() && tag == saved)
            savedIndex = index;
        if (profileIndex < 0 && tag == profile)
            profileIndex = index;
    }

    if (savedIndex >= 0)
        ui->LanguagescomboBox->setCurrentIndex(savedIndex);
    else if (warned)
        ui->LanguagescomboBox->setCurrentIndex(ui->LanguagescomboBox->count() + 5); // no entry
    else
        ui->LanguagescomboBox->setCurrentIndex(profileIndex);
}

void VideoQtWidgets::fillSecondLanguages()
{
    const QString saved = shownTask->languages.value(1);
    QComboBox *box = ui->SecondLanguagecomboBox;
    box->addItem(tr("无第二语言"), QString());
    for (const QStringList &entry : shownTask->textRecognizer()->availableLanguages()) {
        box->addItem(entry.value(1, entry.value(0)), entry.value(0));
        if (!saved.isEmpty() && entry.value(0) == saved)
            box->setCurrentIndex(box->count() - 1);
    }
}

// The second list offers every language but the first. A second that is the first is read once
// (see applySelectedLanguage); it is not reset here, as the first list passes through other
// languages while it is filled.
void VideoQtWidgets::offerOtherSecondLanguages(const QString &first)
{
    QComboBox *box = ui->SecondLanguagecomboBox;
    auto *model = qobject_cast<QStandardItemModel *>(box->model());
    for (int i = 1; model && i < box->count(); ++i)
        model->item(i)->setEnabled(box->itemData(i).toString() != first);
}

void VideoQtWidgets::applySelectedLanguage()
{
    if (!shownTask)
        return;
    QString tag = ui->LanguagescomboBox->currentData().toString();
    offerOtherSecondLanguages(tag);
    const QString second = ui->SecondLanguagecomboBox->currentData().toString();
    if (!tag.isEmpty() && !second.isEmpty() && second != tag)
        tag += QLatin1Char('+') + second;
    // The engine loads on the pool; only what is known without loading is refused here.
    if (!shownTask->takeLanguage(tag))
        qCDebug(lcEditor) << "eorr" << shownTask->errorText;
    qCDebug(lcEditor) << "oooo" << tag;
}

void VideoQtWidgets::previewCurrentFrame()
{
    if (!shownTask || !videoItem)
        return;
    const QImage frame = videoItem->videoSink()->videoFrame().toImage();
    // The frame on screen now is read once the language's engine has loaded on the pool.
    if (!shownTask->prepareLanguage()) {
        framePendingPreview = frame;
        return;
    }
    framePendingPreview = QImage();
    showPreview(frame);
}

void VideoQtWidgets::onLanguageLoaded(bool taken)
{
    if (framePendingPreview.isNull() || !shownTask)
        return;
    if (!taken) {
        framePendingPreview = QImage();
        return;
    }
    if (shownTask->prepareLanguage())
        showPreview(std::exchange(framePendingPreview, QImage()));
}

void VideoQtWidgets::showPreview(QImage frame)
{
    if (previewReading) {
        framePendingRead = frame;
        return;
    }
    const QImage cut = shownTask->cropFrame(frame);
    const std::shared_ptr<SharedReader> reader = shownTask->textRecognizer()->reader();
    if (cut.width() == 0 || cut.height() == 0 || !reader) {
        // Nothing to read or nothing to read with: the task says why at once.
        QString text;
        QImage shown;
        if (shownTask->preview_ORC_V2(&frame, &text, &shown))
            showPreviewResult(text, shown);
        else
            qCDebug(lcEditor) << "erro: " << shownTask->errorText;
        return;
    }
    // Reading takes a PP-OCR engine a few hundred milliseconds: the pool reads, the editor goes on.
    // The job holds the engine and the picture, so closing the editor or the task meanwhile is safe.
    previewReading = true;
    auto *watcher = new QFutureWatcher<QStringList>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, cut] {
        watcher->deleteLater();
        previewReading = false;
        QString text;
        for (const QString &line : watcher->result())
            text += line + QLatin1Char('\n');
        showPreviewResult(text, cut);
        if (!framePendingRead.isNull() && shownTask)
            showPreview(std::exchange(framePendingRead, QImage()));
    });
    watcher->setFuture(QtConcurrent::run(WorkPool::instance(), [reader, cut] { return reader->read(cut); }));
}

void VideoQtWidgets::showPreviewResult(const QString &text, const QImage &cut)
{
    ui->Previewlabel->setText(text);
    const QImage onScreen = cut.scaled(cropReferenceRect().size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    ui->Previewmagelabel->setPixmap(QPixmap::fromImage(onScreen).scaled(
        ui->Previewmagelabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
