#include "mainqtwidgetsclass.h"

#include "ui_mainqtwidgetsclass.h"

#include "app/appconstants.h"
#include "app/platform.h"
#include "app/updatechecker.h"

MainQtWidgetsClass::MainQtWidgetsClass(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainQtWidgetsClassClass>())
{
    ui->setupUi(this);
    connect(ui->about_action, &QAction::triggered, this, [] { showAboutBox(); });
    connect(ui->moreappaction, &QAction::triggered, this, [] { openWebPage(AppConstants::moreAppsPage); });
    connect(ui->aboutus_action, &QAction::triggered, this, [] { openWebPage(AppConstants::contactPage); });
    connect(ui->help_web_action, &QAction::triggered, this, [] { openWebPage(AppConstants::helpPage); });
    setWindowTitle(tr("TNX视频字幕提取(TNX OCR)"));
}

MainQtWidgetsClass::~MainQtWidgetsClass() = default;
