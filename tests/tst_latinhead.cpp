#include "ocr/ppocr/latinhead.h"
#include "ocr/ppocr/onnxloader.h"
#include "ocr/ppocr/ppocrmodels.h"
#include "ocr/textrecognizer.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QtTest>

namespace {

QString modelProblem()
{
    return PpocrModels::problem(PpocrModels::directory());
}

QStringList dictionary()
{
    QFile file(PpocrModels::dictionaryPath(PpocrModels::directory()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QImage paintLine(const QString &text, const QString &family)
{
    QFont font(family);
    font.setPixelSize(40);
    QImage image(900, 80, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x28, 0x30));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(40, 55, font, text);
    painter.strokePath(path, QPen(Qt::black, 3));
    painter.fillPath(path, Qt::white);
    return image;
}

} // namespace

class TestLatinHead : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void keepsSymbolsOfLatinText_data();
    void keepsSymbolsOfLatinText();
    void scoresAsTheWholeNetworkDoes();
    void englishIsReadByLatinClassesAlone_data();
    void englishIsReadByLatinClassesAlone();
};

void TestLatinHead::keepsSymbolsOfLatinText_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<bool>("kept");
    QTest::newRow("letter") << "a" << true;
    QTest::newRow("figure") << "7" << true;
    QTest::newRow("accented capital") << "É" << true;
    QTest::newRow("typographic apostrophe") << "\u2019" << true;
    QTest::newRow("ellipsis") << "\u2026" << true;
    QTest::newRow("ideograph") << "我" << false;
    QTest::newRow("full-width comma") << "\uff0c" << false;
    QTest::newRow("ideographic full stop") << "\u3002" << false;
}

void TestLatinHead::keepsSymbolsOfLatinText()
{
    QFETCH(QString, symbol);
    QFETCH(bool, kept);
    QCOMPARE(LatinHead::isLatinSymbol(symbol), kept);
}

// The cut-down head gives each kept class the score the whole network gives it.
void TestLatinHead::scoresAsTheWholeNetworkDoes()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    const QStringList symbols = dictionary();
    const int width = PpocrModels::recognizerWidths(PpocrModels::directory()).first();
    cv::dnn::Net net = readOnnxModel(PpocrModels::recognizerPath(PpocrModels::directory(), width).toStdString());
    const std::optional<LatinHead> head = LatinHead::of(net, symbols);
    QVERIFY(head);
    QVERIFY(head->dictionary().contains(QStringLiteral("e")));
    QVERIFY(!head->dictionary().contains(QStringLiteral("我")));

    cv::Mat input(std::vector<int>{1, 3, 48, width}, CV_32F);
    cv::randu(input, -1, 1);
    net.setInput(input);
    const cv::Mat whole = net.forward().clone(); // [1, steps, classes]
    net.setInput(input);
    const cv::Mat scores = head->scores(net.forward(head->featuresLayer()));
    QCOMPARE(scores.rows, whole.size[1]);
    QCOMPARE(scores.cols, head->dictionary().size() + 2);
    const int classes = whole.size[2];
    for (int step = 0; step < scores.rows; ++step) {
        const float *all = whole.ptr<float>() + qsizetype(step) * classes;
        QVERIFY(qAbs(scores.at<float>(step, 0) - all[0]) < 1e-3f);
        QVERIFY(qAbs(scores.at<float>(step, scores.cols - 1) - all[classes - 1]) < 1e-3f);
        for (int k = 1; k < scores.cols - 1; ++k) {
            const int full = int(symbols.indexOf(head->dictionary().at(k - 1))) + 1;
            QVERIFY2(qAbs(scores.at<float>(step, k) - all[full]) < 1e-3f,
                     qPrintable(QStringLiteral("step %1, %2").arg(step).arg(head->dictionary().at(k - 1))));
        }
    }
}

void TestLatinHead::englishIsReadByLatinClassesAlone_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ideographsRead");
    QTest::newRow("English line, English") << "en" << "Where were you last night?" << false;
    QTest::newRow("Chinese line, English: no ideograph") << "en" << "我们必须在天亮之前离开" << false;
    QTest::newRow("Chinese line, Chinese") << "zh-Hans" << "我们必须在天亮之前离开" << true;
    QTest::newRow("Chinese line, both") << "zh-Hans+en" << "我们必须在天亮之前离开" << true;
}

void TestLatinHead::englishIsReadByLatinClassesAlone()
{
    if (!modelProblem().isEmpty())
        QSKIP(qPrintable(modelProblem()));
    QFETCH(QString, language);
    QFETCH(QString, text);
    QFETCH(bool, ideographsRead);
    TextRecognizer recognizer;
    QCOMPARE(recognizer.selectLanguage(language), QStringLiteral("ok"));
    QCOMPARE(recognizer.selectedEngine(), TextRecognizer::Engine::Ppocr);
    const QString read = recognizer.recognize(paintLine(text, QStringLiteral("WenQuanYi Micro Hei"))).join(QLatin1Char(' '));
    const bool ideographs = std::any_of(read.cbegin(), read.cend(), [](QChar c) { return c.script() == QChar::Script_Han; });
    QCOMPARE(ideographs, ideographsRead);
    if (ideographsRead || text.at(0).script() == QChar::Script_Latin)
        QCOMPARE(read, text);
}

QTEST_MAIN(TestLatinHead)
#include "tst_latinhead.moc"
