#include "ocr/letters/wordlist.h"
#include "ocr/letters/wordvote.h"
#include "ctcreadings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using CtcReadings::reading;

class TestWordVote : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsTokensThatAreNoWords_data();
    void findsTokensThatAreNoWords();
    void takesOnlyWordsForNonWords_data();
    void takesOnlyWordsForNonWords();
    void keepsPlacesAlongTheLine();
    void takesSpacesThatMakeWords_data();
    void takesSpacesThatMakeWords();
    void takesDoubledLettersFromWiderLook_data();
    void takesDoubledLettersFromWiderLook();
    void readsStemsForAnUnsureN();
    void pairsTokensOverTheSameStretch();
    void takesClosingMarkOfSecondLook_data();
    void takesClosingMarkOfSecondLook();
    void takesClosingMarkOfWiderLook_data();
    void takesClosingMarkOfWiderLook();

private:
    QTemporaryDir folder;
    WordList words;
};

void TestWordVote::initTestCase()
{
    QFile file(folder.filePath(QStringLiteral("words")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("the\nmost\nviolent\nstorm\nin\nyears\nI'll\nwait\nfor\nyou\nshe\ntook\nit\ntock\nlast\nnight\nat\non\n"
               "Monday\nbest\nseller\nsaid\nwill\nwit\nbe\nlittle\nattitude\nhappy\nwin\nis\nlike\na\ndead\nswords\nshall\nplay\nus\n");
    file.close();
    words = WordList(file.fileName());
    QVERIFY(!words.isEmpty());
}

void TestWordVote::findsTokensThatAreNoWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("hasNonWord");
    QTest::newRow("words of the list, punctuation around") << "I'll wait for you." << false;
    QTest::newRow("a misread letter") << "the most violent stonm" << true;
    QTest::newRow("figures and times are no words to check") << "at 10:30 on Monday" << false;
    QTest::newRow("words joined by a hyphen") << "the best-seller" << false;
    QTest::newRow("names and words in capitals are left alone") << "Thufir said BLAH!" << false;
    QTest::newRow("figures with letters are left alone") << "at 8am" << false;
    QTest::newRow("Chinese is not looked up") << QString::fromUtf8("你来吗") << false;
}

void TestWordVote::findsTokensThatAreNoWords()
{
    QFETCH(QString, line);
    QFETCH(bool, hasNonWord);
    QCOMPARE(WordVote::hasNonWord(reading(line, 2, 4).characters, words), hasNonWord);
    QVERIFY(!WordVote::hasNonWord(reading(line, 2, 4).characters, WordList()));
}

void TestWordVote::takesOnlyWordsForNonWords_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("kept");
    QTest::newRow("no word mended by the second look") << "the most violent stonm in years"
                                                       << "the most violent storm in years"
                                                       << "the most violent storm in years";
    QTest::newRow("only the non-word is taken") << "I'll wat for you" << "I wait for you" << "I'll wait for you";
    QTest::newRow("a word of the list stays, though the second differs") << "she took it" << "she tock it"
                                                                         << "she took it";
    QTest::newRow("a non-word for a non-word stays the first") << "the stonm" << "the stornm" << "the stonm";
    QTest::newRow("tokens that do not pair up leave the line alone") << "I'll wat for you" << "I'llwait for you"
                                                                     << "I'll wat for you";
    QTest::newRow("several mended") << "she took it jast nlght" << "she took it last night"
                                    << "she took it last night";
    QTest::newRow("a capitalised token stays, as a name would") << "she took it Jast" << "she took it Last"
                                                                << "she took it Jast";
}

void TestWordVote::takesOnlyWordsForNonWords()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, kept);
    const CtcDecoder::Result mended = WordVote::mended(reading(first, 2, 4), reading(second, 2, 4), words);
    QCOMPARE(mended.text, kept);
    QCOMPARE(CtcDecoder::Result::joined(mended.characters), kept);
}

void TestWordVote::takesSpacesThatMakeWords_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a glued run parted into words") << "limonyislike for a dead" << "limony is like fora dead"
                                                   << "limony is like for a dead";
    QTest::newRow("words already parted stay") << "wait for you" << "waitf or you" << "wait for you";
    QTest::newRow("a parting into no more words is left") << "stonmlast" << "sto nmlast" << "stonmlast";
    QTest::newRow("a word cut where one half is a word") << "she took the at titude" << "she took the attitude"
                                                     << "she took the attitude";
    QTest::newRow("marks alone are no piece to join") << "wait .. at last" << "wait ..at last" << "wait .. at last";
    QTest::newRow("two words stay where the second look joins them") << "at last" << "atlast" << "at last";
    QTest::newRow("other letters, nothing taken") << "limonyislike" << "limony is lika" << "limonyislike";
}

void TestWordVote::takesSpacesThatMakeWords()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, kept);
    const CtcDecoder::Result mended = WordVote::withSpacesOf(reading(first, 2, 4), reading(second, 2, 4), words);
    QCOMPARE(mended.text, kept);
    QCOMPARE(CtcDecoder::Result::joined(mended.characters), kept);
}

void TestWordVote::keepsPlacesAlongTheLine()
{
    // The second look squeezed the line: its steps are wider, so each of its characters lands
    // at twice its step in the first reading's.
    const CtcDecoder::Result first = reading(QStringLiteral("the stonm"), 2, 4);
    const CtcDecoder::Result second = reading(QStringLiteral("the storm"), 1, 8);
    const CtcDecoder::Result mended = WordVote::mended(first, second, words);
    QCOMPARE(mended.text, QStringLiteral("the storm"));
    QCOMPARE(mended.characters.size(), first.characters.size());
    for (int i = 0; i < first.characters.size(); ++i) {
        QCOMPARE(mended.characters[i].first, first.characters[i].first);
        QCOMPARE(mended.characters[i].spaceBefore, first.characters[i].spaceBefore);
    }
}

void TestWordVote::takesDoubledLettersFromWiderLook_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("wider");
    QTest::addColumn<bool>("looksWider");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a doubled l read once") << "you wil be happy" << "you will be happy" << true << "you will be happy";
    QTest::newRow("capitalised and with a mark") << "Litle attitude." << "Little attitude." << true
                                                 << "Little attitude.";
    QTest::newRow("inside a word, beside a non-word") << "an atitude stonm" << "an attitude storm" << true
                                                      << "an attitude stonm";
    QTest::newRow("the wider look reads another word: kept as read")
        << "you wil be" << "you wit be" << true << "you wil be";
    QTest::newRow("a letter more than doubled is no doubling") << "you wil be" << "you wilt be" << true
                                                               << "you wil be";
    QTest::newRow("words of the list need no wider look") << "she took it" << "she tookk it" << false
                                                         << "she took it";
    QTest::newRow("a non-word no doubling mends") << "the stonm" << "the storm" << false << "the stonm";
    QTest::newRow("figures are left alone") << "at 8am" << "at 88am" << false << "at 8am";
}

void TestWordVote::takesDoubledLettersFromWiderLook()
{
    QFETCH(QString, first);
    QFETCH(QString, wider);
    QFETCH(bool, looksWider);
    QFETCH(QString, kept);
    const CtcDecoder::Result read = reading(first, 2, 4);
    QCOMPARE(WordVote::hasLostDoubledLetter(read.characters, words), looksWider);
    QCOMPARE(WordVote::withDoubledLetters(read, reading(wider, 3, 3), words).text, kept);
}

void TestWordVote::readsStemsForAnUnsureN()
{
    // "will" in small outlined letters: the outline joins the two l's tops into an n, of which
    // the recogniser is unsure. "win" is a word too: only the wider reading decides.
    CtcDecoder::Result read = reading(QStringLiteral("you win be"), 2, 4);
    QVERIFY(!WordVote::hasLostDoubledLetter(read.characters, words));
    read.characters[5].confidence = 0.4f;
    QVERIFY(WordVote::hasLostDoubledLetter(read.characters, words));
    QCOMPARE(WordVote::withDoubledLetters(read, reading(QStringLiteral("you will be"), 3, 3), words).text,
             QStringLiteral("you will be"));
    QCOMPARE(WordVote::withDoubledLetters(read, reading(QStringLiteral("you win be"), 3, 3), words).text,
             QStringLiteral("you win be"));
    // A sure n stays, whatever the wider reading says.
    read.characters[5].confidence = 0.95f;
    QCOMPARE(WordVote::withDoubledLetters(read, reading(QStringLiteral("you will be"), 3, 3), words).text,
             QStringLiteral("you win be"));
}

void TestWordVote::pairsTokensOverTheSameStretch()
{
    // The wider look reads the doubled letter but glues two words the first parted: each token
    // still has its counterpart where the two read the same stretch of the line, and a word is
    // never swapped for part of a run.
    const CtcDecoder::Result read = reading(QStringLiteral("swords shal play for us"), 2, 4);
    QCOMPARE(WordVote::withDoubledLetters(read, reading(QStringLiteral("swords shall play forus"), 2, 4), words).text,
             QStringLiteral("swords shall play for us"));
    const CtcDecoder::Result glued = reading(QStringLiteral("the stonm foryou"), 2, 4);
    QCOMPARE(WordVote::mended(glued, reading(QStringLiteral("the storm for you"), 2, 4), words).text,
             QStringLiteral("the storm foryou"));
}

void TestWordVote::takesClosingMarkOfSecondLook_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a stop seen at the other scale") << "serve a tyrant" << "serve atyrant." << "serve a tyrant.";
    QTest::newRow("a question mark") << "who is it" << "who is it?" << "who is it?";
    QTest::newRow("no mark in either stays without") << "who is it" << "who is it" << "who is it";
    QTest::newRow("another last word: nothing taken") << "serve a tyrant" << "serve a tyrants." << "serve a tyrant";
    QTest::newRow("the first's own mark stays") << "serve a tyrant," << "serve a tyrant." << "serve a tyrant,";
    QTest::newRow("a comma closes nothing") << "serve a tyrant" << "serve a tyrant," << "serve a tyrant";
    QTest::newRow("the last word glued in the first") << "is never unemployed" << "is neverunemployed." << "is never unemployed.";
    QTest::newRow("a mark set apart is no stop of the word") << "serve a tyrant" << "serve a tyrant ." << "serve a tyrant";
}

void TestWordVote::takesClosingMarkOfSecondLook()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, kept);
    const CtcDecoder::Result read = WordVote::withFinalMarkOf(reading(first, 2, 4), reading(second, 3, 3));
    QCOMPARE(read.text, kept);
    QCOMPARE(CtcDecoder::Result::joined(read.characters), kept);
    // Whole lines of two looks at a picture are voted on alike.
    QCOMPARE(WordVote::takesFinalMark(first, second), kept != first);
}

void TestWordVote::takesClosingMarkOfWiderLook_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("wider");
    QTest::addColumn<QString>("kept");
    QTest::newRow("a stop cut by the crop read as a colon") << "under construction:" << "under construction."
                                                            << "under construction.";
    QTest::newRow("a mark seen only wider") << "who is it" << "who is it?" << "who is it?";
    QTest::newRow("the same mark") << "wait!" << "wait!" << "wait!";
    QTest::newRow("no mark wider keeps ours") << "go on," << "go on" << "go on,";
    QTest::newRow("a semicolon wider is not taken") << "go on:" << "go on;" << "go on:";
}

void TestWordVote::takesClosingMarkOfWiderLook()
{
    QFETCH(QString, first);
    QFETCH(QString, wider);
    QFETCH(QString, kept);
    QCOMPARE(WordVote::withClosingMarkOf(reading(first, 2, 4), reading(wider, 2, 5)).text, kept);
}

QTEST_GUILESS_MAIN(TestWordVote)
#include "tst_wordvote.moc"
