#include "ocr/ppocr/ctcdecoder.h"
#include "ocr/letters/gluedwords.h"
#include "ocr/letters/linetextrules.h"
#include "ocr/letters/lookalikewords.h"
#include "ocr/letters/wordgaps.h"
#include "ocr/letters/quotemarks.h"
#include "ocr/letters/wordlist.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QtTest>

#include <opencv2/core.hpp>

namespace {

// The characters of a reading written out, all at step 0, a space before each word but the first.
QList<CtcDecoder::Character> charactersOf(const QString &read)
{
    QList<CtcDecoder::Character> characters;
    bool space = false;
    for (const QChar c : read) {
        if (c != QLatin1Char(' '))
            characters << CtcDecoder::Character{QString(c), 0, 0, space, 1, {}, 0};
        space = c == QLatin1Char(' ');
    }
    return characters;
}

constexpr double pixelsPerStep = 4;

struct PaintedLine
{
    cv::Mat bgr;
    CtcDecoder::Result read;
};

struct Look
{
    QColor ground = QColor(0x20, 0x28, 0x30);
    QColor letters = Qt::white;
    double outline = 3;
    double height = 1.6; // of the crop, in pixel sizes
    double wordSpacing = 0; // added to each space, in pixels
};

// `text` painted in `look` (white with a black outline over a dark frame unless told), and the
// recogniser's reading of it as `read` (its characters, spaces where it saw them) placed at the
// painted letters' middles.

PaintedLine paintLine(const QString &text, const QString &read, const QString &family, int pixelSize,
                      double letterSpacing = 0, const Look &look = Look())
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    font.setWordSpacing(look.wordSpacing);
    const QFontMetricsF metrics(font);
    const double left = pixelSize * 0.4;
    QImage image(int(metrics.horizontalAdvance(text) + 2 * left), int(pixelSize * look.height), QImage::Format_RGB32);
    image.fill(look.ground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(left, pixelSize * (look.height - 1) / 2 + metrics.ascent(), font, text);
    painter.strokePath(path, QPen(Qt::black, look.outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, look.letters);
    painter.end();

    PaintedLine line;
    line.read.pixelsPerStep = pixelsPerStep;
    qsizetype at = 0;
    bool space = false;
    for (const QChar c : read) {
        if (c == QLatin1Char(' ')) {
            space = true;
            continue;
        }
        // A character read other than painted stands where the painted one does.
        const qsizetype found = text.indexOf(c, at);
        at = found < 0 ? at : found;
        const double middle = left + metrics.horizontalAdvance(text.left(at)) + metrics.horizontalAdvance(c) / 2;
        const int step = int(middle / pixelsPerStep);
        line.read.characters << CtcDecoder::Character{QString(c), step, step, space, 1, {}, 0};
        space = false;
        ++at;
    }
    line.bgr = cv::Mat(image.height(), image.width(), CV_8UC4, image.bits(), std::size_t(image.bytesPerLine()))
                   .clone();
    cv::Mat bgr(line.bgr.rows, line.bgr.cols, CV_8UC3);
    cv::mixChannels(line.bgr, bgr, {0, 0, 1, 1, 2, 2});
    line.bgr = bgr;
    return line;
}

// A word list of `words` (one a line), read from a file in `folder` as the system's would be.
WordList listOf(const QTemporaryDir &folder, const QByteArray &words)
{
    QFile file(folder.filePath(QStringLiteral("words")));
    if (!file.open(QIODevice::WriteOnly) || file.write(words) != words.size())
        return {};
    file.close();
    return WordList(file.fileName());
}

QString spaced(const PaintedLine &line, const WordList &words)
{
    return CtcDecoder::Result::joined(WordGaps(line.bgr, line.read).spaced(words));
}

} // namespace

class TestWordGaps : public QObject
{
    Q_OBJECT

private slots:
    void pictureDecidesSpaces_data();
    void pictureDecidesSpaces();
    void groundOfTheLettersColourIsNoInk_data();
    void groundOfTheLettersColourIsNoInk();
    void wordListSettlesOnlyWhatGeometryLeavesOpen();
    void mendsReadingByPictureAndList_data();
    void mendsReadingByPictureAndList();
    void partsGluedWords_data();
    void partsGluedWords();
    void partsIntoCommonWordsWhereGapsBarelyDiffer_data();
    void partsIntoCommonWordsWhereGapsBarelyDiffer();
    void mendsLookalikeLetters_data();
    void mendsLookalikeLetters();
    void readsWordsOfTheList_data();
    void readsWordsOfTheList();
    void readsBothSpellings();
    void mendsLostApostrophes_data();
    void mendsLostApostrophes();
    void dropsStopsBetweenWords();
    void partsPronounIFromItsWord_data();
    void partsPronounIFromItsWord();
    void partsStrokesIBetweenWords_data();
    void partsStrokesIBetweenWords();
    void shiftsSpacesOneLetterOff_data();
    void shiftsSpacesOneLetterOff();
    void spacesAfterMarks_data();
    void spacesAfterMarks();
    void keepsWordsReadOnPastLine_data();
    void keepsWordsReadOnPastLine();
    void dropsSpeckAfterLineEnd_data();
    void dropsSpeckAfterLineEnd();
    void dropsOnlyTailsOfNoWords_data();
    void dropsOnlyTailsOfNoWords();
    void comparesLettersAndFiguresAlone_data();
    void comparesLettersAndFiguresAlone();
    void spacesAroundQuotes_data();
    void spacesAroundQuotes();
};

void TestWordGaps::pictureDecidesSpaces_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");
    const QString sans = QStringLiteral("DejaVu Sans"), serif = QStringLiteral("Liberation Serif");
    // Both forms are words: only the picture can tell them apart.
    QTest::newRow("every night, space lost") << "He works every night." << "He works everynight." << sans << 40;
    QTest::newRow("everynight painted glued") << "He works everynight." << "He works everynight." << sans << 40;
    QTest::newRow("a part, space lost") << "They kept a part of it." << "They kept apart of it." << serif << 44;
    QTest::newRow("apart painted glued") << "They kept apart of it." << "They kept apart of it." << serif << 44;
    QTest::newRow("in to, space lost") << "Walk in to the room." << "Walk into the room." << sans << 36;
    QTest::newRow("into painted glued") << "Walk into the room." << "Walk into the room." << sans << 36;
    QTest::newRow("several lost, small letters") << "Are you sure this is the house?"
                                                 << "Are yousure this isthe house?" << sans << 18;
    QTest::newRow("figures and a time") << "Meet me at 9 at 7:45." << "Meet me at 9at7:45." << sans << 40;
    QTest::newRow("no space read anywhere") << "I think someone is here." << "Ithinksomeoneishere." << serif << 48;
    QTest::newRow("apostrophe kept in its word") << "It's colder than I expected."
                                                 << "It'scolder than I expected." << sans << 40;
    QTest::newRow("full stop read as a comma") << "I'll wait for you here." << "I'll wait for you here," << sans << 40;
    QTest::newRow("comma kept") << "I'll wait for you here," << "I'll wait for you here," << serif << 40;
    QTest::newRow("Chinese keeps none") << "我们明天早上八点见" << "我们明天早上八点见" << "WenQuanYi Micro Hei" << 40;
    QTest::newRow("mixed line") << "我爱New York" << "我爱New York" << "WenQuanYi Micro Hei" << 40;
}

void TestWordGaps::pictureDecidesSpaces()
{
    QFETCH(QString, painted);
    QFETCH(QString, read);
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    // Without a word list, as where the system has none: the gaps alone decide here.
    QCOMPARE(spaced(paintLine(painted, read, family, pixelSize), WordList()), painted);
}

void TestWordGaps::groundOfTheLettersColourIsNoInk_data()
{
    QTest::addColumn<double>("outline");
    QTest::addColumn<double>("height");
    QTest::newRow("ground reaching the crop's edges") << 5.0 << 1.3;
    QTest::newRow("ground shut in between merged outlines") << 16.0 << 1.6;
}

void TestWordGaps::groundOfTheLettersColourIsNoInk()
{
    QFETCH(double, outline);
    QFETCH(double, height);
    // Yellow letters over a yellow bar: the ground shows in the letters' colour wherever their
    // black outlines leave it.
    const Look yellow{QColor(0xff, 0xff, 0x20), QColor(0xff, 0xff, 0x20), outline, height};
    const PaintedLine line = paintLine(QStringLiteral("I think it is here."), QStringLiteral("Ithinkit is here."),
                                       QStringLiteral("DejaVu Serif"), 40, 0, yellow);
    QCOMPARE(spaced(line, WordList()), QStringLiteral("I think it is here."));
}

void TestWordGaps::wordListSettlesOnlyWhatGeometryLeavesOpen()
{
    QTemporaryDir folder;
    const WordList words = listOf(folder, "is\nthe\nthis\nhouse\nin\nto\ninto\n");
    QVERIFY(!words.isEmpty());
    // Glued by the painter too: the gap is the letter spacing, which no list may open.
    const PaintedLine glued = paintLine(QStringLiteral("Isthe house"), QStringLiteral("Isthe house"),
                                        QStringLiteral("DejaVu Sans"), 40);
    QCOMPARE(spaced(glued, words), QStringLiteral("Isthe house"));
    const PaintedLine into = paintLine(QStringLiteral("Go into this house"), QStringLiteral("Go into this house"),
                                       QStringLiteral("DejaVu Sans"), 40);
    QCOMPARE(spaced(into, words), QStringLiteral("Go into this house"));
    // Letters set so close that they touch: the picture rules nothing out, the list parts.
    const PaintedLine filled = paintLine(QStringLiteral("Isthe house"), QStringLiteral("Isthe house"),
                                         QStringLiteral("DejaVu Sans"), 40, -4);
    QCOMPARE(spaced(filled, words), QStringLiteral("Is the house"));
    // Small outlined letters whose word gap the outline nearly fills, left a pixel or two wider
    // than their letter gaps: the list parts there, and not where the painter glued them.
    const WordList callTheHouse = listOf(folder, "call\nthe\nhouse\n");
    for (const int size : {16, 20}) {
        Look small;
        small.outline = size / 8.0;
        small.wordSpacing = -4;
        const PaintedLine close = paintLine(QStringLiteral("Call the house"), QStringLiteral("Callthe house"),
                                            QStringLiteral("DejaVu Sans"), size, 0, small);
        QCOMPARE(spaced(close, callTheHouse), QStringLiteral("Call the house"));
        const PaintedLine gluedSmall = paintLine(QStringLiteral("Callthe house"), QStringLiteral("Callthe house"),
                                                 QStringLiteral("DejaVu Sans"), size, 0, small);
        QCOMPARE(spaced(gluedSmall, callTheHouse), QStringLiteral("Callthe house"));
    }
}


void TestWordGaps::mendsReadingByPictureAndList_data()
{
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("a half no word, the whole one") << "We all make it." << "We all ma ke it." << "We all make it.";
    QTest::newRow("the picture shows the space") << "We all ma ke it." << "We all ma ke it." << "We all ma ke it.";
    QTest::newRow("both halves words stay parted") << "Keep apart of it." << "Keep a part of it." << "Keep a part of it.";
    QTest::newRow("apostrophes the recogniser lost") << "It's cold, we're here." << "Its cold, were here."
                                                     << "It's cold, we're here.";
    QTest::newRow("apostrophe read as a letter") << "I'd go." << "Ivd go." << "I'd go.";
    QTest::newRow("no apostrophe painted, none put in") << "Its kit, we were here." << "Its kit, we were here."
                                                        << "Its kit, we were here.";
}

void TestWordGaps::mendsReadingByPictureAndList()
{
    QFETCH(QString, painted);
    QFETCH(QString, read);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "we\nall\nmake\nma\nit\nkeep\napart\na\npart\nof\nits\nit's\nkit\n"
                                          "kit's\ncold\nwere\nwe're\nhere\nI'd\ngo\n");
    QCOMPARE(spaced(paintLine(painted, read, QStringLiteral("DejaVu Sans"), 40), words), line);
}

void TestWordGaps::partsGluedWords_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QList<int>>("gaps"); // before each character; -1 where the picture rules a space out
    QTest::addColumn<QString>("line");
    const QList<int> filled(20, 0);
    QTest::newRow("two words") << "Callthe police" << filled << "Call the police";
    QTest::newRow("three words, mark kept") << "Isanybodythere?" << filled << "Is anybody there?";
    QTest::newRow("figures and a time") << "9at7:45." << filled << "9 at 7:45.";
    QTest::newRow("the wider gap decides: I told, not It old") << "Itold" << QList<int>{-1, 1, 0, 0, 0} << "I told";
    QTest::newRow("the picture rules it out") << "Isthe" << QList<int>{-1, 0, -1, 0, 0} << "Isthe";
    QTest::newRow("a word stays") << "into" << filled << "into";
    QTest::newRow("a look-alike misread stays") << "littie" << filled << "littie";
    QTest::newRow("a name's capital I read as l stays") << "lowa" << filled << "lowa";
    QTest::newRow("no rare short words") << "cfthe ixto" << filled << "cfthe ixto";
    QTest::newRow("Chinese stays") << "我们明天见" << filled << "我们明天见";
    // Runs of any length part wherever every part is a listed word; without a gap to tell, the
    // fewest words win.
    QTest::newRow("five words, apart kept whole") << "tooktheclockapartlast" << filled << "took the clock apart last";
    QTest::newRow("a part where the picture opens its gap")
        << "clockapartlast" << QList<int>{-1, 0, 0, 0, 0, 3, 3, 0, 0, 0, 3, 0, 0, 0} << "clock a part last";
    QTest::newRow("apart where its gap is as narrow as a letter's")
        << "clockapartlast" << QList<int>{-1, 0, 0, 0, 0, 3, 1, 0, 0, 0, 3, 0, 0, 0} << "clock apart last";
    QTest::newRow("If it, not I fit: the gaps rank the splits")
        << "Ifitrains,westay" << QList<int>{-1, 0, 3, 0, 3, 0, 0, 0, 0, -1, 3, 0, 2, 0, 0, 0} << "If it rains, we stay";
    QTest::newRow("I fit where the gap says so") << "Ifit" << QList<int>{-1, 3, 0, 0} << "I fit";
    QTest::newRow("a part no word of the list: the run stays") << "tooktheqxclock" << filled << "tooktheqxclock";
    // A part short of a doubled letter is left for the wider look to mend.
    QTest::newRow("a part that lost a doubled letter") << "wilengage" << filled << "wil engage";
    QTest::newRow("a name is no such part") << "Kilroe" << filled << "Kilroe";
    QTest::newRow("a contraction's tail glued to the next word") << "You vealways" << filled << "You ve always";
    QTest::newRow("no tail after a word that takes none") << "The vealways" << filled << "The veal ways";
    QTest::newRow("the pronoun glued to its word, a name one letter off") << "Ido" << filled << "I do";
    QTest::newRow("words run on after an ellipsis stay as written")
        << "buzzed...buzzed." << filled << "buzzed...buzzed.";
    QTest::newRow("a word gap after an ellipsis parts")
        << "buzzed...buzzed." << QList<int>{-1, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0} << "buzzed... buzzed.";
    QTest::newRow("whole words before one short of a letter, whatever the gaps between its l's")
        << "wellas" << QList<int>{-1, 0, 0, 3, 2, 0} << "well as";
    QTest::newRow("a contraction's apostrophe read as a stroke") << "Donit" << filled << "Donit";
}

void TestWordGaps::partsGluedWords()
{
    QFETCH(QString, read);
    QFETCH(QList<int>, gaps);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "call\nthe\npolice\nis\nanybody\nthere\nat\nI\nit\nold\ntold\nin\nto\n"
                                          "into\nlittle\nlit\ntie\ncf\nix\ntook\nclock\napart\npart\nlast\nif\n"
                                          "fit\nrains\nwe\nstay\nlow\na\nIowa\nwill\nengage\nkill\nroe\nwell\nas\nlas\n"
                                          "you\nyou've\nveal\nways\nalways\nbuzzed\nIda\ndo\ndon\ndon't\n");
    QList<CtcDecoder::Character> characters = charactersOf(read);
    // Gaps of 3 are the line's word gaps, of 0 or 1 its letter gaps.
    GluedWords::part(characters, std::vector<int>(gaps.cbegin(), gaps.cend()), words, 2);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::partsIntoCommonWordsWhereGapsBarelyDiffer_data()
{
    QTest::addColumn<QList<int>>("gaps");
    QTest::addColumn<QString>("line");
    // Outlined letters over texture: no gap of the token is as wide as the line's word gap (8).
    QTest::newRow("a pixel's difference: the common word wins")
        << QList<int>{-1, 8, 5, 5, 3, 6, 5, 5} << "you think";
    QTest::newRow("a word's gap where the picture shows one")
        << QList<int>{-1, 8, 5, 5, 3, 12, 5, 5} << "youth ink";
}

void TestWordGaps::partsIntoCommonWordsWhereGapsBarelyDiffer()
{
    QFETCH(QList<int>, gaps);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "you\nyouth\nthink\nink\n");
    QList<CtcDecoder::Character> characters = charactersOf(QStringLiteral("youthink"));
    GluedWords::part(characters, std::vector<int>(gaps.cbegin(), gaps.cend()), words, 8);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::mendsLookalikeLetters_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    // A letter the recogniser doubted (its confidence 0.5) and its runner-up there (0.4).
    QTest::addColumn<int>("doubted");
    QTest::addColumn<QString>("runnerUp");
    QTest::newRow("a for o where the recogniser doubted it") << "Nobady knows" << "Nobody knows" << 3 << "o";
    QTest::newRow("a doubt that makes no word stays") << "Nobady knows" << "Nobady knows" << 3 << "e";
    QTest::newRow("a doubted capital I mid-line is l") << "need Iuck" << "need luck" << 4 << "l";
    QTest::newRow("a doubted last letter's runner-up m") << "tell hin" << "tell him" << 6 << "m";
    QTest::newRow("i for l, mark kept") << "a littie bit," << "a little bit," << -1 << QString();
    QTest::newRow("i for l, fewest swaps win") << "stiil here" << "still here" << -1 << QString();
    QTest::newRow("capital I and a one inside, a one opening") << "expIain it, expia1n 1ook" << "explain it, explain look" << -1 << QString();
    QTest::newRow("rn for m and m for rn") << "tell rne, bom" << "tell me, born" << -1 << QString();
    QTest::newRow("no sure a for o: a word the list lacks stays") << "Thou hast seen it." << "Thou hast seen it." << -1 << QString();
    QTest::newRow("F for I and apostrophe") << "Fve seen, Fll go, Fxy" << "I've seen, I'll go, Fxy" << -1 << QString();
    QTest::newRow("a stroke opening a name is its capital I, lt is it") << "lowa lt, lnto" << "Iowa it, into" << -1 << QString();
    QTest::newRow("a stroke opening a sentence is its capital I") << "lt is. lnto it" << "It is. Into it" << -1 << QString();
    QTest::newRow("ambiguous stays: still or stilt") << "stili bait" << "stili bait" << -1 << QString();
    QTest::newRow("a doubled letter read once is left for a wider look, not swapped") << "wil" << "wil" << -1 << QString();
    QTest::newRow("a word stays, a lost letter is no swap") << "lit tie litle olt's vill" << "lit tie litle olt's vill" << -1 << QString();
    QTest::newRow("two strokes side by side are a stroke lost or made up, no swaps") << "unti I, mouse lis"
                                                                                << "unti I, mouse lis" << -1 << QString();
    QTest::newRow("and leave another swap in doubt") << "Ett Who" << "Ett Who" << 0 << "A";
    QTest::newRow("a name mid-line stays") << "call Littie" << "call Littie" << -1 << QString();
    QTest::newRow("rn read as m in a capitalised word mid-line") << "of Westem ways" << "of Western ways" << -1 << QString();
    QTest::newRow("the pronoun's Hll is left to the line's rules") << "Hll go" << "Hll go" << -1 << QString();
    QTest::newRow("ll is a contraction's tail, no it") << "ll go, they ll" << "ll go, they ll" << -1 << QString();
    QTest::newRow("figures and Chinese stay") << "1t 7:45 我们" << "1t 7:45 我们" << -1 << QString();
}

void TestWordGaps::mendsLookalikeLetters()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QFETCH(int, doubted);
    QFETCH(QString, runnerUp);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "a\nlittle\nbit\nstill\nstilt\nhere\nexplain\nit\ntell\nme\nborn\n"
                                          "nobody\nknows\nhost\nneed\nluck\nhit\nhim\nlook\nI've\nI'll\nseen\ngo\nbait\nlit\ntie\ncall\ntitle\nalt\nviii\nIowa\ninto\nwill\nwit\nis\n"
                                          "of\nWestern\nways\nunit\nits\nmouse\neli\nwho\n");
    QList<CtcDecoder::Character> characters;
    bool space = false;
    for (const QChar c : read) {
        if (c != QLatin1Char(' '))
            characters << CtcDecoder::Character{QString(c), int(characters.size()), int(characters.size()), space, 1, {}, 0};
        space = c == QLatin1Char(' ');
    }
    if (doubted >= 0) {
        characters[doubted].confidence = 0.5f;
        characters[doubted].runnerUp = runnerUp;
        characters[doubted].runnerUpConfidence = 0.4f;
    }
    LookalikeWords::mend(characters, words);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::readsBothSpellings()
{
    QTemporaryDir folder;
    const auto write = [&](const QString &name, const QByteArray &words) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(words) == words.size();
    };
    QVERIFY(write(QStringLiteral("american"), "color\ncol\nour\ndon't\n"));
    QVERIFY(write(QStringLiteral("british"), "colour\nour\n"));
    const WordList words(QStringList{folder.filePath(QStringLiteral("american")), folder.filePath(QStringLiteral("british")),
                                     folder.filePath(QStringLiteral("missing"))});
    QVERIFY(words.contains(QStringLiteral("color")));
    QVERIFY(words.contains(QStringLiteral("colour")));
    QCOMPARE(words.withApostrophe(QStringLiteral("dont")), QStringLiteral("don't"));
    // A British spelling read whole is no glued pair of American words.
    QList<CtcDecoder::Character> characters = charactersOf(QStringLiteral("colour"));
    GluedWords::part(characters, std::vector<int>(6, 0), words, 2);
    QCOMPARE(CtcDecoder::Result::joined(characters), QStringLiteral("colour"));
}

void TestWordGaps::readsWordsOfTheList_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("word");
    QTest::newRow("plain word") << "house" << true;
    QTest::newRow("capital opening a sentence") << "House" << true;
    QTest::newRow("punctuation around") << "\"house?\"" << true;
    QTest::newRow("possessive") << "house's" << true;
    QTest::newRow("typographic apostrophe") << QStringLiteral("don\u2019t") << true;
    QTest::newRow("figures") << "1987" << true;
    QTest::newRow("glued pair") << "isthe" << false;
    QTest::newRow("dropped g of speech") << "bowlin'," << true;
    QTest::newRow("no dropped g without its apostrophe") << "bowlin" << false;
    QTest::newRow("lone letter") << "t" << false;
    QTest::newRow("article") << "a" << true;
    QTest::newRow("pronoun") << "I" << true;
    QTest::newRow("in capitals") << "HOUSE!" << true;
    QTest::newRow("a name in capitals") << "JOHNSON" << true;
    QTest::newRow("glued in capitals") << "ISTHE" << false;
    QTest::newRow("capitals of no word") << "GENERA" << false;
    QTest::newRow("accents left out") << "cliches" << true;
    QTest::newRow("accents kept") << QStringLiteral("clich\u00e9s") << true;
    QTest::newRow("a letter lost is no accent left out") << "clichs" << false;
}

void TestWordGaps::readsWordsOfTheList()
{
    QFETCH(QString, token);
    QFETCH(bool, word);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "house\nhouse's\ndon't\nis\nthe\nt\nbowling\nJohnson\nclich\xc3\xa9s\n");
    QVERIFY(!words.isEmpty());
    QCOMPARE(words.contains(token), word);
    QVERIFY(!WordList(folder.filePath(QStringLiteral("missing"))).contains(token));
}

void TestWordGaps::mendsLostApostrophes_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("contractions") << "Dont go, theyll see. At 9 oclock" << "Don't go, they'll see. At 9 o'clock";
    QTest::newRow("words without one stay") << "I cant, we were well. Its Mr Johnsons" << "I cant, we were well. Its Mr Johnsons";
    QTest::newRow("Chinese and figures stay") << "我们 1987" << "我们 1987";
    QTest::newRow("read as a space before re, t, m and d") << "We re sure, I m sure we d go, don t"
                                                           << "We're sure, I'm sure we'd go, don't";
    QTest::newRow("a letter alone where no contraction is") << "Plan d, a t shirt, it s" << "Plan d, a t shirt, it s";
    QTest::newRow("read as a space before ll and ve") << "Quiet, they ll hear. We ve won, go ll, go ve"
                                                      << "Quiet, they'll hear. We've won, go ll, go ve";
    QTest::newRow("read as a double quote inside a word") << "Let\"s go, say \"we\"re\" x\"y"
                                                          << "Let's go, say \"we're\" x\"y";
    QTest::newRow("read as a stroke before t") << "Donit go, I didnlt. Wouldn1t, a unit, knit"
                                               << "Don't go, I didn't. Wouldn't, a unit, knit";
}

void TestWordGaps::dropsStopsBetweenWords()
{
    // A speck read as a stop in a word gap goes; an abbreviation, a title and a stop before a
    // capital stay.
    QTemporaryDir folder;
    const WordList words = listOf(folder, "even\nyou\nat\nam\nmet\nsmith\nwhen\nnothing\ncan\n");
    QCOMPARE(LineTextRules::withoutStopsBetweenWords(QStringLiteral("mistakes, even.you. at a.m. met Dr.smith, even.You"), words),
             QStringLiteral("mistakes, even you. at a.m. met Dr.smith, even.You"));
    // Colons read in word gaps go; a time's and one after a word that is none of the list stay.
    QCOMPARE(LineTextRules::withoutStopsBetweenWords(QStringLiteral("When:nothing:can, at 7:45, Ref:smith, can:"), words),
             QStringLiteral("When nothing can, at 7:45, Ref:smith, can:"));
    // A stop or comma alone after a question or exclamation goes; an ellipsis after one stays.
    QCOMPARE(LineTextRules::withoutStopsBetweenWords(QStringLiteral("- Where were you? . Now! , Wait. . What? ..."), words),
             QStringLiteral("- Where were you? Now! Wait. . What? ..."));
    // A stop and a comma read over one mark: the stop before a capital, the comma elsewhere.
    QCOMPARE(LineTextRules::withoutStopsBetweenWords(QStringLiteral("a fool., Borrow it,. then go.,"), words),
             QStringLiteral("a fool. Borrow it, then go.,"));
}

void TestWordGaps::mendsLostApostrophes()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "don't\nthey'll\no'clock\ncan't\ncant\nwe're\nwere\nwe'll\nwell\nit's\nits\n"
                                          "Johnson's\nwe've\nlet\nI'm\nwe'd\nd\nt\ns\ndidn't\nwouldn't\n");
    QVERIFY(!words.isEmpty());
    QCOMPARE(LineTextRules::mendedApostrophes(read, words), line);
    QCOMPARE(LineTextRules::mendedApostrophes(read, WordList()), read);
}

void TestWordGaps::partsPronounIFromItsWord_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("l opening the line") << "ljust want to know." << "I just want to know.";
    QTest::newRow("O after a dash, I after a stop") << "- Ojust go. Itold you!" << "- I just go. I told you!";
    QTest::newRow("words of the list stay") << "Oh no. lone Ivan. Ice" << "Oh no. lone Ivan. Ice";
    QTest::newRow("inside a sentence it stays") << "so ljust go" << "so ljust go";
    QTest::newRow("no word after the stroke stays") << "Oxqz. lt" << "Oxqz. lt";
    QTest::newRow("D after a dialogue dash") << "- Dwas at work. - Dust" << "- I was at work. - Dust";
    QTest::newRow("D opening a line without a dash stays") << "Dwas. Djust" << "Dwas. Djust";
}

void TestWordGaps::partsPronounIFromItsWord()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "just\nwant\nto\nknow\ngo\ntold\nyou\noh\nno\nlone\none\nIvan\nvan\nice\nso\nwas\nat\nwork\ndust\nDust\nus\n");
    QCOMPARE(LineTextRules::partedPronounI(read, words), line);
}

void TestWordGaps::partsStrokesIBetweenWords_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("between two words") << "Iflcan't see them" << "If I can't see them";
    QTest::newRow("after a word") << "I call them asl see them." << "I call them as I see them.";
    QTest::newRow("before a mark") << "Ask what you will asl." << "Ask what you will as I.";
    QTest::newRow("words of the list stay") << "a tool, an oil lamp" << "a tool, an oil lamp";
    QTest::newRow("a word misread stays") << "tol go" << "tol go";
    QTest::newRow("no word before the stroke stays") << "qzlsee" << "qzlsee";
    QTest::newRow("a name after it stays") << "aslIvan" << "aslIvan";
    QTest::newRow("a capital inside a sentence stays") << "you will Aslcall" << "you will Aslcall";
    QTest::newRow("an -ing with its g dropped stays") << "as sharp as a bowlin' ball." << "as sharp as a bowlin' ball.";
}

void TestWordGaps::partsStrokesIBetweenWords()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "if\ncan't\nsee\nthem\ncall\nas\nask\nwhat\nyou\nwill\ntool\noil\nlamp\nan\n"
                                          "to\ntot\ngo\nIvan\nbow\nin\nbowling\nsharp\na\nball\n");
    QCOMPARE(GluedWords::partedStrokesI(read, words), line);
}

void TestWordGaps::shiftsSpacesOneLetterOff_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("one letter too late") << "an emptyl ife." << "an empty life.";
    QTest::newRow("one letter too early") << "an empt ylife." << "an empty life.";
    QTest::newRow("two words stay") << "mid way" << "mid way";
    QTest::newRow("one word of two stays") << "empty lifx" << "empty lifx";
    QTest::newRow("no words either way") << "qxzl ife" << "qxzl ife";
}

void TestWordGaps::shiftsSpacesOneLetterOff()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "an\nempty\nlife\nmid\nway\nmidway\n");
    QList<CtcDecoder::Character> characters = charactersOf(read);
    GluedWords::shiftOffSpaces(characters, words);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::spacesAfterMarks_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("after an exclamation mark") << "Communicate!lt can't" << "Communicate! lt can't";
    QTest::newRow("after a semicolon") << "the common man;He made" << "the common man; He made";
    QTest::newRow("after a question mark") << "Why?Because" << "Why? Because";
    QTest::newRow("after a comma") << "OK,now let's" << "OK, now let's";
    QTest::newRow("a comma between figures stays") << "1,000" << "1,000";
    QTest::newRow("marks in a row stay") << "BE ALERT!!!!" << "BE ALERT!!!!";
    QTest::newRow("a mark before a quote stays") << "Why?\"" << "Why?\"";
    QTest::newRow("an abbreviation's stops stay") << "e.g.this, U.S.A.Today" << "e.g.this, U.S.A.Today";
    QTest::newRow("a stop before a capital") << "a transitory experience.Greatness" << "a transitory experience. Greatness";
    QTest::newRow("a stop before the pronoun's stroke") << "experience.lt is, here.l'm" << "experience. lt is, here. l'm";
    QTest::newRow("a stop inside a name stays") << "see readme.txt or www.example.com" << "see readme.txt or www.example.com";
    QTest::newRow("between figures it stays") << "1;2" << "1;2";
    QTest::newRow("after a colon before a capital, not in a time") << "With You:I'd, at 7:45" << "With You: I'd, at 7:45";
    QTest::newRow("a colon glued before a small letter stays") << "When:nothing" << "When:nothing";
    QTest::newRow("before a bracket after a stop, not inside a word") << "tonight.(At least) word(s)"
                                                                      << "tonight. (At least) word(s)";
    QTest::newRow("an ellipsis set apart on one side") << "be humble ...you're" << "be humble ... you're";
    QTest::newRow("ellipses run on or opening a line stay") << "...and then...so ...." << "...and then...so ....";
}

void TestWordGaps::spacesAfterMarks()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QList<CtcDecoder::Character> characters = charactersOf(read);
    QCOMPARE(LineTextRules::spacedAfterMarks(characters), read != line);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::keepsWordsReadOnPastLine_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("readBefore"); // what the line read before it was read on
    QTest::addColumn<QString>("kept");
    QTest::newRow("words read on") << "Elevators smell different to midgets." << "Elevators smell"
                                   << "Elevators smell different to midgets.";
    QTest::newRow("figures of texture after a sentence's end")
        << "Good. day to avoid cops. Crawl to school.55" << "Good day to avoid cops."
        << "Good. day to avoid cops. Crawl to school.";
    QTest::newRow("no word after the words") << "Elevators smell differ xqzt to" << "Elevators smell"
                                              << "Elevators smell differ";
    QTest::newRow("the reading's own slips stay") << "Elevatorz smell differ" << "Elevatorz" << "Elevatorz smell differ";
    QTest::newRow("nothing read on is a word") << "Elevators qxzv" << "Elevators" << "Elevators";
}

void TestWordGaps::keepsWordsReadOnPastLine()
{
    const WordList &words = WordList::english();
    if (words.isEmpty())
        QSKIP("no English word list in /usr/share/dict");
    QFETCH(QString, read);
    QFETCH(QString, readBefore);
    QFETCH(QString, kept);
    QList<CtcDecoder::Character> characters = charactersOf(read);
    const qsizetype letters = std::count_if(readBefore.cbegin(), readBefore.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    characters.resize(LineTextRules::charactersOfWordsAfter(characters, letters, words));
    QCOMPARE(CtcDecoder::Result::joined(characters), kept);
}

void TestWordGaps::dropsSpeckAfterLineEnd_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<float>("lastConfidence");
    QTest::addColumn<QString>("line");
    QTest::newRow("unsure letter after the end") << "go home. M" << 0.23f << "go home.";
    QTest::newRow("unsure doubled stop") << "lovely today.." << 0.65f << "lovely today.";
    QTest::newRow("sure letter after the end stays") << "Plan B? A" << 0.9f << "Plan B? A";
    QTest::newRow("ellipsis stays") << "wait..." << 0.3f << "wait...";
    QTest::newRow("sure stop after a question mark") << "from the hall?." << 0.9f << "from the hall?";
    QTest::newRow("ellipsis after a question mark stays") << "what?..." << 0.9f << "what?...";
    QTest::newRow("unsure end of a word stays") << "oh hi" << 0.3f << "oh hi";
}

void TestWordGaps::dropsSpeckAfterLineEnd()
{
    QFETCH(QString, read);
    QFETCH(float, lastConfidence);
    QFETCH(QString, line);
    QList<CtcDecoder::Character> characters = charactersOf(read);
    characters.last().confidence = lastConfidence;
    QCOMPARE(LineTextRules::dropSpeckAfterEnd(characters), read != line);
    QCOMPARE(CtcDecoder::Result::joined(characters), line);
}

void TestWordGaps::dropsOnlyTailsOfNoWords_data()
{
    QTest::addColumn<QStringList>("longer");
    QTest::addColumn<QStringList>("shorter");
    QTest::addColumn<bool>("dropsTails");
    QTest::newRow("texture read on past a line") << QStringList{"Keep your voice down\"sa\"x m\"\"", "they can hear us"}
                                                 << QStringList{"Keep your voice down", "they can hear us"} << true;
    QTest::newRow("a word is no tail") << QStringList{"We have to go now"} << QStringList{"We have to go"} << false;
    QTest::newRow("the same lines drop nothing") << QStringList{"We have to go"} << QStringList{"We have to go"} << false;
    QTest::newRow("other letters") << QStringList{"Keep your voice down xq"} << QStringList{"Keep your vice down"} << false;
    QTest::newRow("a line lost") << QStringList{"Keep your voice down", "we go"} << QStringList{"Keep your voice down"}
                                 << false;
    QTest::newRow("a closing mark is the line's") << QStringList{"We have to go now."} << QStringList{"We have to go now"}
                                                  << false;
    QTest::newRow("more dropped than kept") << QStringList{"Go qzxqzxqzx"} << QStringList{"Go"} << false;
    QTest::newRow("ideographs are kept") << QStringList{"我们明天早上七点出发"} << QStringList{"我们明天早上"} << false;
}

void TestWordGaps::dropsOnlyTailsOfNoWords()
{
    QFETCH(QStringList, longer);
    QFETCH(QStringList, shorter);
    QTemporaryDir folder;
    const WordList words = listOf(folder, "keep\nyour\nvoice\ndown\nthey\ncan\nhear\nus\nnow\nwe\nhave\nto\ngo\n");
    QVERIFY(!words.isEmpty());
    QTEST(LineTextRules::dropsOnlyTailsOfNoWords(longer, shorter, words), "dropsTails");
}

void TestWordGaps::comparesLettersAndFiguresAlone_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("onlyMarks");
    QTest::newRow("an apostrophe made up, a stop lost")
        << QStringList{"A hundred lemming's can't be wrong"} << QStringList{"A hundred lemmings can't be wrong!"} << true;
    QTest::newRow("spaces alone") << QStringList{"Meetme at 7:45"} << QStringList{"Meet me at 7:45."} << true;
    QTest::newRow("a letter differs") << QStringList{"a lea! best served"} << QStringList{"a meal best served"} << false;
    QTest::newRow("a figure differs") << QStringList{"at 7:45"} << QStringList{"at 7:46"} << false;
    QTest::newRow("a letter more") << QStringList{"Its colder"} << QStringList{"It is colder"} << false;
    QTest::newRow("the same letters over other lines") << QStringList{"We go", "now"} << QStringList{"We", "go now"}
                                                       << false;
    QTest::newRow("a line more") << QStringList{"We go"} << QStringList{"We go", "..."} << false;
    QTest::newRow("ideographs") << QStringList{"我们明天见。"} << QStringList{"我们明天见"} << true;
}

void TestWordGaps::comparesLettersAndFiguresAlone()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QTEST(LineTextRules::differOnlyInMarks(first, second), "onlyMarks");
    QTEST(LineTextRules::differOnlyInMarks(second, first), "onlyMarks");
}

QTEST_MAIN(TestWordGaps)
void TestWordGaps::spacesAroundQuotes_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("line");
    QTest::newRow("a quotation run into the word before")
        << "tasted an\"end\"? Really?" << "tasted an \"end\"? Really?";
    QTest::newRow("two quotations run together")
        << "\"You PROMISED!\"\"Tell 'em.\"" << "\"You PROMISED!\" \"Tell 'em.\"";
    QTest::newRow("a closing quote run into the next word") << "said \"no\"and left" << "said \"no\" and left";
    QTest::newRow("typographic quotes")
        << QStringLiteral("\u201cYou!\u201d\u201cMe.\u201d") << QStringLiteral("\u201cYou!\u201d \u201cMe.\u201d");
    QTest::newRow("spaced quotations stay") << "he said \"no\" twice" << "he said \"no\" twice";
    QTest::newRow("an odd one out leaves no telling") << "he said\"no" << "he said\"no";
    QTest::newRow("a quotation after a parenthesis") << "(\"no\")" << "(\"no\")";
    QTest::newRow("a mark at the line's end opens nothing")
        << QStringLiteral("Hear that?\u201c") << QStringLiteral("Hear that?\u201c");
    QTest::newRow("Chinese sets none")
        << QStringLiteral("他说\u201c走\u201d了") << QStringLiteral("他说\u201c走\u201d了");
}

void TestWordGaps::spacesAroundQuotes()
{
    QFETCH(QString, read);
    QFETCH(QString, line);
    QCOMPARE(QuoteMarks::spaced(read), line);
}

#include "tst_wordgaps.moc"
