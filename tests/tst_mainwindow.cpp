#include "taskstesthelpers.h"

#include "app/interfacelanguage.h"
#include "app/mainqtwidgetsclass.h"
#include "platform/appconstants.h"
#include "batch/recoverycopy.h"

#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>

using namespace TasksTest;

namespace {

// The window as the user has it, with one task added and not saved.
struct EditedWindow : MainQtWidgetsClass
{
    EditedWindow()
    {
        handMadeTask(*taskPage()->taskList(), QStringLiteral("/videos/talk.mp4"), TaskState::Done);
        show();
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        useHome(home.path());
    }
    void cleanup()
    {
        // The notice of a save closes itself only after a while.
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox *>(widget))
                delete widget;
        }
    }

    // Quitting with changes asks; the window goes only once the changes are saved or given up.
    // Without changes nothing is asked.
    void quitAsksAboutChanges_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing changed quits") << false << int(QMessageBox::Cancel) << true << false;
        QTest::newRow("cancel keeps the window") << true << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("discard quits") << true << int(QMessageBox::Discard) << true << false;
        QTest::newRow("save writes the project and quits") << true << int(QMessageBox::Save) << true << true;
    }
    void quitAsksAboutChanges()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("batch.wtarnix"));
        FileAnswers name({project});
        const std::unique_ptr<MainQtWidgetsClass> window(edited ? new EditedWindow : new MainQtWidgetsClass);
        window->show();
        auto question = answerMessageBox(QMessageBox::StandardButton(answer));
        window->close();
        QTRY_COMPARE(window->isVisible(), !closes);
        QTest::qWait(50);
        QCOMPARE(window->isVisible(), !closes);
        QCOMPARE(question->seen, edited);
        QCOMPARE(question->title, edited ? QStringLiteral("未保存的更改") : QString());
        QCOMPARE(QFile::exists(project), saved);
        QCOMPARE(window->taskPage()->hasUnsavedChanges(), edited && !saved);
    }

    // Without a browser (as here, offscreen) the web actions say so and give the address.
    void webActionsSayWhenNoPageOpens()
    {
        MainQtWidgetsClass window;
        window.show();
        auto notice = answerMessageBox(QMessageBox::Ok);
        window.findChild<QAction *>("help_web_action")->trigger();
        QTRY_VERIFY(notice->seen);
        QCOMPARE(notice->title, QStringLiteral("无法打开网页"));
        QVERIFY2(notice->text.endsWith(QString::fromStdString(AppConstants::helpPage)), qPrintable(notice->text));
    }

    // The copy of an unsaved batch outlives a crash, is offered once at the next start and goes
    // with the next clean quit.
    void recoveryCopyOfferedAfterCrashAndRemovedOnCleanQuit()
    {
        auto crashed = std::make_unique<EditedWindow>();
        crashed->taskPage()->recoveryCopy()->writeNow();
        QVERIFY(RecoveryCopy::exists());
        // Beside the settings, never over a project.
        const QSettings settings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
        QCOMPARE(QFileInfo(RecoveryCopy::path()).absolutePath(), QFileInfo(settings.fileName()).absolutePath());
        crashed.reset(); // gone without closing, as in a crash

        auto restore = answerMessageBox(QMessageBox::Yes);
        MainQtWidgetsClass next;
        next.show();
        QTRY_VERIFY(restore->seen);
        QCOMPARE(restore->title, QStringLiteral("恢复任务"));
        QTRY_COMPARE(pathsOf(*next.taskPage()->taskList()), QStringList{QStringLiteral("/videos/talk.mp4")});
        QVERIFY(next.taskPage()->hasUnsavedChanges());

        auto discard = answerMessageBox(QMessageBox::Discard);
        next.close();
        QTRY_VERIFY(!next.isVisible());
        QVERIFY(!RecoveryCopy::exists());

        auto nothingOffered = answerMessageBox(QMessageBox::Yes);
        MainQtWidgetsClass clean;
        clean.show();
        QTest::qWait(50);
        QVERIFY2(!nothingOffered->seen, qPrintable(nothingOffered->title + nothingOffered->text));
        QVERIFY(clean.taskPage()->taskList()->taskList().isEmpty());
    }

    void catalogueInstalledForOtherLanguages_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("installed");
        QTest::newRow("Chinese keeps the source texts") << QLocale(QLocale::Chinese, QLocale::China) << false;
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << true;
        // The raw values older builds kept for Chinese are these languages in Qt 6.
        QTest::newRow("228 is Persian") << QLocale(QLocale::Persian) << true;
        QTest::newRow("107 is Hungarian") << QLocale(QLocale::Hungarian) << true;
    }
    // A text the catalogue lacks would show in Chinese; the window's menus must not.
    void catalogueInstalledForOtherLanguages()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, installed);

        QTranslator translator;
        QCOMPARE(InterfaceLanguage::install(translator, locale), installed);
        MainQtWidgetsClass window;
        QStringList texts{window.windowTitle()};
        for (QAction *menuAction : window.menuBar()->actions()) {
            texts << menuAction->text();
            for (QAction *action : menuAction->menu()->actions())
                texts << action->text();
        }
        QCoreApplication::removeTranslator(&translator);
        QVERIFY(texts.size() > 3); // the title, the menus and their actions
        const auto isHan = [](QChar c) { return c.script() == QChar::Script_Han; };
        for (const QString &text : std::as_const(texts)) {
            QVERIFY2(!text.isEmpty(), qPrintable(texts.join(QLatin1Char('|'))));
            QCOMPARE(std::any_of(text.cbegin(), text.cend(), isHan), !installed);
        }
    }

    // Each Chinese source text of the catalogue comes out of the built catalogue in English.
    void everyChineseTextHasAnEnglishOne()
    {
        QFile source(QStringLiteral(TARNIX_SOURCE_DIR "/resources/Translation_en.ts"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/new/i18n/Translation_en.qm")));
        const auto hasHan = [](const QString &text) {
            return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.script() == QChar::Script_Han; });
        };
        QXmlStreamReader xml(&source);
        QString context;
        int checked = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            if (xml.name() != QLatin1String("source"))
                continue;
            const QString text = xml.readElementText();
            if (!hasHan(text))
                continue;
            const QString translated = english.translate(context.toUtf8().constData(), text.toUtf8().constData());
            QVERIFY2(!translated.isEmpty() && !hasHan(translated), qPrintable(context + QLatin1Char('/') + text));
            ++checked;
        }
        QVERIFY(!xml.hasError());
        QVERIFY(checked > 50);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
