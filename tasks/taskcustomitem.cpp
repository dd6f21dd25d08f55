#include "taskcustomitem.h"

#include "ui_taskcustomitem.h"

#include "recognition/di_riror_adiriz.h"
#include "core/srtqtime.h"
#include "core/taskstate.h"
#include "tasks/filedialogs.h"
#include "tasks/statedot.h"

TaskCustomItem::TaskCustomItem(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TaskCustomItemClass>())
{
    ui->setupUi(this);
}

TaskCustomItem::TaskCustomItem(Di_riror_adiRIZ *task, int tag, QWidget *parent)
    : TaskCustomItem(parent)
{
    this->tag = tag;
    shownTask = task;
    refresh();
    connect(ui->editpushButt, &QPushButton::clicked, this, [this] { emit editpushButt(this->tag); });
    connect(task, &Di_riror_adiRIZ::loadThumbnail_ok, this, &TaskCustomItem::refresh);
    connect(ui->Relink_pushButton, &QPushButton::clicked, this, &TaskCustomItem::relink);
}

TaskCustomItem::~TaskCustomItem() = default;

Di_riror_adiRIZ *TaskCustomItem::task() const
{
    return shownTask;
}

void TaskCustomItem::refresh()
{
    if (!shownTask)
        return;
    const Di_riror_adiRIZ &task = *shownTask;
    ui->name_label->setText(task.videoFileName);
    ui->durationlabel->setText(SRTQTime::clockText(task.duration, SRTQTime::Form::Seconds));
    // A finished run's warning or a failure's reason, also when the run was on another machine
    // (tarnix-cli --collect); a task not yet run keeps no word of an earlier run.
    const bool ended = task.state == Done || task.state == Failed;
    const QString outcome = ended ? task.errorText : QString();
    ui->info_label->setText(outcome.isEmpty() ? task.summaryText() : task.summaryText() + outcome);
    ui->state_label->setToolTip(outcome);
    ui->Relink_pushButton->hide();
    ui->thumbnaillabel->setPixmap(task.thumbnailPixmap());
    ui->progressBar->hide();
    if (task.fileMissing) {
        ui->state_label->setText(tr("文件丢失"));
        ui->state_image_label->setPixmap(StateDot::pixmap(StateDot::Red));
        ui->Relink_pushButton->show();
        return;
    }
    showState(task.state);
}

void TaskCustomItem::showState(int state)
{
    const int dot = StateDot::forState(state);
    if (dot < 0)
        return;
    if (state == Running) {
        ui->progressBar->setValue(int(shownTask->progress * 100));
        ui->progressBar->show();
    }
    ui->state_label->setText(taskStateWord(state));
    ui->state_image_label->setPixmap(StateDot::pixmap(dot));
}

void TaskCustomItem::relink()
{
    if (!shownTask)
        return;
    const QString path = FileDialogs::openFile(this, tr("链接文件"), QString(), QStringLiteral("Files (*)"));
    if (path.isEmpty())
        return;
    shownTask->openVideo(path);
    shownTask->setFileMissing(false);
    refresh();
}
