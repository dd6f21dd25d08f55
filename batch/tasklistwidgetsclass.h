#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class AreaFinder;
class BatchExport;
class BatchStatusLine;
class ImportQueue;
class Di_riror_adiRIZ;
class QMessageBox;
class RecoveryCopy;
class TaskListOBJ;

namespace Ui {
class TaskListWidgetsClassClass;
}

// The batch page: import videos (dialog or drop), start and stop the batch, export all results,
// save and open projects. It owns the task list and shows it in the task list view.
class TaskListWidgetsClass : public QWidget
{
    Q_OBJECT
public:
    explicit TaskListWidgetsClass(QWidget *parent = nullptr);
    ~TaskListWidgetsClass() override;

    TaskListOBJ *taskList() const { return tasks; }
    QString outputDirectory() const;
    QString currentProjectPath() const { return projectPath; }
    bool isRunning() const { return running; }

    // Checks the files off the GUI thread and adds a row for each video as it is known, in the
    // order given; the files that are not videos are named once all are checked.
    void importFiles(const QStringList &paths);
    bool isImporting() const;
    // True once the batch is in its project file.
    bool saveProject();
    void openProject();
    // The batch differs from the project it was last saved to or opened from (or from an empty one).
    bool hasUnsavedChanges() const;
    RecoveryCopy *recoveryCopy() const { return recovery; }
    // A clean quit: the recovery copy goes.
    void endSession();
    // Offers the batch of a session that did not end cleanly, once.
    void offerRecovery();
    void openEditor(int tag);

signals:
    void runSig();
    void stopSig();
    // Every file of the imports asked for so far has been checked.
    void importFinished();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectWidgets();
    void askForVideos();
    void start();
    void beginBatch();
    void startOnceAreasAreFound();
    void stop();
    void onBatchCompleted();
    void showListOrDropZone();
    void refreshRowsLater();
    // Replacing the batch or its tasks under the runner would leave it waiting for a task that is gone.
    bool refuseWhileRunning();
    void replaceBatchWith(TaskListOBJ &loaded);
    void restoreRecoveryCopy();
    // Opens a window-modal question and calls `onYes` if the user agrees.
    void ask(const QString &title, const QString &text, const std::function<void()> &onYes);
    void addImportedVideo(const QString &path);
    void showTextStreamsOnceProbed(Di_riror_adiRIZ *task);
    void onImportChecked();

    std::unique_ptr<Ui::TaskListWidgetsClassClass> ui;
    TaskListOBJ *tasks = nullptr;
    BatchExport *exporter = nullptr;
    QString projectPath;
    bool running = false;
    BatchStatusLine *statusLine = nullptr;
    ImportQueue *imports = nullptr;
    RecoveryCopy *recovery = nullptr;
    AreaFinder *areaFinder = nullptr;
    // Start was pressed while new tasks were still having their areas found.
    bool startWhenAreasFound = false;
    QPointer<QMessageBox> question;
};
