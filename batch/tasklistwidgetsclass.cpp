#include "tasklistwidgetsclass.h"

#include "ui_tasklistwidgetsclass.h"
#include "batchlog.h"

#include "core/workpool.h"
#include "editor/videoqtwidgets.h"
#include "task/di_riror_adiriz.h"
#include "areafinder.h"
#include "batchexport.h"
#include "batchstatusline.h"
#include "exportplanner.h"
#include "filedialogs.h"
#include "importqueue.h"
#include "projectfile.h"
#include "recoverycopy.h"
#include "savedclockoffer.h"
#include "tasklistobj.h"

#include <QDebug>
#include <QDir>
#include <QFutureWatcher>
#include <QtConcurrent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

namespace {

const QString projectFilter = QStringLiteral("Files (*.wtarnix)");
constexpr int refreshDelayMs = 2000;
constexpr int savedNoticeMs = 2000;

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

    tasks = new TaskListOBJ(this);
    exporter = new BatchExport(this);
    recovery = new RecoveryCopy(tasks, this);
    areaFinder = new AreaFinder(this);
    statusLine = new BatchStatusLine(ui->batchSummary_label);
    imports = new ImportQueue(this);
    imports->setKnownPaths([this] {
        QStringList paths;
        for (const Di_riror_adiRIZ *task : tasks->taskList())
            paths.append(task->videoPath);
        return paths;
    });
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

TaskListWidgetsClass::~TaskListWidgetsClass()
{
    // The tasks go with the children, after this page has stopped being one: what they report
    // on their way out (the area finder forgetting them) must not reach it.
    delete areaFinder;
}

void TaskListWidgetsClass::connectWidgets()
{
    TaskQListWidget *list = ui->listWidget;
    const auto exportAll = [this](SubtitleFormat format) { exporter->exportAll(tasks->taskList(), format); };
    connect(list, &TaskQListWidget::editpushButt, this, &TaskListWidgetsClass::openEditor);
    connect(ui->addpushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::askForVideos);
    connect(ui->delpushButton, &QPushButton::clicked, list, &TaskQListWidget::deleteSelected);
    connect(ui->toallsrt_pushButton, &QPushButton::clicked, this, [exportAll] { exportAll(SubtitleFormat::Srt); });
    connect(ui->toalltxt_pushButton, &QPushButton::clicked, this, [exportAll] { exportAll(SubtitleFormat::Txt); });
    auto *more = new QMenu(ui->toallmore_pushButton);
    more->addAction(QStringLiteral("WebVTT (.vtt)"), this, [exportAll] { exportAll(SubtitleFormat::Vtt); });
    more->addAction(QStringLiteral("ASS (.ass)"), this, [exportAll] { exportAll(SubtitleFormat::Ass); });
    more->addAction(QStringLiteral("JSON (.json)"), this, [exportAll] { exportAll(SubtitleFormat::Json); });
    ui->toallmore_pushButton->setMenu(more);
    connect(ui->runpushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::start);
    connect(ui->stoppushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::stop);
    connect(ui->saveproject_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::saveProject);
    connect(ui->openproject_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::openProject);
    connect(this, &TaskListWidgetsClass::runSig, tasks, &TaskListOBJ::runAll);
    connect(this, &TaskListWidgetsClass::stopSig, tasks, &TaskListOBJ::requestStop);
    connect(tasks, &TaskListOBJ::progress_updataSig, list, &TaskQListWidget::refreshRows);
    connect(tasks, &TaskListOBJ::progress_updataSig, this, [this](int index) {
        if (Di_riror_adiRIZ *task = tasks->taskList().value(index))
            statusLine->progressed(task, ui->listWidget->rowWidget(index));
    });
    connect(tasks, &TaskListOBJ::completedSig, this, &TaskListWidgetsClass::onBatchCompleted);
    connect(list, &TaskQListWidget::delitemSig, this, &TaskListWidgetsClass::showListOrDropZone);
    connect(ui->drag_pushButton, &QPushButton::clicked, this, &TaskListWidgetsClass::askForVideos);
    // While a batch runs its results change all the time; the copy follows at its own pace.
    connect(tasks, &TaskListOBJ::progress_updataSig, recovery, &RecoveryCopy::scheduleWrite);
    connect(tasks, &TaskListOBJ::completedSig, recovery, &RecoveryCopy::scheduleWrite);
    connect(list, &TaskQListWidget::delitemSig, recovery, &RecoveryCopy::scheduleWrite);
    connect(list, &TaskQListWidget::areaDetected, recovery, &RecoveryCopy::scheduleWrite);
    connect(areaFinder, &AreaFinder::areaFound, list, &TaskQListWidget::refreshRows);
    connect(areaFinder, &AreaFinder::areaFound, recovery, &RecoveryCopy::scheduleWrite);
    connect(areaFinder, &AreaFinder::idle, this, &TaskListWidgetsClass::startOnceAreasAreFound);
    connect(imports, &ImportQueue::videoFound, this, &TaskListWidgetsClass::addImportedVideo);
    connect(imports, &ImportQueue::importChecked, this, &TaskListWidgetsClass::onImportChecked);
    connect(imports, &ImportQueue::allChecked, this, &TaskListWidgetsClass::importFinished);
}

QString TaskListWidgetsClass::outputDirectory() const
{
    return exporter->outputDirectory();
}

void TaskListWidgetsClass::showListOrDropZone()
{
    const bool empty = tasks->taskList().isEmpty();
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
    imports->add(paths);
}

bool TaskListWidgetsClass::isImporting() const
{
    return imports->isImporting();
}

void TaskListWidgetsClass::addImportedVideo(const QString &path)
{
    tasks->addTask(QUrl::fromLocalFile(path));
    showTextStreamsOnceProbed(tasks->taskList().last());
    areaFinder->add(tasks->taskList().last());
    recovery->scheduleWrite();
    ui->listWidget->addMissingRows();
    showListOrDropZone();
}

// Subtitles carried as text need no reading; the probe lists them, and the row says so once it is back.
void TaskListWidgetsClass::showTextStreamsOnceProbed(Di_riror_adiRIZ *task)
{
    connect(task, &Di_riror_adiRIZ::mediaProbed, this, [this, task] {
        if (!task->textStreams.isEmpty())
            ui->listWidget->refreshRows();
    }, Qt::SingleShotConnection);
}

void TaskListWidgetsClass::onImportChecked()
{
    ui->listWidget->setRememberedRow(int(tasks->taskList().size()) - 1);
    ui->listWidget->setCurrentRow(int(tasks->taskList().size()) - 1);
    refreshRowsLater();
    showListOrDropZone();
}

void TaskListWidgetsClass::start()
{
    if (running || question)
        return;
    // A new task read with the whole frame would lose subtitles to anything moving in it.
    if (areaFinder->isBusy()) {
        startWhenAreasFound = true;
        statusLine->say(tr("正在检测新任务的字幕区域，完成后开始识别…"));
        return;
    }
    QStringList edited;
    for (Di_riror_adiRIZ *task : tasks->taskList()) {
        if (TaskListOBJ::canRun(task) && task->hasHandEdits())
            edited.append(task->videoFileName);
    }
    if (edited.isEmpty()) {
        beginBatch();
        return;
    }
    ask(tr("重新识别"), tr("以下任务的字幕有手工修改，重新识别会替换它们。是否开始？") + QLatin1Char('\n') + linesOf(edited),
        [this] { beginBatch(); });
}

void TaskListWidgetsClass::startOnceAreasAreFound()
{
    if (!startWhenAreasFound)
        return;
    startWhenAreasFound = false;
    statusLine->say(QString());
    start();
}

void TaskListWidgetsClass::beginBatch()
{
    if (running)
        return;
    running = true;
    QList<Di_riror_adiRIZ *> taken;
    for (Di_riror_adiRIZ *task : tasks->taskList()) {
        if (TaskListOBJ::canRun(task))
            taken.append(task);
    }
    statusLine->started(taken);
    emit runSig();
}

void TaskListWidgetsClass::stop()
{
    if (startWhenAreasFound) {
        startWhenAreasFound = false;
        statusLine->say(QString());
    }
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
    statusLine->ended();
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

bool TaskListWidgetsClass::saveProject()
{
    if (tasks->taskList().isEmpty()
        && QMessageBox::warning(this, tr("警告"), tr("列表为空,是否继续保存"), QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No)
               != QMessageBox::Yes)
        return false;
    QString path = projectPath;
    if (path.isEmpty()) {
        path = FileDialogs::saveFile(this, tr("保存工程"), QString(), projectFilter);
        if (path.isEmpty())
            return false;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".wtarnix");
    }
    QString error;
    if (!ProjectFile::save(path, *tasks, &error)) {
        QMessageBox::warning(this, tr("保存失败"), QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
        return false;
    }
    projectPath = path;
    recovery->markSaved(path);
    auto *notice = new QMessageBox(QMessageBox::Information, tr("保存成功"), path);
    notice->setStandardButtons(QMessageBox::NoButton);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->show();
    // A box without buttons refuses close(); hide it instead.
    QTimer::singleShot(savedNoticeMs, notice, [notice] {
        notice->hide();
        notice->deleteLater();
    });
    return true;
}

void TaskListWidgetsClass::openProject()
{
    if (refuseWhileRunning())
        return;
    if (!tasks->taskList().isEmpty()
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
    recovery->markSaved(path);
}

bool TaskListWidgetsClass::hasUnsavedChanges() const
{
    return recovery->hasUnsavedChanges();
}

void TaskListWidgetsClass::endSession()
{
    recovery->remove();
}

void TaskListWidgetsClass::offerRecovery()
{
    if (!RecoveryCopy::exists() || question)
        return;
    auto *box = new QMessageBox(QMessageBox::Question, tr("恢复任务"),
                                tr("上次没有正常退出。是否恢复当时未保存的任务列表？"), QMessageBox::Yes | QMessageBox::No, this);
    box->button(QMessageBox::Yes)->setText(tr("恢复"));
    box->button(QMessageBox::No)->setText(tr("丢弃"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Offered once: either answer takes the copy away; a restored batch gets a new one soon.
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes)
            restoreRecoveryCopy();
        recovery->remove();
        recovery->scheduleWrite();
    });
    question = box;
    box->open();
}

void TaskListWidgetsClass::restoreRecoveryCopy()
{
    if (refuseWhileRunning())
        return;
    TaskListOBJ loaded;
    QString savedTo;
    if (!RecoveryCopy::load(loaded, &savedTo))
        return;
    replaceBatchWith(loaded);
    projectPath = savedTo;
}

void TaskListWidgetsClass::ask(const QString &title, const QString &text, const std::function<void()> &onYes)
{
    auto *box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [onYes](int answer) {
        if (answer == QMessageBox::Yes)
            onYes();
    });
    question = box;
    box->open();
}

void TaskListWidgetsClass::replaceBatchWith(TaskListOBJ &loaded)
{
    // Files still being checked belonged to the batch being replaced.
    imports->clear();
    while (!tasks->taskList().isEmpty())
        tasks->removeTask(int(tasks->taskList().size()) - 1);
    ui->listWidget->rebuildRows();
    const QList<Di_riror_adiRIZ *> restored = loaded.takeAll();
    for (Di_riror_adiRIZ *task : restored) {
        qCDebug(lcBatch) << task->videoPath;
        if (!QFileInfo::exists(task->videoPath)) {
            qCDebug(lcBatch) << "文件不存在";
            task->setFileMissing(true);
        }
        tasks->appendTask(task);
    }
    ui->listWidget->rebuildRows();
    showListOrDropZone();
    refreshRowsLater();
    auto *offer = new SavedClockOffer(restored, this);
    connect(offer, &SavedClockOffer::settled, this, [this](bool moved) {
        if (moved)
            refreshRowsLater();
    });
}

void TaskListWidgetsClass::openEditor(int tag)
{
    if (tag < 0 || tag >= tasks->taskList().size())
        return;
    auto *editor = new VideoQtWidgets();
    editor->loadTask(tasks->taskList().at(tag));
    editor->show();
    connect(editor, &VideoQtWidgets::closeSig, ui->listWidget, &TaskQListWidget::refreshRows);
    connect(editor, &VideoQtWidgets::closeSig, recovery, &RecoveryCopy::scheduleWrite);
}
