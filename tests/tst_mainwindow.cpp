#include "app/interfacelanguage.h"
#include "app/mainqtwidgetsclass.h"

#include <QMenu>
#include <QMenuBar>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void catalogueInstalledForOtherLanguages_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("installed");
        QTest::newRow("Chinese keeps the source texts") << QLocale(QLocale::Chinese, QLocale::China) << false;
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << true;
        QTest::newRow("German") << QLocale(QLocale::German) << true;
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
