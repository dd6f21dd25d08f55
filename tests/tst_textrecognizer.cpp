#include "ocr/letters/linetextrules.h"
#include "ocr/sharedreader.h"
#include "ocr/tesseract/tesseractlanguages.h"
#include "ocr/textrecognizer.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <optional>

namespace {

const QString fixtureDir = QStringLiteral(TARNIX_FIXTURE_DIR);

QImage fixture(const QString &name)
{
    return QImage(QDir(fixtureDir).filePath(name));
}

enum class Backdrop { Dark, Busy, LightPanel };

struct Look
{
    QString family = QStringLiteral("DejaVu Sans");
    int pixelSize = 48;
    QColor fill = Qt::white;
    QColor outline = Qt::black;
    qreal outlineWidth = 0;
    int shadowOffset = 0;
    Backdrop backdrop = Backdrop::Dark;
};

void paintBackdrop(QPainter &painter, const QSize &size, Backdrop backdrop)
{
    if (backdrop == Backdrop::Dark) {
        painter.fillRect(QRect(QPoint(), size), QColor(0x20, 0x28, 0x30));
        return;
    }
    // Bright and saturated blocks over a rainbow, like a busy scene behind the subtitle.
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0.0, QColor(220, 40, 40));
    gradient.setColorAt(0.3, QColor(240, 230, 60));
    gradient.setColorAt(0.6, QColor(40, 200, 230));
    gradient.setColorAt(1.0, QColor(250, 250, 250));
    painter.fillRect(QRect(QPoint(), size), gradient);
    QRandomGenerator random(7);
    for (int i = 0; i < 60; ++i) {
        const QRect block(random.bounded(size.width()), random.bounded(size.height()), 10 + random.bounded(80),
                          4 + random.bounded(40));
        painter.fillRect(
            block, QColor::fromHsv(random.bounded(360), 80 + random.bounded(175), 60 + random.bounded(195)));
    }
}

// A subtitle strip as a video frame would show it: centred lines over a backdrop.
QImage paintStrip(const QSize &size, const QStringList &lines, const Look &look)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackdrop(painter, size, look.backdrop);
    QFont font(look.family);
    font.setPixelSize(look.pixelSize);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    int baseline = (size.height() - lineHeight * int(lines.size())) / 2 + metrics.ascent();
    if (look.backdrop == Backdrop::LightPanel) {
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const QRect panel((size.width() - widest) / 2 - 16, baseline - metrics.ascent() - 8, widest + 32,
                          lineHeight * int(lines.size()) + 16);
        painter.fillRect(panel, QColor(235, 235, 225));
    }
    for (const QString &line : lines) {
        QPainterPath path;
        path.addText((size.width() - metrics.horizontalAdvance(line)) / 2.0, baseline, font, line);
        if (look.shadowOffset > 0)
            painter.fillPath(path.translated(look.shadowOffset, look.shadowOffset), QColor(0, 0, 0, 200));
        if (look.outlineWidth > 0)
            painter.strokePath(path, QPen(look.outline, look.outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, look.fill);
        baseline += lineHeight;
    }
    return image;
}

bool modelInstalled(const QString &model)
{
    return TesseractLanguages::installedModels(TesseractLanguages::dataDirectory()).contains(model);
}

// Takes every model, Tesseract's and PP-OCR's, from `directory` for the life of the object.
class TessdataOverride
{
public:
    explicit TessdataOverride(const QString &directory)
    {
        for (const char *name : names) {
            previous.append(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
            qputenv(name, QFile::encodeName(directory));
        }
    }
    ~TessdataOverride()
    {
        for (int i = 0; i < 2; ++i) {
            if (previous[i])
                qputenv(names[i], *previous[i]);
            else
                qunsetenv(names[i]);
        }
    }

private:
    static constexpr const char *names[2] = {"TESSDATA_PREFIX", "TARNIX_PPOCR_MODELS"};
    QList<std::optional<QByteArray>> previous;
};

} // namespace

Q_DECLARE_METATYPE(LineTextRules::Word)

class TestTextRecognizer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!modelInstalled(QStringLiteral("eng")) || !modelInstalled(QStringLiteral("chi_sim")))
            QSKIP("The Tesseract models eng and chi_sim are needed (scripts/install-deps.sh installs them).");
    }

    void recognizesFixtureStrips_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Chinese without spaces") << "strip_zh.png" << "zh-Hans" << QStringList{"我们明天见"};
        QTest::newRow("blank strip, English") << "blank.png" << "en" << QStringList{};
        QTest::newRow("blank strip, Chinese") << "blank.png" << "zh-Hans" << QStringList{};
    }
    void recognizesFixtureStrips()
    {
        QFETCH(QString, file);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        const QImage image = fixture(file);
        QVERIFY2(!image.isNull(), qPrintable(file + " missing: run scripts/render-fixtures.sh"));
        TextRecognizer recognizer;
        QCOMPARE(recognizer.selectLanguage(language), QStringLiteral("ok"));
        QCOMPARE(recognizer.recognize(image), expected);
        QVERIFY(recognizer.lastError().isEmpty());
    }

    void recognizesVideoLikeText_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected");

        Look yellow;
        yellow.fill = QColor(255, 230, 0);
        yellow.outlineWidth = 5;
        yellow.backdrop = Backdrop::Busy;
        QTest::newRow("yellow, outlined, busy backdrop")
            << paintStrip({1280, 140}, {"Nobody knows the truth"}, yellow) << "en" << QStringList{"Nobody knows the truth"};

        Look shadowed;
        shadowed.family = QStringLiteral("DejaVu Serif");
        shadowed.fill = QColor(235, 235, 235);
        shadowed.shadowOffset = 3;
        QTest::newRow("light grey serif with shadow")
            << paintStrip({1280, 130}, {"Turn left at the corner"}, shadowed) << "en"
            << QStringList{"Turn left at the corner"};

        Look panel;
        panel.fill = QColor(20, 20, 40);
        panel.backdrop = Backdrop::LightPanel;
        QTest::newRow("dark text on a light panel")
            << paintStrip({1280, 200}, {"Open the door slowly", "Keep your voice down"}, panel) << "en"
            << QStringList{"Open the door slowly", "Keep your voice down"};

        Look small;
        small.pixelSize = 20;
        small.outlineWidth = 2;
        small.backdrop = Backdrop::Busy;
        QTest::newRow("360p strip") << paintStrip({640, 56}, {"We have to leave now"}, small) << "en"
                                    << QStringList{"We have to leave now"};

        Look large;
        large.pixelSize = 150;
        large.outlineWidth = 12;
        large.backdrop = Backdrop::Busy;
        QTest::newRow("4K strip") << paintStrip({3840, 400}, {"Where did you find it"}, large) << "en"
                                  << QStringList{"Where did you find it"};

        Look chinese = yellow;
        chinese.family = QStringLiteral("WenQuanYi Micro Hei");
        chinese.pixelSize = 52;
        QTest::newRow("two Chinese lines, outlined, busy backdrop")
            << paintStrip({1280, 200}, {"今天的天气真好", "我们明天早上见"}, chinese) << "zh-Hans"
            << QStringList{"今天的天气真好", "我们明天早上见"};

        QTest::newRow("busy backdrop alone") << paintStrip({1280, 140}, {}, yellow) << "en" << QStringList{};
        QTest::newRow("light panel alone") << paintStrip({1280, 140}, {QString(30, QLatin1Char(' '))}, panel) << "zh-Hans"
                                           << QStringList{};
    }
    void recognizesVideoLikeText()
    {
        QFETCH(QImage, image);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        TextRecognizer recognizer;
        QCOMPARE(recognizer.selectLanguage(language), QStringLiteral("ok"));
        QCOMPARE(recognizer.recognize(image), expected);
    }

    void selectsOnlyExactTags_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("result");
        QTest::newRow("English") << "en" << "ok";
        QTest::newRow("Simplified Chinese") << "zh-Hans" << "ok";
        QTest::newRow("other letter case") << "EN" << "EN Error No language";
        QTest::newRow("script in lower case") << "zh-hans" << "zh-hans Error No language";
        QTest::newRow("with a region") << "en-US" << "en-US Error No language";
        QTest::newRow("Tesseract's own name") << "eng" << "eng Error No language";
        QTest::newRow("not installed") << "fr" << "fr Error No language";
        QTest::newRow("empty") << "" << " Error No language";
    }
    void selectsOnlyExactTags()
    {
        QFETCH(QString, tag);
        QFETCH(QString, result);
        TextRecognizer recognizer;
        QCOMPARE(recognizer.selectLanguage(tag), result);
        QCOMPARE(recognizer.hasEngine(), result == QLatin1String("ok"));
    }

    void reportsEngineThatCannotBeCreated()
    {
        TextRecognizer recognizer;
        QCOMPARE(recognizer.selectLanguage(QStringLiteral("en")), QStringLiteral("ok"));
        QTemporaryDir broken;
        QVERIFY(broken.isValid());
        QFile model(broken.filePath(QStringLiteral("chi_sim.traineddata")));
        QVERIFY(model.open(QIODevice::WriteOnly));
        model.write("not a model");
        model.close();
        {
            const TessdataOverride override(broken.path());
            QCOMPARE(recognizer.availableLanguages().size(), 1);
            QCOMPARE(recognizer.selectLanguage(QStringLiteral("zh-Hans")), QStringLiteral("NULL"));
        }
        QVERIFY(recognizer.hasEngine());
        QCOMPARE(recognizer.recognize(fixture(QStringLiteral("strip_en.png"))), QStringList{"Where are you going"});
    }

    void offersNothingWithoutModels()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        const TessdataOverride override(empty.path());
        TextRecognizer recognizer;
        QVERIFY(recognizer.availableLanguages().isEmpty());
        QCOMPARE(recognizer.selectLanguage(QStringLiteral("en")), QStringLiteral("en Error No language"));
        QVERIFY(!recognizer.hasEngine());
    }

    void refusesToRecognizeWithoutLanguage()
    {
        TextRecognizer recognizer;
        QVERIFY(!recognizer.hasEngine());
        QVERIFY(recognizer.recognize(fixture(QStringLiteral("strip_en.png"))).isEmpty());
        QVERIFY(!recognizer.lastError().isEmpty());
        QCOMPARE(recognizer.selectLanguage(QStringLiteral("en")), QStringLiteral("ok"));
        QCOMPARE(recognizer.recognize(fixture(QStringLiteral("strip_en.png"))).size(), 1);
        QVERIFY(recognizer.lastError().isEmpty());
    }

    void sharesLoadedEnginePerLanguage()
    {
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
        TextRecognizer first;
        TextRecognizer second;
        QVERIFY(!first.chooseLanguage(QStringLiteral("en")));
        QVERIFY(!second.chooseLanguage(QStringLiteral("en")));
        const std::shared_ptr<SharedReader> english = first.reader();
        QVERIFY(english);
        QCOMPARE(second.reader(), english);
        // Choosing the language in use again loads nothing.
        QVERIFY(!first.chooseLanguage(QStringLiteral("en")));
        QCOMPARE(first.reader(), english);
        QVERIFY(!second.chooseLanguage(QStringLiteral("zh-Hans")));
        QVERIFY(second.reader() != english);
        QCOMPARE(first.recognize(fixture(QStringLiteral("strip_en.png"))), QStringList{"Where are you going"});
        // A recogniser that must read in parallel with the others gets an engine of its own.
        TextRecognizer own(TextRecognizer::Sharing::Own);
        QVERIFY(!own.chooseLanguage(QStringLiteral("en")));
        QVERIFY(own.reader() != english);
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Automatic);
    }

    void sharedEngineReadsOnTwoThreads()
    {
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
        TextRecognizer recognizer;
        QVERIFY(!recognizer.chooseLanguage(QStringLiteral("en")));
        const std::shared_ptr<SharedReader> reader = recognizer.reader();
        const QImage strip = fixture(QStringLiteral("strip_en.png"));
        QStringList readings[2];
        auto readFiveTimes = [&](QStringList *into) {
            for (int i = 0; i < 5; ++i)
                into->append(reader->read(strip).join(QLatin1Char('|')));
        };
        std::unique_ptr<QThread> other(QThread::create(readFiveTimes, &readings[1]));
        other->start();
        readFiveTimes(&readings[0]);
        QVERIFY(other->wait(60000));
        for (const QStringList &thread : readings)
            QCOMPARE(thread, QStringList(5, QStringLiteral("Where are you going")));
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Automatic);
    }

    void loadsOnAnotherThreadAndAdopts()
    {
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
        TextRecognizer recognizer;
        QVERIFY(recognizer.needsLoading(QStringLiteral("en"), 1.0));
        QVERIFY(!TextRecognizer::checkInstalled(QStringLiteral("en")));
        TextRecognizer::Selection loaded;
        std::unique_ptr<QThread> other(QThread::create([&loaded] {
            loaded = TextRecognizer::load(QStringLiteral("en"), TextRecognizer::Sharing::Shared, 1.0);
        }));
        other->start();
        QVERIFY(other->wait(60000));
        QVERIFY(!loaded.refusal);
        QVERIFY(!recognizer.hasEngine());
        QVERIFY(!recognizer.adopt(loaded));
        QCOMPARE(recognizer.reader(), loaded.reader);
        QVERIFY(!recognizer.needsLoading(QStringLiteral("en"), 1.0));
        QVERIFY(recognizer.needsLoading(QStringLiteral("zh-Hans"), 1.0));
        QCOMPARE(recognizer.recognize(fixture(QStringLiteral("strip_en.png"))), QStringList{"Where are you going"});

        // A refused load changes nothing; the check without loading refuses the same way.
        const TextRecognizer::Selection refused =
            TextRecognizer::load(QStringLiteral("en+xx"), TextRecognizer::Sharing::Shared, 1.0);
        QVERIFY(refused.refusal);
        QCOMPARE(refused.refusal->reason, TextRecognizer::LanguageRefusal::NotInstalled);
        QCOMPARE(refused.refusal->tag, QStringLiteral("xx"));
        QCOMPARE(recognizer.adopt(refused)->text(), QStringLiteral("xx Error No language"));
        QCOMPARE(TextRecognizer::checkInstalled(QStringLiteral("en+xx"))->text(), QStringLiteral("xx Error No language"));
        QCOMPARE(recognizer.reader(), loaded.reader);
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Automatic);
    }

    void listsInstalledLanguages()
    {
        const QList<QStringList> languages = TextRecognizer().availableLanguages();
        QStringList tags;
        for (const QStringList &language : languages) {
            QCOMPARE(language.size(), 2);
            QVERIFY(!language.at(1).isEmpty());
            tags << language.at(0);
        }
        QVERIFY(tags.contains(QStringLiteral("en")));
        QVERIFY(tags.contains(QStringLiteral("zh-Hans")));
        QVERIFY(!tags.contains(QStringLiteral("osd")));
        QStringList sorted = tags;
        sorted.sort();
        QCOMPARE(tags, sorted);
    }

    void mapsModelsToTags_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("tag");
        QTest::newRow("eng") << "eng" << "en";
        QTest::newRow("chi_sim") << "chi_sim" << "zh-Hans";
        QTest::newRow("nor") << "nor" << "no";
        QTest::newRow("fil, no two-letter code") << "fil" << "fil";
        QTest::newRow("srp_latn") << "srp_latn" << "sr-Latn";
        QTest::newRow("frk is German Fraktur") << "frk" << "de-Latf";
        QTest::newRow("ISO 639-2/B ger") << "ger" << "de";
        QTest::newRow("unlisted ISO 639-2/B code") << "chi" << "zh";
        QTest::newRow("unlisted code kept") << "haw" << "haw";
        QTest::newRow("vertical variant") << "chi_sim_vert" << "";
        QTest::newRow("old orthography") << "spa_old" << "";
        QTest::newRow("orientation model") << "osd" << "";
        QTest::newRow("script model") << "Latin" << "";
        QTest::newRow("script folder") << "script/Han" << "";
    }
    void mapsModelsToTags()
    {
        QFETCH(QString, model);
        QFETCH(QString, tag);
        QCOMPARE(TesseractLanguages::tagForModel(model), tag);
    }

    void choosesModelForTag_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<QString>("model");
        QTest::newRow("English") << "en" << QStringList{"chi_sim", "eng"} << "eng";
        QTest::newRow("not installed") << "fr" << QStringList{"eng"} << "";
        QTest::newRow("case differs") << "En" << QStringList{"eng"} << "";
        QTest::newRow("newest Fraktur model first")
            << "de-Latf" << QStringList{"deu_frak", "deu_latf", "frk"} << "deu_latf";
        QTest::newRow("older Fraktur model") << "de-Latf" << QStringList{"deu_frak", "frk"} << "frk";
        QTest::newRow("B code only") << "de" << QStringList{"ger"} << "ger";
        QTest::newRow("unlisted code") << "haw" << QStringList{"haw"} << "haw";
        QTest::newRow("empty tag") << "" << QStringList{"eng"} << "";
    }
    void choosesModelForTag()
    {
        QFETCH(QString, tag);
        QFETCH(QStringList, models);
        QFETCH(QString, model);
        QCOMPARE(TesseractLanguages::modelForTag(tag, models), model);
    }

    void namesLanguagesInInterfaceLanguage_data()
    {
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<QLocale>("ui");
        QTest::addColumn<QList<QStringList>>("entries");
        const QStringList models{"osd", "eng", "chi_sim", "chi_sim_vert", "Latin", "deu", "ger"};
        QTest::newRow("English interface")
            << models << QLocale(QLocale::English, QLocale::UnitedStates)
            << QList<QStringList>{{"de", "German"}, {"en", "English"}, {"zh-Hans", "Chinese (Simplified)"}};
        QTest::newRow("German interface gets English names")
            << models << QLocale(QLocale::German, QLocale::Germany)
            << QList<QStringList>{{"de", "German"}, {"en", "English"}, {"zh-Hans", "Chinese (Simplified)"}};
        QTest::newRow("Chinese interface")
            << models << QLocale(QLocale::Chinese, QLocale::China)
            << QList<QStringList>{{"de", "德语"}, {"en", "英语"}, {"zh-Hans", "简体中文"}};
        QTest::newRow("no models") << QStringList{} << QLocale(QLocale::English) << QList<QStringList>{};
    }
    void namesLanguagesInInterfaceLanguage()
    {
        QFETCH(QStringList, models);
        QFETCH(QLocale, ui);
        QFETCH(QList<QStringList>, entries);
        QCOMPARE(TesseractLanguages::languageEntries(models, ui), entries);
    }

    void prefersFirstInstalledInterfaceLanguage_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("tag");
        const QStringList englishAndChinese{"en", "zh-Hans", "zh-Hant"};
        QTest::newRow("en-US") << QStringList{"en-US", "en"} << englishAndChinese << "en";
        QTest::newRow("zh-CN") << QStringList{"zh-CN", "zh"} << englishAndChinese << "zh-Hans";
        QTest::newRow("zh-Hans-CN") << QStringList{"zh-Hans-CN", "zh-Hans", "zh"} << englishAndChinese << "zh-Hans";
        QTest::newRow("zh_CN with underscore") << QStringList{"zh_CN"} << englishAndChinese << "zh-Hans";
        QTest::newRow("zh-TW") << QStringList{"zh-TW"} << englishAndChinese << "zh-Hant";
        QTest::newRow("zh-HK") << QStringList{"zh-HK"} << englishAndChinese << "zh-Hant";
        QTest::newRow("zh-Hant") << QStringList{"zh-Hant"} << englishAndChinese << "zh-Hant";
        QTest::newRow("traditional without its model") << QStringList{"zh-TW", "en-US"} << QStringList{"en", "zh-Hans"}
                                                       << "en";
        QTest::newRow("first installed wins") << QStringList{"fr-FR", "de-DE", "en-GB"} << englishAndChinese << "en";
        QTest::newRow("none installed") << QStringList{"fr-FR", "de-DE"} << englishAndChinese << "fr-FR";
        QTest::newRow("C locale reads as English") << QStringList{"C"} << englishAndChinese << "en";
        QTest::newRow("Bokmål uses Norwegian") << QStringList{"nb-NO"} << QStringList{"en", "no"} << "no";
        QTest::newRow("Serbian in Latin") << QStringList{"sr-Latn-RS"} << QStringList{"sr", "sr-Latn"} << "sr-Latn";
        QTest::newRow("Serbian in Cyrillic") << QStringList{"sr-RS"} << QStringList{"sr", "sr-Latn"} << "sr";
        QTest::newRow("German, not Fraktur") << QStringList{"de-AT"} << QStringList{"de", "de-Latf"} << "de";
        QTest::newRow("only Fraktur installed") << QStringList{"de-DE"} << QStringList{"de-Latf"} << "de-DE";
        QTest::newRow("no interface languages") << QStringList{} << englishAndChinese << "";
    }
    void prefersFirstInstalledInterfaceLanguage()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QStringList, installed);
        QFETCH(QString, tag);
        QCOMPARE(TesseractLanguages::preferredTag(uiLanguages, installed), tag);
    }

    void findsModelsThroughTessdataPrefix()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("tessdata")));
        QFile model(root.filePath(QStringLiteral("tessdata/kor.traineddata")));
        QVERIFY(model.open(QIODevice::WriteOnly));
        model.close();
        // Both the folder itself and, as Tesseract 3 wanted it, its parent.
        for (const QString &prefix : {root.filePath(QStringLiteral("tessdata")), root.path()}) {
            const TessdataOverride override(prefix);
            QCOMPARE(TextRecognizer().availableLanguages(), (QList<QStringList>{{"ko", "Korean"}}));
        }
    }

    void joinsWords_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("line");
        QTest::newRow("English words") << QStringList{"How", "are", "you?"} << "How are you?";
        QTest::newRow("Chinese characters") << QStringList{"我们", "明", "天", "见"} << "我们明天见";
        QTest::newRow("Chinese punctuation") << QStringList{"别担心", "，", "我没事"} << "别担心，我没事";
        QTest::newRow("Latin word among Chinese") << QStringList{"我", "用", "Python", "写"} << "我用 Python 写";
        QTest::newRow("Japanese kana and kanji")
            << QStringList{"これは", "日本語", "です"} << "これは日本語です";
        QTest::newRow("Thai") << QStringList{"สวัสดี", "ครับ"} << "สวัสดีครับ";
        QTest::newRow("kana length mark") << QStringList{"コー", "ヒー"} << "コーヒー";
        QTest::newRow("full-width letters among Chinese") << QStringList{"我用", "ＡＢＣ", "写"} << "我用ＡＢＣ写";
        QTest::newRow("half-width kana") << QStringList{"ｺｰ", "ﾋｰ"} << "ｺｰﾋｰ";
        QTest::newRow("Korean keeps its spaces")
            << QStringList{"안녕하세요", "여러분"} << "안녕하세요 여러분";
        QTest::newRow("stray whitespace") << QStringList{" Hello ", "", "world "} << "Hello world";
        QTest::newRow("nothing") << QStringList{} << "";
    }
    void joinsWords()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, line);
        QCOMPARE(LineTextRules::joinWords(words), line);
    }

    void dropsNoiseLines_data()
    {
        using Words = QList<LineTextRules::Word>;
        QTest::addColumn<Words>("words");
        QTest::addColumn<QString>("line");
        QTest::newRow("confident words") << Words{{"Hello", 92}, {"there", 88}} << "Hello there";
        QTest::newRow("unsure texture") << Words{{"Wm", 31}, {"ii", 40}, {"ee", 22}} << "";
        QTest::newRow("punctuation only") << Words{{"—", 90}, {"..", 85}} << "";
        QTest::newRow("speck before the text") << Words{{"'", 20}, {"Hello", 95}} << "Hello";
        QTest::newRow("speck after the text") << Words{{"Hello", 95}, {"there.", 93}, {"~", 12}} << "Hello there.";
        QTest::newRow("unsure word inside is kept") << Words{{"I", 90}, {"saw", 45}, {"it", 92}} << "I saw it";
        QTest::newRow("confident one-letter word") << Words{{"I", 91}} << "I";
    }
    void dropsNoiseLines()
    {
        QFETCH(QList<LineTextRules::Word>, words);
        QFETCH(QString, line);
        QCOMPARE(LineTextRules::acceptedLine(words), line);
    }
};

QTEST_MAIN(TestTextRecognizer)
#include "tst_textrecognizer.moc"
