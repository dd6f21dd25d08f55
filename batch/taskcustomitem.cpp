#include "taskcustomitem.h"

#include "ui_taskcustomitem.h"

#include "task/di_riror_adiriz.h"
#include "core/srtqtime.h"
#include "task/taskstate.h"
#include "filedialogs.h"
#include "statedot.h"

#include <QDir>
#include <QStyle>

namespace {

// The row's details are a few short lines; the whole text is in the tooltip.
constexpr int problemDetailWidth = 320;

} // namespace

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
    // The middle goes, so the start of the name and its extension stay; the whole path is the tooltip.
    ui->name_label->setText(
        ui->name_label->fontMetrics().elidedText(task.videoFileName, Qt::ElideMiddle, ui->name_label->maximumWidth()));
    ui->name_label->setToolTip(QDir::toNativeSeparators(task.videoPath));
    ui->durationlabel->setText(SRTQTime::clockText(task.duration, SRTQTime::Form::Seconds));
    ui->info_label->setText(detailsText(task));
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
    showProblem(task);
}

// In the words the editor uses, to the millisecond as the subtitles are timed.
QString TaskCustomItem::detailsText(const Di_riror_adiRIZ &task)
{
    using Form = SRTQTime::Form;
    const QRect &area = task.cropRect;
    QStringList lines{
        tr("时间范围：%1 - %2").arg(SRTQTime::clockText(task.timeRange_in, Form::Subtitle),
                                  SRTQTime::clockText(task.timeRange_out, Form::Subtitle)),
        tr("语言：%1").arg(task.languages.join(QLatin1Char('+'))),
        task.scanMode == ScanMode::Fast ? tr("快速扫描") : tr("识别间隔：%1").arg(task.Frame_rate, 0, 'f', 2),
        tr("字幕区域：%1,%2 %3×%4").arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height())};
    if (!task.otherAreas.isEmpty())
        lines.last() += tr("（共 %1 个区域，分别识别）").arg(task.otherAreas.size() + 1);
    QStringList streams;
    for (const SubtitleStream &stream : task.textStreams)
        streams.append(stream.language.isEmpty() ? stream.codec : stream.codec + QLatin1Char(' ') + stream.language);
    if (!streams.isEmpty())
        lines.append(tr("内含文字字幕：%1（可直接导出）").arg(streams.join(QStringLiteral(", "))));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// A task that failed, or finished with something to say (a file that ended early), says it on
// its row: icon and colour at the state, the text in the details and as the row's tooltip.
void TaskCustomItem::showProblem(const Di_riror_adiRIZ &task)
{
    // Also when the run was on another machine (tarnix-cli --collect); a task not yet run keeps
    // no word of an earlier run.
    const bool ended = task.state == TaskState::Done || task.state == TaskState::Failed;
    const QString problem = ended ? task.errorText : QString();
    for (QWidget *widget : {static_cast<QWidget *>(this), static_cast<QWidget *>(ui->state_label),
                            static_cast<QWidget *>(ui->state_image_label), static_cast<QWidget *>(ui->info_label)})
        widget->setToolTip(problem);
    ui->state_label->setStyleSheet(QString());
    if (problem.isEmpty())
        return;
    const bool failed = task.state == TaskState::Failed;
    const QIcon icon = style()->standardIcon(failed ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning);
    ui->state_image_label->setPixmap(icon.pixmap(StateDot::size + 6));
    const QColor colour = StateDot::colour(failed ? StateDot::Red : StateDot::Orange);
    ui->state_label->setStyleSheet(QStringLiteral("color: %1").arg(colour.name()));
    const QString line = (failed ? tr("错误：") : tr("警告：")) + problem;
    QString details = ui->info_label->text();
    if (!details.isEmpty() && !details.endsWith(QLatin1Char('\n')))
        details += QLatin1Char('\n');
    ui->info_label->setText(details + ui->info_label->fontMetrics().elidedText(line, Qt::ElideRight, problemDetailWidth));
}

void TaskCustomItem::showState(TaskState state)
{
    const int dot = StateDot::forState(state);
    if (dot < 0)
        return;
    if (state == TaskState::Running) {
        ui->progressBar->setValue(int(shownTask->progress * 100));
        ui->progressBar->show();
    }
    ui->state_label->setText(taskStateWord(state));
    ui->state_image_label->setPixmap(StateDot::pixmap(dot));
}

void TaskCustomItem::showTimeLeft(qint64 ms)
{
    ui->progressBar->setFormat(ms < 0 ? QStringLiteral("%p%")
                                      : tr("剩余 %1").arg(SRTQTime::clockText(ms, SRTQTime::Form::Seconds)));
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
