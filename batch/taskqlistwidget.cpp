#include "taskqlistwidget.h"

#include "platform/platform.h"
#include "recognition/areadetectionjob.h"
#include "task/di_riror_adiriz.h"
#include "core/textfilewriter.h"
#include "task/subtitleformat.h"
#include "exportplanner.h"
#include "filedialogs.h"
#include "taskcustomitem.h"
#include "tasklistobj.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>

#include <algorithm>

TaskQListWidget::TaskQListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &TaskQListWidget::showContextMenu);
}

void TaskQListWidget::setTaskList(TaskListOBJ *list)
{
    taskList = list;
}

void TaskQListWidget::setRememberedRow(int row)
{
    remembered = row;
}

TaskCustomItem *TaskQListWidget::rowWidget(int row) const
{
    return qobject_cast<TaskCustomItem *>(itemWidget(item(row)));
}

void TaskQListWidget::rebuildRows()
{
    const QList<Di_riror_adiRIZ *> tasks = taskList ? taskList->taskList() : QList<Di_riror_adiRIZ *>();
    clear();
    for (int i = 0; i < tasks.size(); ++i)
        addRow(tasks.at(i), i);
    setCurrentRow(remembered >= 0 && remembered < count() ? remembered : -1);
    update();
}

void TaskQListWidget::addMissingRows()
{
    const QList<Di_riror_adiRIZ *> tasks = taskList ? taskList->taskList() : QList<Di_riror_adiRIZ *>();
    for (int i = count(); i < tasks.size(); ++i)
        addRow(tasks.at(i), i);
}

void TaskQListWidget::addRow(Di_riror_adiRIZ *task, int index)
{
    auto *row = new TaskCustomItem(task, index);
    connect(row, &TaskCustomItem::editpushButt, this, [this, index] { emit editpushButt(index); });
    auto *item = new QListWidgetItem;
    item->setSizeHint(row->size());
    addItem(item);
    setItemWidget(item, row);
}

void TaskQListWidget::refreshRows()
{
    for (int i = 0; i < count(); ++i) {
        if (TaskCustomItem *row = rowWidget(i))
            row->refresh();
    }
}

QList<int> TaskQListWidget::selectedRows() const
{
    QList<int> rows;
    for (const QListWidgetItem *item : selectedItems())
        rows.append(row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TaskQListWidget::refuseWhileRunning()
{
    if (!taskList || !taskList->isRunning())
        return false;
    QMessageBox::warning(this, tr("警告"), tr("任务正在识别，请先停止后再删除或重置任务"));
    return true;
}

QMenu *TaskQListWidget::createContextMenu()
{
    if (selectedItems().isEmpty())
        return nullptr;
    auto *menu = new QMenu(this);
    menu->addAction(tr("显示源文件"), this, [this] { revealSelected(0); });
    menu->addAction(tr("显示输出文件"), this, [this] { revealSelected(1); });
    menu->addSeparator();
    menu->addAction(tr("打开编辑器"), this, [this] {
        const QList<int> rows = selectedRows();
        if (!rows.isEmpty())
            emit editpushButt(rows.first());
    });
    menu->addSeparator();
    menu->addAction(tr("检测字幕区域"), this, &TaskQListWidget::detectAreaSelected);
    menu->addSeparator();
    menu->addAction(tr("重置"), this, [this] { resetSelected(0); });
    menu->addAction(tr("仅重置状态"), this, [this] { resetSelected(1); });
    menu->addSeparator();
    menu->addAction(tr("导出srt字幕"), this, [this] { exportSelected(SubtitleFormat::Srt); });
    menu->addAction(tr("导出txt文本"), this, [this] { exportSelected(SubtitleFormat::Txt); });
    menu->addAction(tr("导出vtt字幕"), this, [this] { exportSelected(SubtitleFormat::Vtt); });
    menu->addAction(tr("导出ass字幕"), this, [this] { exportSelected(SubtitleFormat::Ass); });
    menu->addAction(tr("导出json"), this, [this] { exportSelected(SubtitleFormat::Json); });
    QAction *stream = menu->addAction(tr("导出内嵌文字字幕"), this, &TaskQListWidget::exportTextStream);
    const QList<int> rows = selectedRows();
    stream->setEnabled(rowWidget(rows.first()) && rowWidget(rows.first())->task()
                       && !rowWidget(rows.first())->task()->textStreams.isEmpty());
    menu->addSeparator();
    menu->addAction(tr("删除"), this, &TaskQListWidget::deleteSelected);
    return menu;
}

void TaskQListWidget::showContextMenu(const QPoint &position)
{
    QMenu *menu = createContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(viewport()->mapToGlobal(position));
}

QStringList TaskQListWidget::pathsToReveal(int which) const
{
    QStringList paths;
    for (int rowIndex : selectedRows()) {
        const TaskCustomItem *row = rowWidget(rowIndex);
        if (row && row->task())
            paths.append(which == 0 ? row->task()->videoPath : row->task()->exportPath);
    }
    return paths;
}

void TaskQListWidget::revealSelected(int which)
{
    for (const QString &path : pathsToReveal(which))
        revealFile(path);
}

void TaskQListWidget::resetSelected(int mode)
{
    if (refuseWhileRunning())
        return;
    for (int rowIndex : selectedRows()) {
        const TaskCustomItem *row = rowWidget(rowIndex);
        if (!row || !row->task())
            continue;
        if (mode == 0)
            row->task()->resetTask();
        else
            row->task()->makeReady();
        refreshRows();
    }
}

void TaskQListWidget::exportSelected(SubtitleFormat format)
{
    const QList<int> rows = selectedRows();
    const TaskCustomItem *row = rows.isEmpty() ? nullptr : rowWidget(rows.first());
    if (!row || !row->task())
        return;
    const QString text = ExportPlanner::textOf(*row->task(), format);
    const QString extension = ExportPlanner::extension(format);
    const QString path = askExportPath(row->task()->videoPath, extension, ExportPlanner::fileFilter(format));
    if (path.isEmpty())
        return;
    QString error;
    QStringList failed;
    if (!TextFileWriter::write(path, text, &error))
        failed.append(QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
    else
        failed = ExportPlanner::writeAreaFiles(*row->task(), format, path);
    if (!failed.isEmpty())
        QMessageBox::warning(this, tr("导出失败"), failed.join(QLatin1Char('\n')));
}

// VIDEO.EXT beside the video is suggested, as the command line writes it; a name typed without an
// extension gets the format's.
QString TaskQListWidget::askExportPath(const QString &videoPath, const QString &extension, const QString &filter)
{
    const QFileInfo video(videoPath);
    const QString suggested = video.absoluteDir().filePath(video.completeBaseName() + QLatin1Char('.') + extension);
    QString path = FileDialogs::saveFile(this, tr("保存%1文件").arg(extension), suggested, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        path += QLatin1Char('.') + extension;
    return path;
}

// The stream in the task's language (or the first) as the video carries it, without reading the
// picture; MP4's timed text, which has no file of its own, goes out as SubRip.
void TaskQListWidget::exportTextStream()
{
    const QList<int> rows = selectedRows();
    const Di_riror_adiRIZ *task = rows.isEmpty() || !rowWidget(rows.first()) ? nullptr : rowWidget(rows.first())->task();
    if (!task || task->textStreams.isEmpty())
        return;
    const SubtitleStream stream =
        SubtitleStreams::inLanguage(task->textStreams, task->languages.value(0)).value_or(task->textStreams.first());
    const QString own = SubtitleStreams::ownExtension(stream);
    const QString extension = own.isEmpty() ? SubtitleFormats::extension(SubtitleFormat::Srt) : own;
    const QString path = askExportPath(task->videoPath, extension, QStringLiteral("Files (*.%1)").arg(extension));
    if (path.isEmpty())
        return;
    const std::optional<QByteArray> bytes = SubtitleFormats::streamFile(
        task->videoPath, stream, SubtitleFormats::fromExtension(extension).value_or(SubtitleFormat::Srt));
    QSaveFile file(path);
    if (bytes && file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size() && file.commit())
        return;
    QMessageBox::warning(this, tr("导出失败"),
                         QDir::toNativeSeparators(path) + QLatin1Char('\n') + (bytes ? file.errorString() : stream.codec));
}

void TaskQListWidget::detectAreaSelected()
{
    for (int rowIndex : selectedRows()) {
        const TaskCustomItem *row = rowWidget(rowIndex);
        if (!row || !row->task())
            continue;
        QPointer<Di_riror_adiRIZ> task = row->task();
        auto *job = new AreaDetectionJob(this);
        connect(job, &AreaDetectionJob::finished, this, [this, job, task](const QRect &band) {
            job->deleteLater();
            if (!task)
                return;
            if (band.isNull()) {
                auto *box = new QMessageBox(QMessageBox::Information, tr("检测字幕区域"),
                                            task->videoFileName + QLatin1Char('\n') + tr("没有找到字幕区域"),
                                            QMessageBox::Ok, this);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
                return;
            }
            task->setFoundArea(band);
            refreshRows();
            emit areaDetected(task);
        });
        job->start(task->videoPath, task->timeRange_in, task->timeRange_out, task->videoResolution());
    }
}

void TaskQListWidget::deleteSelected()
{
    if (!taskList || selectedItems().isEmpty() || refuseWhileRunning())
        return;
    QList<QPointer<Di_riror_adiRIZ>> chosen;
    bool withResults = false;
    for (int rowIndex : selectedRows()) {
        const TaskCustomItem *row = rowWidget(rowIndex);
        if (!row || !row->task())
            continue;
        chosen.append(row->task());
        withResults = withResults || !row->task()->entries.isEmpty() || !row->task()->samples.isEmpty();
    }
    if (!withResults) {
        removeTasks(chosen);
        return;
    }
    // Nothing can bring a result back once its task is gone.
    auto *box = new QMessageBox(QMessageBox::Warning, tr("删除任务"), tr("选中的任务中有识别结果，删除后无法恢复。是否删除？"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, chosen](int answer) {
        if (answer == QMessageBox::Yes && !refuseWhileRunning())
            removeTasks(chosen);
    });
    box->open();
}

void TaskQListWidget::removeTasks(const QList<QPointer<Di_riror_adiRIZ>> &chosen)
{
    for (auto it = chosen.crbegin(); it != chosen.crend(); ++it) {
        const int tag = *it ? int(taskList->taskList().indexOf(it->data())) : -1;
        if (tag < 0)
            continue;
        taskList->removeTask(tag);
        emit delitemSig(tag);
        remembered = tag;
    }
    rebuildRows();
}
