#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QMessageBox;
class TaskListWidgetsClass;

namespace Ui {
class MainQtWidgetsClassClass;
}

// The top-level window: menus with the web links and the about box, the task list page inside.
class MainQtWidgetsClass : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainQtWidgetsClass(QWidget *parent = nullptr);
    ~MainQtWidgetsClass() override;

    TaskListWidgetsClass *taskPage() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void addEngineMenu();
    void askAboutUnsavedChanges();

    std::unique_ptr<Ui::MainQtWidgetsClassClass> ui;
    // The user answered the question about unsaved changes: the next close goes through.
    bool quitDecided = false;
    QPointer<QMessageBox> quitQuestion;
};
