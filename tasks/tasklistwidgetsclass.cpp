#include "tasklistwidgetsclass.h"

#include "ui_tasklistwidgetsclass.h"

#include "platform/appconstants.h"
#include "platform/platform.h"
#include "editor/videoqtwidgets.h"
#include "recognition/di_riror_adiriz.h"
#include "tasks/exportplanner.h"
#include "tasks/filedialogs.h"
#include "tasks/projectfile.h"
#include "tasks/tasklistobj.h"
#include "tasks/videoimportcheck.h"

#include <QDebug>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_WIN
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {

const QString projectFilter = QStringLiteral("Files (*.wtarnix)");
constexpr int refreshDelayMs = 2000;
constexpr int savedNoticeMs = 2000;

QSettings appSettings()
{
    return QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
}

bool isWritableEntry(const QString &path)
{
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
#endif
    const bool writable = !path.isEmpty() && QFileInfo(path).isWritable();
#ifdef Q_OS_WIN
    --qt_ntfs_permission_lookup;
#endif
    return writable;
}

QStringList localPaths(const QMimeData *mime)
{
    QStringList paths;
    for (const QUrl &url : mime->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

QString linesOf(const QStringList &items)
{
    QString text;
    for (const QString &item : items)
        text += item + QLatin1Char('\n');
    return text;
}

} // namespace

TaskListWidgetsClass::TaskListWidgetsClass(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TaskListWidgetsClassClass>())
{
    ui->setupUi(this);
    loadOutputDir();

    tasks = new TaskListOBJ(this);
    ui->listWidget->setTaskList(tasks);
    ui->listWidget->rebuildRows();

    connectWidgets();

    ui->Cancel_pIndicator->setColor(Qt::gray);
    ui->Cancel_pIndicator->startAnimation();
    ui->Cancel_pIndicator->hide();

    setAcceptDrops(true);
    ui->listWidget->setAcceptDrops(true);
    ui->listWidget->viewport()->setAcceptDrops(true);
    ui->listWidget->viewport()->installEventFilter(this);

    showListOrDropZone();
}

TaskListWidgetsClass::~TaskListWidgetsClass() = default;

void TaskListWidgetsClass::connectWidgets()
{
    TaskQListWidget *list = ui->listWidget;
    connect(list, &TaskQListWidget::editpushButt, this, &TaskListWidgetsClass::openEditor);
    connect(ui->addpushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::askForVideos);
    connect(ui->delpushButton, &QPushButton::clicked, list, &TaskQListWidget::deleteSelected);
    connect(ui->toallsrt_pushButton, &QPushButton::clicked, this, [this] { exportAll(ExportPlanner::Srt); });
    connect(ui->toalltxt_pushButton, &QPushButton::clicked, this, [this] { exportAll(ExportPlanner::Txt); });
    auto *more = new QMenu(ui->toallmore_pushButton);
    more->addAction(QStringLiteral("WebVTT (.vtt)"), this, [this] { exportAll(ExportPlanner::Vtt); });
    more->addAction(QStringLiteral("ASS (.ass)"), this, [this] { exportAll(ExportPlanner::Ass); });
    more->addAction(QStringLiteral("JSON (.json)"), this, [this] { exportAll(ExportPlanner::Json); });
    ui->toallmore_pushButton->setMenu(more);
    connect(ui->runpushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::start);
    connect(ui->stoppushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::stop);
    connect(ui->saveproject_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::saveProject);
    connect(ui->openproject_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::openProject);
    connect(this, &TaskListWidgetsClass::runSig, tasks, &TaskListOBJ::runAll);
    connect(this, &TaskListWidgetsClass::stopSig, tasks, &TaskListOBJ::requestStop);
    connect(tasks, &TaskListOBJ::progress_updataSig, list, &TaskQListWidget::refreshRows);
    connect(tasks, &TaskListOBJ::completedSig, this, &TaskListWidgetsClass::onBatchCompleted);
    connect(list, &TaskQListWidget::delitemSig, this, &TaskListWidgetsClass::showListOrDropZone);
    connect(ui->drag_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::askForVideos);
}

void TaskListWidgetsClass::loadOutputDir()
{
    const QString stored = appSettings().value(QLatin1String(AppConstants::outputPathKey)).toString();
    if (isWritableEntry(stored)) {
        outputDir = stored;
        return;
    }
    outputDir = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + QStringLiteral("/tarnix");
    QDir().mkpath(outputDir);
}

void TaskListWidgetsClass::saveOutputDir()
{
    appSettings().setValue(QLatin1String(AppConstants::outputPathKey), outputDir);
}

void TaskListWidgetsClass::showListOrDropZone()
{
    const bool empty = tasks->tasks.isEmpty();
    ui->listWidget->setVisible(!empty);
    ui->Drag_ui_widget->setVisible(empty);
}

void TaskListWidgetsClass::refreshRowsLater()
{
    QTimer::singleShot(refreshDelayMs, ui->listWidget, &TaskQListWidget::refreshRows);
}

bool TaskListWidgetsClass::refuseWhileRunning()
{
    if (!running && !tasks->isRunning())
        return false;
    QMessageBox::warning(this, tr("警告"), tr("任务正在识别，请先停止再打开工程"));
    return true;
}

void TaskListWidgetsClass::askForVideos()
{
    const QStringList paths = FileDialogs::openFiles(this, tr("选择视频文件"), FileDialogs::moviesDirectory());
    if (!paths.isEmpty())
        importFiles(paths);
}

void TaskListWidgetsClass::importFiles(const QStringList &paths)
{
    pendingImports.append(paths);
    if (!isImporting())
        startNextImport();
}

bool TaskListWidgetsClass::isImporting() const
{
    return importCheck && importCheck->isRunning();
}

void TaskListWidgetsClass::startNextImport()
{
    if (isImporting())
        return;
    if (pendingImports.isEmpty()) {
        emit importFinished();
        return;
    }
    if (!importCheck) {
        importCheck = new VideoImportCheck(this);
        connect(importCheck, &VideoImportCheck::videoFound, this, &TaskListWidgetsClass::addImportedVideo);
        connect(importCheck, &VideoImportCheck::finished, this, &TaskListWidgetsClass::onImportChecked);
    }
    importCheck->start(pendingImports.takeFirst());
}

void TaskListWidgetsClass::addImportedVideo(const QString &path)
{
    tasks->addTask(QUrl::fromLocalFile(path));
    ui->listWidget->addMissingRows();
    showListOrDropZone();
}

void TaskListWidgetsClass::onImportChecked(const QStringList &rejected, const QList<VideoImportCheck::Reason> &reasons)
{
    ui->listWidget->setRememberedRow(int(tasks->tasks.size()) - 1);
    ui->listWidget->setCurrentRow(int(tasks->tasks.size()) - 1);
    refreshRowsLater();
    showListOrDropZone();
    // The box waits for the user; the next import goes on meanwhile.
    if (!rejected.isEmpty()) {
        QStringList refusals;
        for (qsizetype i = 0; i < rejected.size(); ++i)
            refusals.append(VideoImportCheck::refusalText(QDir::toNativeSeparators(rejected.at(i)), reasons.value(i)));
        auto *box = new QMessageBox(QMessageBox::Warning, tr("以下文件不能导入"), linesOf(refusals), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    QMetaObject::invokeMethod(this, &TaskListWidgetsClass::startNextImport, Qt::QueuedConnection);
}

void TaskListWidgetsClass::start()
{
    if (running)
        return;
    running = true;
    batchTasks.clear();
    for (Di_riror_adiRIZ *task : tasks->taskList()) {
        if (TaskListOBJ::canRun(task))
            batchTasks.append(task);
    }
    ui->batchSummary_label->clear();
    ui->batchSummary_label->setToolTip(QString());
    emit runSig();
}

void TaskListWidgetsClass::stop()
{
    if (!running)
        return;
    emit stopSig();
    ui->Cancel_pIndicator->show();
}

void TaskListWidgetsClass::onBatchCompleted()
{
    ui->listWidget->refreshRows();
    running = false;
    ui->Cancel_pIndicator->hide();
    showBatchSummary();
}

// One line under the list when something went wrong, the tasks and their texts in its tooltip;
// a batch that went well, or was only stopped, says nothing.
void TaskListWidgetsClass::showBatchSummary()
{
    int failed = 0;
    int warned = 0;
    QStringList details;
    for (const QPointer<Di_riror_adiRIZ> &task : std::as_const(batchTasks)) {
        if (!task || task->errorText.isEmpty() || task->state == Cancelled)
            continue;
        // A task refused at its start (its language, say) stays Ready with the reason.
        if (task->state == Failed || task->state == Ready)
            ++failed;
        else
            ++warned;
        details.append(task->videoFileName + QStringLiteral(": ") + task->errorText);
    }
    batchTasks.clear();
    if (failed == 0 && warned == 0)
        return;
    ui->batchSummary_label->setText(tr("识别结束：%1 个任务失败，%2 个任务有警告").arg(failed).arg(warned));
    ui->batchSummary_label->setToolTip(details.join(QLatin1Char('\n')));
}

void TaskListWidgetsClass::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_S && event->modifiers() == Qt::ControlModifier) {
        saveProject();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        ui->listWidget->deleteSelected();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TaskListWidgetsClass::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TaskListWidgetsClass::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TaskListWidgetsClass::dropEvent(QDropEvent *event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    importFiles(paths);
}

bool TaskListWidgetsClass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->listWidget->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
            dragEnterEvent(static_cast<QDragEnterEvent *>(event));
            return true;
        case QEvent::DragMove:
            dragMoveEvent(static_cast<QDragMoveEvent *>(event));
            return true;
        case QEvent::Drop:
            dropEvent(static_cast<QDropEvent *>(event));
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TaskListWidgetsClass::exportAll(int format)
{
    const QString folder = FileDialogs::folder(this, tr("选择保存目录"), FileDialogs::moviesDirectory());
    if (folder.isEmpty())
        return;
    outputDir = QDir::fromNativeSeparators(folder);
    saveOutputDir();
    const ExportPlanner::Plan plan = ExportPlanner::plan(tasks->taskList(), outputDir, format);
    if (!plan.existing.isEmpty() && !confirmOverwrite(plan.existing))
        return;
    const ExportPlanner::Outcome outcome = ExportPlanner::write(plan, format);
    showExportStatistics(int(outcome.written.size()), plan.skipped + outcome.failed);
}

bool TaskListWidgetsClass::confirmOverwrite(const QStringList &existing)
{
    QMessageBox box(QMessageBox::Warning, tr("文件已经存在 是否覆盖"), linesOf(existing),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Ok)->setText(tr("覆盖"));
    box.button(QMessageBox::Cancel)->setText(tr("取消"));
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void TaskListWidgetsClass::showExportStatistics(int written, const QStringList &failures)
{
    QMessageBox box(QMessageBox::Information, tr("导出统计"), ExportPlanner::statisticsText(written, failures),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Ok)->setText(tr("显示输出文件夹"));
    box.button(QMessageBox::Cancel)->setText(tr("关闭"));
    box.setEscapeButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok)
        openFolder(outputDir);
}

void TaskListWidgetsClass::saveProject()
{
    if (tasks->tasks.isEmpty()
        && QMessageBox::warning(this, tr("警告"), tr("列表为空,是否继续保存"), QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No)
               != QMessageBox::Yes)
        return;
    QString path = projectPath;
    if (path.isNull()) {
        path = FileDialogs::saveFile(this, tr("保存工程"), QString(), projectFilter);
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".wtarnix");
    }
    QString error;
    if (!ProjectFile::save(path, *tasks, &error)) {
        QMessageBox::warning(this, tr("保存失败"), QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
        return;
    }
    projectPath = path;
    auto *notice = new QMessageBox(QMessageBox::Information, tr("保存成功"), path);
    notice->setStandardButtons(QMessageBox::NoButton);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->show();
    // A box without buttons refuses close(); hide it instead.
    QTimer::singleShot(savedNoticeMs, notice, [notice] {
        notice->hide();
        notice->deleteLater();
    });
}

void TaskListWidgetsClass::openProject()
{
    if (refuseWhileRunning())
        return;
    if (!tasks->tasks.isEmpty()
        && QMessageBox::warning(this, tr("警告"), tr("打开新项目，会覆盖当前项目。是否打开"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               != QMessageBox::Yes)
        return;
    const QString path = FileDialogs::openFile(this, tr("打开工程"), QString(), projectFilter);
    if (path.isEmpty())
        return;
    TaskListOBJ loaded;
    QString error;
    if (!ProjectFile::load(path, loaded, &error)) {
        QMessageBox::warning(this, tr("打开工程失败"), QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
        return;
    }
    if (quint16(loaded.projectVersion) != quint16(ProjectFile::formatVersion)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("工程版本和本软件版本不一致，可能打不开") + QLatin1Char('\n') + tr("工程版本号:")
                                 + QString::number(quint16(loaded.projectVersion)),
                             QMessageBox::Yes);
    }
    replaceBatchWith(loaded);
    projectPath = path;
}

void TaskListWidgetsClass::replaceBatchWith(TaskListOBJ &loaded)
{
    // Files still being checked belonged to the batch being replaced.
    pendingImports.clear();
    delete importCheck;
    importCheck = nullptr;
    while (!tasks->tasks.isEmpty())
        tasks->removeTask(int(tasks->tasks.size()) - 1);
    ui->listWidget->rebuildRows();
    const QList<Di_riror_adiRIZ *> restored = loaded.taskList();
    loaded.tasks.clear();
    for (Di_riror_adiRIZ *task : restored) {
        qDebug() << task->videoPath;
        if (!QFileInfo::exists(task->videoPath)) {
            qDebug() << "文件不存在";
            task->setFileMissing(true);
        }
        tasks->appendTask(task);
    }
    ui->listWidget->rebuildRows();
    showListOrDropZone();
    refreshRowsLater();
}

void TaskListWidgetsClass::openEditor(int tag)
{
    if (tag < 0 || tag >= tasks->tasks.size())
        return;
    auto *editor = new VideoQtWidgets();
    editor->loadTask(tasks->tasks.at(tag));
    editor->show();
    connect(editor, &VideoQtWidgets::closeSig, ui->listWidget, &TaskQListWidget::refreshRows);
}
