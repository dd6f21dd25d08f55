#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>

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
    QString outputDirectory() const { return outputDir; }
    QString currentProjectPath() const { return projectPath; }
    bool isRunning() const { return running; }

    void importFiles(const QStringList &paths);
    void classifyFiles(const QStringList &paths, QStringList *accepted, QStringList *rejected);
    void loadOutputDir();
    void saveOutputDir();

    void exportAll(int format);
    bool confirmOverwrite(const QStringList &existing);
    // `failures`: the tasks that were not finished, then the files that could not be written.
    void showExportStatistics(int written, const QStringList &failures);

    void saveProject();
    void openProject();
    void openEditor(int tag);

signals:
    void runSig();
    void stopSig();

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
    void stop();
    void onBatchCompleted();
    void showListOrDropZone();
    void refreshRowsLater();
    // Replacing the batch or its tasks under the runner would leave it waiting for a task that is gone.
    bool refuseWhileRunning();
    void replaceBatchWith(TaskListOBJ &loaded);

    std::unique_ptr<Ui::TaskListWidgetsClassClass> ui;
    TaskListOBJ *tasks = nullptr;
    QString outputDir;
    QString projectPath;
    bool running = false;
};
