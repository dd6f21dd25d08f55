#include "mainqtwidgetsclass.h"

#include "ui_mainqtwidgetsclass.h"

#include "platform/appconstants.h"
#include "platform/platform.h"
#include "app/updatechecker.h"
#include "editor/webpagenotice.h"
#include "ocr/textrecognizer.h"
#include "batch/tasklistwidgetsclass.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

MainQtWidgetsClass::MainQtWidgetsClass(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainQtWidgetsClassClass>())
{
    ui->setupUi(this);
    connect(ui->about_action, &QAction::triggered, this, [] { showAboutBox(); });
    connect(ui->moreappaction, &QAction::triggered, this, [this] { WebPageNotice::open(this, AppConstants::moreAppsPage); });
    connect(ui->aboutus_action, &QAction::triggered, this, [this] { WebPageNotice::open(this, AppConstants::contactPage); });
    connect(ui->help_web_action, &QAction::triggered, this, [this] { WebPageNotice::open(this, AppConstants::helpPage); });
    setWindowTitle(tr("TNX视频字幕提取(TNX OCR)"));
    addEngineMenu();
    // Asked once the window is up, so the question has a window to sit on.
    QTimer::singleShot(0, ui->widget, &TaskListWidgetsClass::offerRecovery);
}

TaskListWidgetsClass *MainQtWidgetsClass::taskPage() const
{
    return ui->widget;
}

void MainQtWidgetsClass::closeEvent(QCloseEvent *event)
{
    if (quitDecided || !ui->widget->hasUnsavedChanges()) {
        ui->widget->endSession();
        event->accept();
        return;
    }
    event->ignore();
    askAboutUnsavedChanges();
}

// Window-modal and answered through its signal; the close is tried again once the user decided.
void MainQtWidgetsClass::askAboutUnsavedChanges()
{
    if (quitQuestion)
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, tr("未保存的更改"), tr("任务列表有未保存的更改。退出前是否保存？"),
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box->button(QMessageBox::Save)->setText(tr("保存"));
    box->button(QMessageBox::Discard)->setText(tr("不保存"));
    box->button(QMessageBox::Cancel)->setText(tr("取消"));
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        const QMessageBox::StandardButton answer = box->standardButton(box->clickedButton());
        if (answer == QMessageBox::Discard || (answer == QMessageBox::Save && ui->widget->saveProject())) {
            quitDecided = true;
            QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
        }
    });
    quitQuestion = box;
    box->open();
}

// The text recognition engine: by language (PP-OCR for English and Chinese, Tesseract for the
// rest), or one of the two wherever it can read. Takes effect when a task's language is set.
void MainQtWidgetsClass::addEngineMenu()
{
    QMenu *menu = ui->menu->addMenu(tr("识别引擎"));
    menu->setObjectName(QStringLiteral("engine_menu"));
    auto *group = new QActionGroup(menu);
    const QString current = QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication)
                                .value(TextRecognizer::engineSettingKey)
                                .toString();
    const QList<std::pair<TextRecognizer::Engine, QString>> choices{
        {TextRecognizer::Engine::Automatic, tr("按语言自动选择")},
        {TextRecognizer::Engine::Ppocr, QStringLiteral("PP-OCR")},
        {TextRecognizer::Engine::Tesseract, QStringLiteral("Tesseract")}};
    for (const auto &[engine, text] : choices) {
        const QString name = TextRecognizer::engineName(engine);
        QAction *action = menu->addAction(text);
        action->setObjectName(QStringLiteral("engine_%1_action").arg(name));
        action->setCheckable(true);
        action->setChecked(name == current || (current.isEmpty() && engine == TextRecognizer::Engine::Automatic));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [name] {
            QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication)
                .setValue(TextRecognizer::engineSettingKey, name);
        });
    }
}

MainQtWidgetsClass::~MainQtWidgetsClass() = default;
