#include "mainqtwidgetsclass.h"

#include "ui_mainqtwidgetsclass.h"

#include "platform/appconstants.h"
#include "platform/platform.h"
#include "app/updatechecker.h"
#include "ocr/textrecognizer.h"

#include <QActionGroup>
#include <QSettings>

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
    addEngineMenu();
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
