#include "app/interfacelanguage.h"
#include "app/mainqtwidgetsclass.h"

#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTranslator>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void chineseOnlyForChinese_data();
    void chineseOnlyForChinese();
    void catalogueInstalledForOtherLanguages_data();
    void catalogueInstalledForOtherLanguages();
    void pageFillsTheCentralArea();
};

void TestMainWindow::chineseOnlyForChinese_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("Chinese") << int(QLocale::Chinese) << true;
    QTest::newRow("English") << int(QLocale::English) << false;
    QTest::newRow("German") << int(QLocale::German) << false;
    // The raw values older builds kept for Chinese are these languages in Qt 6.
    QTest::newRow("228 is Persian") << int(QLocale::Persian) << false;
    QTest::newRow("107 is Hungarian") << int(QLocale::Hungarian) << false;
}

void TestMainWindow::chineseOnlyForChinese()
{
    QFETCH(int, language);
    QFETCH(bool, chinese);
    QCOMPARE(InterfaceLanguage::keepsChineseTexts(QLocale::Language(language)), chinese);
}

void TestMainWindow::catalogueInstalledForOtherLanguages_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<QStringList>("actions");
    const QStringList english{"Menu", "More software", "Help"};
    const QStringList englishActions{"About", "Recognition engine", "More software", "Contact us", "Software Help"};
    QTest::newRow("Chinese keeps the source texts")
        << QLocale(QLocale::Chinese, QLocale::China) << false << QStringLiteral("TNX视频字幕提取(TNX OCR)")
        << QStringList{"菜单", "更多软件", "帮助"} << QStringList{"关于", "识别引擎", "更多软件", "联系我们", "软件帮助"};
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << true << QStringLiteral("TNX OCR")
                             << english << englishActions;
    QTest::newRow("German") << QLocale(QLocale::German) << true << QStringLiteral("TNX OCR") << english << englishActions;
    QTest::newRow("Persian") << QLocale(QLocale::Persian) << true << QStringLiteral("TNX OCR") << english
                             << englishActions;
}

void TestMainWindow::catalogueInstalledForOtherLanguages()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, installed);
    QFETCH(QString, title);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, actions);

    QTranslator translator;
    QCOMPARE(InterfaceLanguage::install(translator, locale), installed);
    MainQtWidgetsClass window;
    QCOMPARE(window.windowTitle(), title);
    QStringList menuTitles;
    QStringList actionTexts;
    for (QAction *menuAction : window.menuBar()->actions()) {
        menuTitles << menuAction->text();
        for (QAction *action : menuAction->menu()->actions())
            actionTexts << action->text();
    }
    QCOMPARE(menuTitles, menus);
    QCOMPARE(actionTexts, actions);
    QCoreApplication::removeTranslator(&translator);
}

void TestMainWindow::pageFillsTheCentralArea()
{
    MainQtWidgetsClass window;
    QWidget *page = window.centralWidget()->findChild<QWidget *>(QStringLiteral("widget"));
    QVERIFY(page);
    QCOMPARE(QString(page->metaObject()->className()), QStringLiteral("TaskListWidgetsClass"));
    QLayout *layout = window.centralWidget()->layout();
    QCOMPARE(layout->spacing(), 0);
    QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(window.size(), QSize(835, 549));
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QVERIFY(!window.windowIcon().isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
