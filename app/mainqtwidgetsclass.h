#pragma once

#include <QMainWindow>

#include <memory>

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

private:
    void addEngineMenu();

    std::unique_ptr<Ui::MainQtWidgetsClassClass> ui;
};
