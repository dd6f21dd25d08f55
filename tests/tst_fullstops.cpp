#include "ocr/letters/commatails.h"
#include "ocr/letters/dashesbetweenwords.h"
#include "ocr/letters/fullstops.h"
#include "ocr/letters/lettercase.h"
#include "ocr/letters/quoteticks.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr double pixelsPerStep = 4;

struct PaintedLine
{
    QImage picture;
    QRect box;
    CtcDecoder::Result read;
};

struct Look
{
    bool outlined = true;
    int specks = 0;       // small squares of the fill after the line: texture
    int specksRaised = 0; // pixels from the baseline up to their foot
    // Each character read placed over the next painted one it matches, where the reading leaves
    // out some the picture shows ("fonder-of" over "fonder -- of").
    bool placedByText = false;
    QFont face = QFont(QStringLiteral("DejaVu Sans"));
    int cutThrough = -1; // a character cut in two across, as a video's compression breaks a thin mark
};

// `painted` white with a black outline (or yellow without one) over noise, `look`'s specks after
// it, and the recogniser's reading `read` placed along the line: its characters where the painted
// ones are, any more after the end.
PaintedLine paintLine(const QString &painted, const QString &read, const Look &look)
{
    QFont font(look.face);
    font.setPixelSize(40);
    const QFontMetricsF metrics(font);
    PaintedLine line{QImage(900, 100, QImage::Format_RGB32), {}, {}};
    QRandomGenerator random(7);
    for (int y = 0; y < line.picture.height(); ++y)
        for (int x = 0; x < line.picture.width(); ++x) {
            // Plain letters stand over stripes, as over a picture's texture: no one colour
            // surrounds what lies on them.
            const int v = look.outlined ? 60 + int(random.bounded(120)) : ((x / 4) % 2 ? 130 : 50) + int(random.bounded(40));
            line.picture.setPixel(x, y, qRgb(v, v + 10 - int(random.bounded(20)), v));
        }
    QPainter painter(&line.picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const double left = 40, baseline = 65;
    QPainterPath path;
    path.addText(left, baseline, font, painted);
    const QColor fill = look.outlined ? QColor(Qt::white) : QColor(248, 248, 8);
    if (look.outlined)
        painter.strokePath(path, QPen(Qt::black, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, fill);
    if (look.cutThrough >= 0) {
        const double x = left + metrics.horizontalAdvance(painted.left(look.cutThrough))
                         + metrics.horizontalAdvance(painted.at(look.cutThrough)) / 2;
        painter.fillRect(QRectF(x - 1, baseline - 40, 2, 40), Qt::black);
    }
    const double end = left + metrics.horizontalAdvance(painted);
    for (int i = 0; i < look.specks; ++i)
        painter.fillRect(int(end) + 4 + i * 6, int(baseline) - 3 - look.specksRaised + (i % 2) * 2, 3, 3, fill);
    painter.end();
    line.box = path.boundingRect().toAlignedRect().adjusted(-6, -6, 6, 6);

    line.read.pixelsPerStep = pixelsPerStep;
    qsizetype matched = -1;
    for (qsizetype i = 0; i < read.size(); ++i) {
        qsizetype at = i;
        if (look.placedByText) {
            at = painted.indexOf(read.at(i), matched + 1);
            matched = at < 0 ? matched : at;
        }
        // The recogniser sees a character at about its middle.
        const double x = at >= 0 && at < painted.size()
                             ? left + metrics.horizontalAdvance(painted.left(at)) + metrics.horizontalAdvance(painted.at(at)) / 2
                             : end + 4 + (i - painted.size()) * 6;
        CtcDecoder::Character character;
        character.text = read.at(i);
        character.first = character.last = int((x - (line.box.left() - 10)) / pixelsPerStep); // crop's steps
        character.spaceBefore = i > 0 && read.at(i - 1) == QLatin1Char(' ');
        if (read.at(i) != QLatin1Char(' '))
            line.read.characters << character;
    }
    line.read.text = CtcDecoder::Result::joined(line.read.characters);
    return line;
}

using Rule = bool (*)(const QImage &, const QRect &, const QRect &, CtcDecoder::Result &);

void addColumns()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("specks");
    QTest::addColumn<QString>("kept");
}

// The row's line painted, `rule` applied to its reading: the text kept, and whether the rule
// said it changed it.
void checkRule(Rule rule)
{
    QFETCH(QString, painted);
    QFETCH(QString, read);
    QFETCH(bool, specks);
    QFETCH(QString, kept);
    PaintedLine line = paintLine(painted, read, specks ? Look{true, 3, 2} : Look{});
    const QRect crop = line.box.adjusted(-10, -8, 16, 8);
    const QString before = line.read.text;
    const bool changed = rule(line.picture, line.box, crop, line.read);
    QCOMPARE(line.read.text, kept);
    QCOMPARE(changed, kept != before);
}

} // namespace

class TestFullStops : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheStopsThePictureShows_data();
    void keepsTheStopsThePictureShows();
    void addsTheStopThePictureShows_data();
    void addsTheStopThePictureShows();
    void addsTheStopOfPlainLetters_data();
    void addsTheStopOfPlainLetters();
    void dropsStopsOfNoInk_data();
    void dropsStopsOfNoInk();
    void addsTheCommasThePictureShows_data();
    void addsTheCommasThePictureShows();
    void closesQuotations_data();
    void closesQuotations();
    void addsQuotesBetweenWords_data();
    void addsQuotesBetweenWords();
    void mendsStopsBetweenSentences_data();
    void mendsStopsBetweenSentences();
    void mendsCommasBeforeSentences_data();
    void mendsCommasBeforeSentences();
    void countsMarksInRuns_data();
    void countsMarksInRuns();
    void setsDashesApart_data();
    void setsDashesApart();
    void tellsStopsFromCommasByTheirTails_data();
    void tellsStopsFromCommasByTheirTails();
    void readsCapitalsByTheirHeight_data();
    void readsCapitalsByTheirHeight();
};

void TestFullStops::keepsTheStopsThePictureShows_data()
{
    addColumns();
    QTest::newRow("stop read as an ellipsis over specks") << "He left the company." << "He left the company..."
                                                          << true << "He left the company.";
    QTest::newRow("stop read twice on plain ground") << "He left the company." << "He left the company.." << false
                                                     << "He left the company.";
    QTest::newRow("an ellipsis painted stays") << "He left the company..." << "He left the company..." << true
                                               << "He left the company...";
    QTest::newRow("one stop read is left alone") << "He left the company." << "He left the company." << true
                                                 << "He left the company.";
    QTest::newRow("an ellipsis read short") << "He left the company..." << "He left the company.." << false
                                            << "He left the company...";
}

void TestFullStops::keepsTheStopsThePictureShows()
{
    checkRule(FullStops::keepSeen);
}

void TestFullStops::addsTheStopThePictureShows_data()
{
    addColumns();
    QTest::newRow("a stop lost after the last letter") << "It's colder than I thought." << "It's colder than I thought"
                                                       << false << "It's colder than I thought.";
    QTest::newRow("a stop lost after a figure") << "We meet at 9." << "We meet at 9" << false << "We meet at 9.";
    QTest::newRow("no stop painted") << "If the shoe fits, it's ugly" << "If the shoe fits, it's ugly" << false
                                     << "If the shoe fits, it's ugly";
    QTest::newRow("specks of texture are no stop") << "If the shoe fits, it's ugly" << "If the shoe fits, it's ugly"
                                                   << true << "If the shoe fits, it's ugly";
    QTest::newRow("a comma lost is no stop") << "If the shoe fits," << "If the shoe fits" << false
                                             << "If the shoe fits";
    QTest::newRow("a mark read is left alone") << "It's ugly!" << "It's ugly!" << false << "It's ugly!";
    QTest::newRow("an ellipsis lost") << "He left the company..." << "He left the company" << false
                                      << "He left the company...";
    QTest::newRow("an ellipsis set apart, lost") << "He left the company ..." << "He left the company" << false
                                                 << "He left the company ...";
}

void TestFullStops::addsTheStopThePictureShows()
{
    checkRule(FullStops::addSeen);
}

// Letters without an outline over texture: no colour of the line's own encloses a stop, so it is
// told from the texture by standing alone on the letters' baseline.
void TestFullStops::addsTheStopOfPlainLetters_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<int>("specks");
    QTest::addColumn<int>("specksRaised");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a stop lost") << "Nobody knows the truth except us." << 0 << 0 << "Nobody knows the truth except us.";
    QTest::newRow("a stop lost after a figure") << "She was born in 1987." << 0 << 0 << "She was born in 1987.";
    QTest::newRow("no stop painted") << "Nobody knows the truth except us" << 0 << 0
                                     << "Nobody knows the truth except us";
    QTest::newRow("specks on the baseline are no stop") << "Nobody knows the truth except us" << 3 << 0
                                                        << "Nobody knows the truth except us";
    QTest::newRow("a speck above the baseline is no stop") << "Nobody knows the truth except us" << 1 << 9
                                                           << "Nobody knows the truth except us";
}

void TestFullStops::addsTheStopOfPlainLetters()
{
    QFETCH(QString, painted);
    QFETCH(int, specks);
    QFETCH(int, specksRaised);
    QFETCH(QString, kept);
    const QString read = painted.endsWith(QLatin1Char('.')) ? painted.chopped(1) : painted;
    PaintedLine line = paintLine(painted, read, Look{false, specks, specksRaised});
    const QRect crop = line.box.adjusted(-10, -8, 16, 8);
    FullStops::addSeen(line.picture, line.box, crop, line.read);
    QCOMPARE(line.read.text, kept);
}

void TestFullStops::dropsStopsOfNoInk_data()
{
    // A space painted where the recogniser read a stop that is not there.
    addColumns();
    QTest::newRow("a stop where no mark is") << "Speak  softly now." << "Speak. softly now." << false
                                             << "Speak softly now.";
    QTest::newRow("a comma read as a stop is a comma") << "Speak, softly now." << "Speak. softly now." << false
                                                       << "Speak, softly now.";
    QTest::newRow("a stop painted stays") << "Speak. softly now." << "Speak. softly now." << false
                                          << "Speak. softly now.";
    QTest::newRow("before a capital it stays") << "Speak  Softly now." << "Speak. Softly now." << false
                                               << "Speak. Softly now.";
}

void TestFullStops::dropsStopsOfNoInk()
{
    checkRule(FullStops::dropStopsOfNoInk);
}

void TestFullStops::addsTheCommasThePictureShows_data()
{
    // A space in the reading stands where the recogniser read nothing.
    addColumns();
    QTest::newRow("a comma lost") << "Actually, my goal." << "Actually  my goal." << false << "Actually, my goal.";
    QTest::newRow("two commas lost") << "Well, then, go." << "Well  then  go." << false << "Well, then, go.";
    QTest::newRow("a word gap of none") << "Actually my goal." << "Actually my goal." << false << "Actually my goal.";
    QTest::newRow("descenders are no commas") << "Stay young, guy." << "Stay young, guy." << false
                                              << "Stay young, guy.";
    QTest::newRow("a stop is no comma") << "Stay. Go now." << "Stay  Go now." << false << "Stay Go now.";
}

void TestFullStops::addsTheCommasThePictureShows()
{
    checkRule(FullStops::addCommasSeen);
}

void TestFullStops::closesQuotations_data()
{
    addColumns();
    QTest::newRow("a closing quote lost") << "\"Leave us alone.\"" << "\"Leave us alone." << false
                                          << "\"Leave us alone.\"";
    QTest::newRow("a closing quote read as an apostrophe") << "\"Leave us alone!\"" << "\"Leave us alone!'"
                                                           << false << "\"Leave us alone!\"";
    QTest::newRow("a quotation going on") << "\"Leave us alone." << "\"Leave us alone." << false
                                          << "\"Leave us alone.";
    QTest::newRow("a quotation closed inside the line") << "\"Leave\" us alone." << "\"Leave\" us alone." << false
                                                        << "\"Leave\" us alone.";
}

void TestFullStops::closesQuotations()
{
    checkRule(FullStops::addClosingQuote);
}

void TestFullStops::addsQuotesBetweenWords_data()
{
    // A space in the reading stands where the recogniser read nothing.
    addColumns();
    QTest::newRow("a word quoted") << "Shout 'Fire' now." << "Shout  Fire  now." << false << "Shout 'Fire' now.";
    QTest::newRow("over specks") << "Shout 'Fire' now." << "Shout  Fire  now." << true << "Shout 'Fire' now.";
    QTest::newRow("two quotations") << "\"Is it?\" \"No.\"" << "\"Is it?   No.\"" << false << "\"Is it?\" \"No.\"";
    QTest::newRow("marks read stay as read") << "Shout 'Fire' now." << "Shout 'Fire' now." << false
                                             << "Shout 'Fire' now.";
    QTest::newRow("a mark left open adds none") << "Shout 'Fire now." << "Shout  Fire now." << false
                                                << "Shout Fire now.";
}

void TestFullStops::addsQuotesBetweenWords()
{
    checkRule(QuoteTicks::addBetweenWords);
}

void TestFullStops::mendsStopsBetweenSentences_data()
{
    // A space in the reading stands where the recogniser read nothing, so that every character
    // read keeps its place along the painted line.
    addColumns();
    QTest::newRow("a stop lost") << "Swap read error. You lose." << "Swap read error  You lose." << false
                                 << "Swap read error. You lose.";
    QTest::newRow("a comma read stays") << "Hold on, I'm coming." << "Hold on, I'm coming." << false
                                        << "Hold on, I'm coming.";
    QTest::newRow("no mark before a name") << "Tell John now." << "Tell John now." << false << "Tell John now.";
}

void TestFullStops::mendsStopsBetweenSentences()
{
    checkRule(FullStops::addStopsBeforeCapitals);
}

void TestFullStops::mendsCommasBeforeSentences_data()
{
    addColumns();
    QTest::newRow("a stop read as a comma") << "Well spoken. How unusual!" << "Well spoken, How unusual!" << false
                                           << "Well spoken. How unusual!";
    QTest::newRow("a comma painted stays") << "Well spoken, How unusual!" << "Well spoken, How unusual!" << false
                                           << "Well spoken, How unusual!";
    QTest::newRow("a name may follow a comma") << "Thank you. Sarah left." << "Thank you, Sarah left." << false
                                               << "Thank you, Sarah left.";
    QTest::newRow("so may I") << "Hold on. I'm coming." << "Hold on, I'm coming." << false << "Hold on, I'm coming.";
    QTest::newRow("a stop before a pronoun the list holds capitalised") << "I bought paint. It was red."
                                                                       << "I bought paint, It was red." << false
                                                                       << "I bought paint. It was red.";
    QTest::newRow("a comma before a small letter") << "Well spoken. how odd" << "Well spoken, how odd" << false
                                                   << "Well spoken, how odd";
}

void TestFullStops::mendsCommasBeforeSentences()
{
    if (WordList::english().isEmpty())
        QSKIP("no English word list in /usr/share/dict");
    checkRule([](const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read) {
        return FullStops::commasBeforeSentences(picture, line, crop, WordList::english(), read);
    });
}

void TestFullStops::countsMarksInRuns_data()
{
    addColumns();
    QTest::newRow("an ellipsis read short inside a line") << "Wait... you too." << "Wait.. you too." << false
                                                         << "Wait... you too.";
    QTest::newRow("an ellipsis read as one stop at the end") << "I'd love to, but..." << "I'd love to, but." << false
                                                            << "I'd love to, but...";
    QTest::newRow("exclamation marks read fewer") << "Be alert!!!!" << "Be alert!!!" << false << "Be alert!!!!";
    QTest::newRow("a stop painted stays one") << "Wait. You too." << "Wait. You too." << false << "Wait. You too.";
    QTest::newRow("specks after a stop are no ellipsis") << "He left." << "He left." << true << "He left.";
    QTest::newRow("one exclamation mark stays") << "Stop! Now." << "Stop! Now." << false << "Stop! Now.";
    QTest::newRow("an ellipsis set apart read as one stop") << "Be humble ... you too." << "Be humble .   you too."
                                                           << false << "Be humble ... you too.";
    QTest::newRow("a stop set apart stays one") << "Be humble . you too." << "Be humble . you too." << false
                                               << "Be humble . you too.";
}

void TestFullStops::countsMarksInRuns()
{
    checkRule(FullStops::mendRunsOfMarks);
}

void TestFullStops::setsDashesApart_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QFont>("face");
    QTest::addColumn<int>("cutThrough");
    const QFont sans(QStringLiteral("DejaVu Sans")), narrow(QStringLiteral("Liberation Sans Narrow"));
    QFont narrowBold = narrow;
    narrowBold.setBold(true);
    QTest::newRow("a double dash read as one, its spaces lost") << "grow fonder -- of him" << "grow fonder-of him"
                                                               << "grow fonder -- of him" << sans << -1;
    QTest::newRow("a double dash read glued") << "like cologne -- to be" << "like cologne--to be"
                                             << "like cologne -- to be" << sans << -1;
    QTest::newRow("a narrow face's double dash") << "does not exist -- yet." << "does not exist-yet."
                                                 << "does not exist -- yet." << narrow << -1;
    QTest::newRow("a narrow bold face's double dash") << "does not exist -- yet." << "does not exist-yet."
                                                      << "does not exist -- yet." << narrowBold << -1;
    QTest::newRow("a double dash read spaced on one side, its bars run together")
        << "act - hesitate" << "act --hesitate" << "act -- hesitate" << sans << -1;
    QTest::newRow("a single bar is left as read") << "wait - now" << "wait-now" << "wait-now" << sans << -1;
    QTest::newRow("a compound's hyphen stays") << "a well-known man" << "a well-known man" << "a well-known man"
                                               << sans << -1;
    QTest::newRow("a hyphen broken in two is no dash") << "a dark-haired man" << "a dark-haired man"
                                                       << "a dark-haired man" << sans << 6;
    QTest::newRow("a double dash read as letters") << "the last word -- you" << "the last word co you"
                                                  << "the last word -- you" << sans << -1;
    QTest::newRow("a word between words stays") << "the last word co you" << "the last word co you"
                                               << "the last word co you" << sans << -1;
}

void TestFullStops::setsDashesApart()
{
    QFETCH(QString, painted);
    QFETCH(QString, read);
    QFETCH(QString, kept);
    QFETCH(QFont, face);
    QFETCH(int, cutThrough);
    if (QFontInfo(face).family() != face.family())
        QSKIP("the face is not installed");
    Look look;
    look.placedByText = true;
    look.face = face;
    look.cutThrough = cutThrough;
    PaintedLine line = paintLine(painted, read, look);
    const QRect crop = line.box.adjusted(-10, -8, 16, 8);
    QCOMPARE(DashesBetweenWords::mend(line.picture, line.box, crop, line.read), kept != read);
    QCOMPARE(line.read.text, kept);
}

void TestFullStops::tellsStopsFromCommasByTheirTails_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("outlined");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a stop read as a comma before I") << "I love bread. I consider" << "I love bread, I consider" << true
                                                     << "I love bread. I consider";
    QTest::newRow("before It") << "Not to be feared. It is" << "Not to be feared, It is" << true
                               << "Not to be feared. It is";
    QTest::newRow("a comma before I stays") << "Hold on, I'm coming." << "Hold on, I'm coming." << true
                                            << "Hold on, I'm coming.";
    QTest::newRow("a comma before a name stays") << "Thank you, Sarah left." << "Thank you, Sarah left." << true
                                                 << "Thank you, Sarah left.";
    QTest::newRow("a stop read as a comma closing the line") << "I don't know yet." << "I don't know yet," << true
                                                            << "I don't know yet.";
    QTest::newRow("a comma closing the line stays") << "If you go, stay," << "If you go, stay," << true
                                                   << "If you go, stay,";
    QTest::newRow("plain letters over texture are left as read") << "I love bread. I consider"
                                                                 << "I love bread, I consider" << false
                                                                 << "I love bread, I consider";
}

void TestFullStops::tellsStopsFromCommasByTheirTails()
{
    QFETCH(QString, painted);
    QFETCH(QString, read);
    QFETCH(bool, outlined);
    QFETCH(QString, kept);
    PaintedLine line = paintLine(painted, read, Look{outlined, 0, 0});
    const QRect crop = line.box.adjusted(-10, -8, 16, 8);
    QCOMPARE(CommaTails::stopsWithoutTails(line.picture, line.box, crop, line.read, true), kept != read);
    QCOMPARE(line.read.text, kept);
}

void TestFullStops::readsCapitalsByTheirHeight_data()
{
    addColumns();
    QTest::newRow("a word in capitals read small") << "Is that really YOU now?" << "Is that really you now?" << false
                                                   << "Is that really YOU now?";
    QTest::newRow("a capital of the small one's shape") << "What one fool can do" << "what one fool can do" << false
                                                        << "What one fool can do";
    QTest::newRow("one small letter among capitals") << "This is NOT a repeat." << "This is NoT a repeat." << false
                                                     << "This is NOT a repeat.";
    QTest::newRow("a name's small letters stay") << "Ask McCoy now" << "Ask McCoy now" << false << "Ask McCoy now";
    QTest::newRow("a capital made of a small letter after a comma") << "If it fails, stop the bidding."
                                                                    << "If it fails, Stop the bidding." << false
                                                                    << "If it fails, stop the bidding.";
    QTest::newRow("a capital after a comma stays") << "If it fails, Sam will bid." << "If it fails, Sam will bid."
                                                   << false << "If it fails, Sam will bid.";
    QTest::newRow("an i read as a capital inside a sentence") << "a high refractive index." << "a high refractive Index."
                                                              << false << "a high refractive index.";
    QTest::newRow("a name's capital I stays") << "a trip to Iowa, then I left" << "a trip to Iowa, then I left" << false
                                              << "a trip to Iowa, then I left";
    QTest::newRow("small letters stay") << "what one fool can do" << "what one fool can do" << false
                                        << "what one fool can do";
    QTest::newRow("a small word beside tall letters stays") << "to avoid cops in Ohio" << "to avoid cops in Ohio"
                                                            << false << "to avoid cops in Ohio";
}

void TestFullStops::readsCapitalsByTheirHeight()
{
    checkRule(LetterCase::mendFromHeights);
}

QTEST_MAIN(TestFullStops)
#include "tst_fullstops.moc"
