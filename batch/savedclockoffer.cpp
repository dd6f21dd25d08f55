#include "savedclockoffer.h"

#include "core/srtqtime.h"
#include "task/di_riror_adiriz.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

SavedClockOffer::SavedClockOffer(const QList<Di_riror_adiRIZ *> &tasks, QWidget *window)
    : QObject(window)
    , window(window)
{
    for (Di_riror_adiRIZ *task : tasks) {
        // A missing file is never probed; its times wait for the next opening.
        if (!task->restoredFromProject || !QFileInfo::exists(task->videoPath))
            continue;
        watched.append(task);
        ++waitingFor;
        // A task removed before its probe leaves the question unasked; the next opening asks.
        connect(task, &Di_riror_adiRIZ::mediaProbed, this, &SavedClockOffer::onProbed, Qt::SingleShotConnection);
    }
    if (waitingFor == 0)
        QTimer::singleShot(0, this, [this] { answer(false); });
}

void SavedClockOffer::onProbed()
{
    if (--waitingFor == 0)
        ask();
}

void SavedClockOffer::ask()
{
    int behind = 0;
    qint64 lead = 0;
    for (const QPointer<Di_riror_adiRIZ> &task : std::as_const(watched)) {
        if (task && task->savedClockLead() > 0) {
            ++behind;
            lead = std::max(lead, task->savedClockLead());
        }
    }
    if (behind == 0 || !window) {
        answer(false);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, tr("字幕时间"),
                                tr("本工程有 %n 个任务的时间按视频自身的时钟保存，比播放器显示的最多晚 %1。"
                                   "要把这些字幕移到播放器的时间吗？",
                                   nullptr, behind)
                                    .arg(SRTQTime::clockText(lead)),
                                QMessageBox::Yes | QMessageBox::No, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] { answer(box->clickedButton() == box->button(QMessageBox::Yes)); });
    box->open();
}

void SavedClockOffer::answer(bool move)
{
    for (const QPointer<Di_riror_adiRIZ> &task : std::as_const(watched)) {
        if (!task)
            continue;
        if (move)
            task->shiftToPlayerTimes();
        else
            task->keepSavedTimes();
    }
    emit settled(move);
    deleteLater();
}
