#include "ocr/letters/dialoguedash.h"
#include "ocr/letters/loneletter.h"
#include "ocr/letters/wordlist.h"
#include "ocr/ppocr/ppocrengine.h"
#include "ocr/ppocr/ppocrmodels.h"
#include "ctcreadings.h"

#include <QPainter>
#include <QPainterPath>
#include <QtTest>

namespace {

struct PaintedLine
{
    QImage picture;
    QRect box; // where the detector would put the line: the text after the dash, padded
    int textLeft = 0; // the text's first ink
};

// One outlined line; `dash` is drawn before the text, outside the box the text gets. On a
// `panel`, dark letters sit on a light box over a ground of short bars in the box's colour.
PaintedLine paintLine(const QString &dash, const QString &text, const QString &family, QColor fill, QColor outline,
                      bool stripes, bool panel = false, bool boldItalic = false, int width = 640)
{
    QFont font(family);
    font.setPixelSize(boldItalic ? 44 : 36);
    font.setItalic(boldItalic);
    const QFontMetrics metrics(font);
    PaintedLine painted{QImage(width, 90, QImage::Format_RGB32), {}};
    painted.picture.fill(fill.lightness() > 128 ? QColor(0x30, 0x38, 0x40) : QColor(0xf0, 0xe8, 0xd0));
    QPainter painter(&painted.picture);
    if (stripes) // horizontal bars of the letters' colour, a few pixels apart
        for (int y = 0; y < painted.picture.height(); y += 7)
            painter.fillRect(0, y, painted.picture.width(), 2, fill);
    const QColor panelColour(0xd8, 0xd8, 0xd8);
    if (panel) {
        painted.picture.fill(QColor(0x30, 0x30, 0x30));
        for (int y = 0; y < painted.picture.height(); y += 12)
            for (int x = 8; x + 10 < 96; x += 22)
                painter.fillRect(x, y, 10, 3, panelColour);
        painter.fillRect(108, 14, 500, 62, panelColour);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal x = 120, baseline = 60;
    QPainterPath path, textPath;
    path.addText(x, baseline, font, dash);
    textPath.addText(x + metrics.horizontalAdvance(dash), baseline, font, text);
    path.addPath(textPath);
    // Bold italic as a subtitle renderer makes it of a regular face: strokes thickened all
    // round, so a dash is less than twice as long as high, under a thick outline.
    const qreal thickened = boldItalic ? 6 : 0;
    painter.strokePath(path, QPen(outline, 3 + thickened * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (boldItalic)
        painter.strokePath(path, QPen(fill, thickened, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, fill);
    const QRect tight = textPath.boundingRect().toAlignedRect();
    const int pad = tight.height() / 4;
    painted.box = tight.adjusted(-pad, -pad, pad, pad);
    painted.textLeft = tight.left();
    return painted;
}

// A plain yellow line over a grey ground in a grid of thin dark lines, opening with a capital E
// drawn bar by bar whose stem fades into the ground, as a small one does over grey texture.
PaintedLine paintEWithFaintStem(int height)
{
    const QColor ground(0x98, 0x98, 0x98), yellow(0xf0, 0xf0, 0x10), dark(0x70, 0x70, 0x70);
    PaintedLine painted{QImage(480, height * 3, QImage::Format_RGB32), {}};
    painted.picture.fill(ground);
    QPainter painter(&painted.picture);
    for (int x = 0; x < painted.picture.width(); x += 16)
        painter.fillRect(x, 0, 1, painted.picture.height(), dark);
    for (int y = 0; y < painted.picture.height(); y += 9)
        painter.fillRect(0, y, painted.picture.width(), 1, dark);
    const int left = 130, top = height, bar = std::max(2, height / 8), arm = height * 5 / 8;
    painter.fillRect(left, top, bar, height, QColor(0xb0, 0xb0, 0x70));
    painter.fillRect(left + bar, top, arm - bar, bar, yellow);
    painter.fillRect(left + bar, top + height / 2 - bar / 2, arm - bar * 2, bar, yellow);
    painter.fillRect(left + bar, top + height - bar, arm - bar, bar, yellow);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(height * 10 / 7);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(left + arm + bar, top + height, font, QStringLiteral("veryone was born"));
    painter.fillPath(path, yellow);
    const QRect tight = path.boundingRect().toAlignedRect().united(QRect(left, top, arm, height));
    const int pad = tight.height() / 4;
    painted.box = tight.adjusted(-pad, -pad, pad, pad);
    painted.textLeft = left;
    return painted;
}

// Bold italic sans-serif lines, white with a thick black outline, over a bright frame: there a
// capital I is a bare slanted stroke, as easily taken for nothing as for an l.
QImage paintItalicDialogue(const QStringList &lines, int pixelSize, int width, QColor background)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setItalic(true);
    font.setBold(true);
    const QFontMetrics metrics(font);
    QImage image(width, metrics.height() * int(lines.size()) + pixelSize, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal baseline = pixelSize / 2.0 + metrics.ascent();
    for (const QString &line : lines) {
        QPainterPath path;
        path.addText((width - metrics.horizontalAdvance(line)) / 2.0, baseline, font, line);
        painter.strokePath(path, QPen(Qt::black, pixelSize / 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, Qt::white);
        baseline += metrics.height();
    }
    return image;
}

// White letters on a dark ground, from x = 214 on the baseline `baseline`, for bars painted beside them.
QImage lineStartingAt214(const QString &text, int pixelSize, bool italic, int baseline)
{
    QImage picture(640, 90, QImage::Format_RGB32);
    picture.fill(QColor(0x20, 0x28, 0x30));
    QPainter painter(&picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setItalic(italic);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(214, baseline, text);
    painter.end();
    return picture;
}

} // namespace

class TestDialogueDash : public QObject
{
    Q_OBJECT

private slots:
    void findsDashBesideLine_data();
    void findsDashBesideLine();
    void findsNoDashInCapitals_data();
    void findsNoDashInCapitals();
    void findsLoneLetterBeforeLine_data();
    void findsLoneLetterBeforeLine();
    void findsLettersAfterLine_data();
    void findsLettersAfterLine();
    void findsLettersFarPastLine();
    void dropsStrokesOfNoInk_data();
    void dropsStrokesOfNoInk();
    void putsDashBack_data();
    void putsDashBack();
    void weighsThinBars_data();
    void weighsThinBars();
    void findsSlantedDashOfItalics_data();
    void findsSlantedDashOfItalics();
    void spacesLeadingDash_data();
    void spacesLeadingDash();
    void readsCapitalIAfterDash_data();
    void readsCapitalIAfterDash();
    void findsWordLostAfterDash_data();
    void findsWordLostAfterDash();
    void tellsLetterStrokeFromDash_data();
    void tellsLetterStrokeFromDash();
};

void TestDialogueDash::findsDashBesideLine_data()
{
    QTest::addColumn<QString>("dash");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<bool>("stripes");
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("boldItalic");
    QTest::addColumn<bool>("found");
    const QString sans = QStringLiteral("DejaVu Sans"), hei = QStringLiteral("WenQuanYi Micro Hei");
    const QColor white(Qt::white), yellow(0xf0, 0xe0, 0x30), dark(0x18, 0x18, 0x18);
    QTest::newRow("white English line after a dash") << "- " << "Who is it?" << sans << white << false << false << false << true;
    QTest::newRow("yellow Chinese line after a dash") << "- " << "是我，开门。" << hei << yellow << false << false << false << true;
    QTest::newRow("dark letters on a light frame") << "- " << "Who is it?" << sans << dark << false << false << false << true;
    QTest::newRow("dark letters on a panel after a dash") << "- " << "Who is it?" << sans << dark << false << true << false << true;
    QTest::newRow("line without a dash") << "" << "Who is it?" << sans << white << false << false << false << false;
    QTest::newRow("line over bars of its own colour") << "" << "Who is it?" << sans << white << true << false << false << false;
    QTest::newRow("bold italic line after a dash") << "- " << "Where were you?" << QStringLiteral("Liberation Sans")
                                                   << white << false << false << true << true;
    QTest::newRow("panel over bars of the panel's colour") << "" << "Who is it?" << sans << dark << false << true << false << false;
}

void TestDialogueDash::findsDashBesideLine()
{
    QFETCH(QString, dash);
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(QColor, fill);
    QFETCH(bool, stripes);
    QFETCH(bool, panel);
    QFETCH(bool, boldItalic);
    QFETCH(bool, found);
    const QColor outline = fill.lightness() > 128 ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80);
    const PaintedLine line = paintLine(dash, text, family, fill, outline, stripes, panel, boldItalic);
    const std::optional<DialogueDash::Dash> result = DialogueDash::find(line.picture, line.box);
    QCOMPARE(result.has_value(), found);
    if (!result)
        return;
    const QRect &bar = result->bar;
    QVERIFY2(bar.right() < line.box.left(), "the dash stands before the line");
    QVERIFY(line.box.left() - bar.right() < line.box.height());
    QVERIFY(qAbs(bar.center().y() - line.box.center().y()) < line.box.height() / 4);
    // The text is read from between the dash and its first letter, clear of both.
    QVERIFY2(result->textStart > bar.right() + 1 && result->textStart < line.textLeft - 1,
             qPrintable(QStringLiteral("dash ends at %1, text starts at %2, read from %3")
                            .arg(bar.right()).arg(line.textLeft).arg(result->textStart)));
}

void TestDialogueDash::findsNoDashInCapitals_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("small E, arms apart") << 14;
    QTest::newRow("E of a 720p line") << 20;
    QTest::newRow("E of a 1080p line") << 28;
}

void TestDialogueDash::findsNoDashInCapitals()
{
    QFETCH(int, height);
    const PaintedLine line = paintEWithFaintStem(height);
    const std::optional<DialogueDash::Dash> dash = DialogueDash::find(line.picture, line.box);
    QVERIFY2(!dash, dash ? qPrintable(QStringLiteral("dash at %1,%2 %3x%4").arg(dash->bar.x()).arg(dash->bar.y())
                                          .arg(dash->bar.width()).arg(dash->bar.height()))
                         : "");
}

void TestDialogueDash::findsLoneLetterBeforeLine_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<bool>("stripes");
    QTest::addColumn<bool>("found");
    const QColor white(Qt::white), dark(0x18, 0x18, 0x18);
    QTest::newRow("pronoun set apart by a monospaced space") << "I " << white << false << true;
    QTest::newRow("dark pronoun on a light frame") << "I " << dark << false << true;
    QTest::newRow("a dash is no letter") << "- " << white << false << false;
    QTest::newRow("nothing before the line") << "" << white << false << false;
    QTest::newRow("bars of its own colour are no letters") << "" << white << true << false;
}

void TestDialogueDash::findsLoneLetterBeforeLine()
{
    QFETCH(QString, before);
    QFETCH(QColor, fill);
    QFETCH(bool, stripes);
    QFETCH(bool, found);
    const QColor outline = fill.lightness() > 128 ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80);
    const PaintedLine line =
        paintLine(before, QStringLiteral("can't find it"), QStringLiteral("DejaVu Sans Mono"), fill, outline, stripes);
    const std::optional<int> left = LoneLetter::before(line.picture, line.box);
    QCOMPARE(left.has_value(), found);
    // The letter is drawn from x = 120 on, its outline a pixel or two before.
    if (left)
        QVERIFY2(*left >= 112 && *left < line.box.left() - line.box.height() / 2, qPrintable(QString::number(*left)));
}

void TestDialogueDash::findsLettersAfterLine_data()
{
    QTest::addColumn<QString>("boxed"); // the words the box holds of "can't find it now."
    QTest::addColumn<bool>("stripes");
    QTest::addColumn<bool>("found");
    QTest::newRow("last word left out") << "can't find it" << false << true;
    QTest::newRow("box cut through the last letter") << "can't find it no" << false << true;
    QTest::newRow("whole line boxed") << "can't find it now." << false << false;
    QTest::newRow("bars of its own colour are no letters") << "can't find it now." << true << false;
}

void TestDialogueDash::findsLettersAfterLine()
{
    QFETCH(QString, boxed);
    QFETCH(bool, stripes);
    QFETCH(bool, found);
    const QString text = QStringLiteral("can't find it now.");
    const PaintedLine line = paintLine(QString(), text, QStringLiteral("DejaVu Sans"), Qt::white, Qt::black, stripes);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    const int pad = line.box.height() / 6;
    QRect box = line.box;
    if (boxed != text)
        box.setRight(120 + QFontMetrics(font).horizontalAdvance(boxed) + pad);
    const std::optional<int> right = LoneLetter::after(line.picture, box);
    QCOMPARE(right.has_value(), found);
    // The letters end where the painted w does, the full stop too small to count.
    const int end = 120 + QFontMetrics(font).horizontalAdvance(QStringLiteral("can't find it now"));
    if (right)
        QVERIFY2(*right >= end - 4 && *right <= end + 3, qPrintable(QString::number(*right)));
}

// Over texture the detector can box only a line's first word: the letters are followed to the
// line's end however far it lies.
void TestDialogueDash::findsLettersFarPastLine()
{
    const QString text = QStringLiteral("Crawl to school, then find out where it is now");
    const PaintedLine line =
        paintLine(QString(), text, QStringLiteral("DejaVu Sans"), Qt::white, Qt::black, false, false, false, 1200);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    const QFontMetrics metrics(font);
    QRect box = line.box;
    box.setRight(120 + metrics.horizontalAdvance(QStringLiteral("Crawl")) + line.box.height() / 6);
    const std::optional<int> right = LoneLetter::after(line.picture, box);
    QVERIFY(right);
    const int end = 120 + metrics.horizontalAdvance(text);
    QVERIFY2(*right >= end - 4 && *right <= end + 3, qPrintable(QStringLiteral("%1 for %2").arg(*right).arg(end)));
}

void TestDialogueDash::dropsStrokesOfNoInk_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QRect>("ground"); // beyond the panel the text is on, its edge in the crop
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("firstStep"); // where the recogniser saw the first and last characters
    QTest::addColumn<int>("lastStep");
    QTest::addColumn<QString>("line");
    QTest::newRow("the pronoun's stroke stays") << "I think so." << QRect() << "I think so." << 30 << 70 << "I think so.";
    QTest::newRow("the panel's edge before the line")
        << "think so." << QRect(0, 0, 106, 90) << "I think so." << 26 << 70 << "think so.";
    QTest::newRow("the panel's edge before the line, read as a bracket")
        << "Think so." << QRect(0, 0, 106, 90) << "[Think so." << 26 << 70 << "Think so.";
    QTest::newRow("a bracket painted stays") << "[Think so." << QRect() << "[Think so." << 30 << 70 << "[Think so.";
    QTest::newRow("the panel's edge after the line")
        << "think so." << QRect(300, 20, 340, 70) << "think so. l" << 31 << 75 << "think so.";
}

void TestDialogueDash::dropsStrokesOfNoInk()
{
    QFETCH(QString, painted);
    QFETCH(QRect, ground);
    QFETCH(QString, read);
    QFETCH(int, firstStep);
    QFETCH(int, lastStep);
    QFETCH(QString, line);
    PaintedLine picture =
        paintLine(QString(), painted, QStringLiteral("DejaVu Sans"), QColor(0x18, 0x18, 0x18), Qt::gray, false);
    QPainter(&picture.picture).fillRect(ground, QColor(0x20, 0xc0, 0x30));
    CtcDecoder::Result result;
    result.pixelsPerStep = 4;
    bool space = false;
    for (const QChar c : read) {
        if (c != QLatin1Char(' ')) {
            const int step = result.characters.isEmpty() ? firstStep : firstStep + 4 + 3 * int(result.characters.size());
            result.characters << CtcDecoder::Character{QString(c), step, step, space, 1, {}, 0};
        }
        space = c == QLatin1Char(' ');
    }
    result.characters.last().first = result.characters.last().last = lastStep;
    LoneLetter::dropStrokesOfNoInk(picture.picture, picture.box, picture.picture.rect(), result);
    QCOMPARE(CtcDecoder::Result::joined(result.characters), line);
}

void TestDialogueDash::putsDashBack_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QRect>("dash");
    QTest::addColumn<QString>("line");
    const QRect before(100, 48, 10, 3), inside(124, 48, 10, 3);
    QTest::newRow("dash not read") << "Hear what?" << before << "- Hear what?";
    QTest::newRow("dash read without its space") << "-Who is it?" << before << "- Who is it?";
    QTest::newRow("dash read as 一") << "一是我，开门。" << before << "- 是我，开门。";
    QTest::newRow("dash read as a middle dot") << "·听到什么？" << before << "- 听到什么？";
    QTest::newRow("en dash") << "\u2013 I was at work." << before << "- I was at work.";
    QTest::newRow("bar inside the box before Latin letters") << "Hear what?" << inside << "- Hear what?";
    QTest::newRow("bar inside the box before an ideograph") << "一切都好" << inside << "一切都好";
}

void TestDialogueDash::putsDashBack()
{
    QFETCH(QString, read);
    QFETCH(QRect, dash);
    QFETCH(QString, line);
    QCOMPARE(DialogueDash::withDash(read, dash, QRect(120, 30, 300, 40)), line);
}

// The thin bars of small serif capitals (H, A, G) are bars one pixel high at mid-height, like
// the dash of a small line: inside the line's box only a dash's length at its very start counts.
void TestDialogueDash::weighsThinBars_data()
{
    QTest::addColumn<QRect>("bar");
    QTest::addColumn<int>("boxHeight");
    QTest::addColumn<bool>("found");
    // Pixels of ink in the row above the bar, from its left: a dash between two rows.
    QTest::addColumn<int>("inkAbove");
    // The line's box is 200,20 200 wide; its letters start at x = 214.
    QTest::newRow("short bar inside the box") << QRect(203, 30, 3, 1) << 20 << false << 0;
    QTest::newRow("short bar before the box") << QRect(190, 30, 3, 1) << 20 << true << 0;
    QTest::newRow("dash-long bar at the start") << QRect(202, 30, 5, 1) << 20 << true << 0;
    QTest::newRow("dash-long bar further in") << QRect(205, 30, 5, 1) << 20 << false << 0;
    QTest::newRow("dash-long bar a fifth in, in an italic line's box") << QRect(204, 30, 4, 1) << 18 << true << 0;
    QTest::newRow("bar two pixels high inside") << QRect(203, 30, 4, 2) << 20 << true << 0;
    // Thresholding takes a pixel off the length of a small dash too; a crossbar so short is an H's
    // unless a space follows it.
    QTest::newRow("bar a pixel short of a dash, a space before the letters") << QRect(203, 30, 3, 2) << 18 << true << 0;
    QTest::newRow("bar a pixel short of a dash, close to the letters") << QRect(208, 30, 3, 2) << 18 << false << 0;
    // The detector's box around small letters is twice their height and more.
    QTest::newRow("one-pixel dash of small letters in a tall box") << QRect(202, 32, 5, 1) << 25 << true << 0;
    QTest::newRow("hairline before a tall box") << QRect(190, 42, 9, 1) << 50 << false << 0;
    QTest::newRow("dash between two rows before the box") << QRect(190, 31, 5, 1) << 20 << true << 3;
    QTest::newRow("ground between serifs, not a dash's length") << QRect(190, 31, 4, 1) << 25 << false << 3;
}

void TestDialogueDash::weighsThinBars()
{
    QFETCH(QRect, bar);
    QFETCH(int, boxHeight);
    QFETCH(bool, found);
    QFETCH(int, inkAbove);
    QImage picture = lineStartingAt214(QStringLiteral("Where were you?"), 14, false, 36);
    QPainter painter(&picture);
    painter.fillRect(bar, Qt::white);
    painter.fillRect(bar.left(), bar.top() - 1, inkAbove, 1, Qt::white);
    painter.end();
    QCOMPARE(DialogueDash::find(picture, QRect(200, 20, 200, boxHeight)).has_value(), found);
}

using Spans = QList<QPair<int, int>>;

void TestDialogueDash::findsSlantedDashOfItalics_data()
{
    // Columns of ink per row of a bar three rows high, from its top; the bar starts at x = 190.
    QTest::addColumn<Spans>("rows");
    QTest::addColumn<bool>("found");
    // An italic dash leans: thresholded, its corners fall off and it fills little over half its box.
    QTest::newRow("italic dash, corners lost") << Spans{{3, 5}, {0, 4}, {0, 1}} << true;
    QTest::newRow("two rows high, a bar and a tail: a letter's crossbar") << Spans{{0, 8}, {9, 10}} << false;
    QTest::newRow("thin stroke leaning across") << Spans{{4, 5}, {2, 3}, {0, 1}} << false;
}

void TestDialogueDash::findsSlantedDashOfItalics()
{
    QFETCH(Spans, rows);
    QFETCH(bool, found);
    QImage picture = lineStartingAt214(QStringLiteral("Hear what?"), 20, true, 42);
    QPainter painter(&picture);
    for (int row = 0; row < rows.size(); ++row)
        painter.fillRect(190 + rows[row].first, 34 + row, rows[row].second - rows[row].first + 1, 1, Qt::white);
    painter.end();
    QCOMPARE(DialogueDash::find(picture, QRect(200, 20, 200, 30)).has_value(), found);
}

void TestDialogueDash::spacesLeadingDash_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("dash without its space") << "-Who is it?" << "- Who is it?";
    QTest::newRow("dash with its space") << "- Who is it?" << "- Who is it?";
    QTest::newRow("full-width hyphen before an ideograph") << "\uff0d我在上班。" << "- 我在上班。";
    QTest::newRow("middle dot before an ideograph") << "·听到什么？" << "- 听到什么？";
    QTest::newRow("full stop before an ideograph") << "。我在上班。" << "- 我在上班。";
    QTest::newRow("middle dot before Latin stays") << "·ok" << "·ok";
    QTest::newRow("一 is a word") << "一切都好" << "一切都好";
    QTest::newRow("hyphenated word") << "Well-known" << "Well-known";
}

void TestDialogueDash::spacesLeadingDash()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QCOMPARE(DialogueDash::spacedLeadingDash(read), line);
}

void TestDialogueDash::readsCapitalIAfterDash_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("width");
    QTest::addColumn<QColor>("background");
    QTest::newRow("720p over yellow") << 20 << 1280 << QColor(0xf0, 0xf0, 0x20);
    QTest::newRow("360p over pink") << 26 << 640 << QColor(0xe0, 0x80, 0xd0);
}

void TestDialogueDash::readsCapitalIAfterDash()
{
    QString problem = PpocrModels::problem(PpocrModels::directory());
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    QFETCH(int, pixelSize);
    QFETCH(int, width);
    QFETCH(QColor, background);
    const std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(PpocrModels::directory(), &problem);
    QVERIFY2(engine, qPrintable(problem));
    const QStringList lines{QStringLiteral("- I need your help."), QStringLiteral("- I was at work.")};
    QCOMPARE(engine->recognizeLines(paintItalicDialogue(lines, pixelSize, width, background)), lines);
}

void TestDialogueDash::findsWordLostAfterDash_data()
{
    QTest::addColumn<QString>("afterDash");
    QTest::addColumn<QString>("fromDash");
    QTest::addColumn<QString>("kept"); // empty where the reading after the dash stands
    QTest::newRow("an I lost at the crop's edge") << "was at work." << "-I was at work." << "I was at work.";
    QTest::newRow("the dash read as a long one") << "was at work." << "\u2014 I was at work." << "I was at work.";
    QTest::newRow("a line opening with a capital is whole") << "Who is it?" << "-I Who is it?" << "";
    QTest::newRow("a small letter added") << "was at work." << "-a was at work." << "";
    QTest::newRow("texture read as two letters") << "was at work." << "-l I was at work." << "";
    QTest::newRow("no word of the list") << "was at work." << "-Xq was at work." << "";
    QTest::newRow("the rest read otherwise") << "was at work." << "-I was at home." << "";
}

void TestDialogueDash::findsWordLostAfterDash()
{
    if (WordList::english().isEmpty())
        QSKIP("no English word list in /usr/share/dict");
    QFETCH(QString, afterDash);
    QFETCH(QString, fromDash);
    QFETCH(QString, kept);
    const std::optional<CtcDecoder::Result> found =
        DialogueDash::withLostFirstWord(CtcReadings::reading(afterDash, 2, 1), CtcReadings::reading(fromDash, 2, 1),
                                        WordList::english());
    QCOMPARE(found ? found->text : QString(), kept);
}

void TestDialogueDash::tellsLetterStrokeFromDash_data()
{
    QTest::addColumn<QString>("afterDash");
    QTest::addColumn<QString>("fromDash");
    QTest::addColumn<bool>("stroke");
    QTest::newRow("a small T's foot serif") << "here is a secret" << "There is a secret" << true;
    QTest::newRow("the dash read too") << "here is a secret" << "-There is a secret" << false;
    QTest::newRow("a word lost after a dash") << "was at work." << "-I was at work." << false;
    QTest::newRow("a word lost without its dash") << "was at work." << "I was at work." << false;
    QTest::newRow("letters that make no word") << "here is a secret" << "Xhere is a secret" << false;
    QTest::newRow("a capital after the dash") << "Who is it?" << "TWho is it?" << false;
    QTest::newRow("a small letter added") << "here we go" << "there we go" << false;
    QTest::newRow("the rest read otherwise") << "here is a secret" << "There is a secret." << false;
}

void TestDialogueDash::tellsLetterStrokeFromDash()
{
    if (WordList::english().isEmpty())
        QSKIP("no English word list in /usr/share/dict");
    QFETCH(QString, afterDash);
    QFETCH(QString, fromDash);
    QFETCH(bool, stroke);
    QCOMPARE(DialogueDash::barIsLetterStroke(CtcReadings::reading(afterDash, 2, 1), CtcReadings::reading(fromDash, 2, 1),
                                             WordList::english()),
             stroke);
}

QTEST_MAIN(TestDialogueDash)
#include "tst_dialoguedash.moc"
