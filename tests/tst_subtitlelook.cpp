#include "recognition/gluedlettering.h"
#include "recognition/subtitlelook.h"

#include "ocr/letters/wordlist.h"

#include <QtTest>

namespace {

using Piece = LineReading::Piece;

// A subtitle of the painted video: 60 pixels high, centred on x = 960, white with a black outline.
QRect centred(const QString &text, int top = 1000)
{
    const int width = 24 * int(text.size());
    return QRect(960 - width / 2, top, width, 60);
}

LineLook look(const QString &text, const QRect &box, float confidence = 0.97f, QColor light = QColor(240, 240, 240),
              QColor dark = QColor(10, 10, 10), QList<Piece> pieces = {})
{
    if (pieces.isEmpty())
        pieces = {Piece{text, box, confidence}};
    return LineLook{LineReading{text, box, confidence, pieces}, light, dark};
}

// A video with a subtitle every 2.5 s, shown for 2 s: readings, and what the pictures showed.
struct Video
{
    QList<FrameSample> samples;
    LineLooks looks;

    void read(qint64 time, const QList<LineLook> &lines)
    {
        FrameSample sample{time, {}};
        for (const LineLook &line : lines)
            sample.lines << line.reading.text;
        samples << sample;
        looks.insert(time, lines);
    }
    void blank(qint64 time) { samples << FrameSample{time, {}}; }
};

const QStringList subtitles{"The river keeps its secrets well", "Nobody came back from the hills",
                            "We will leave before the rain", "Men freely believe that", "Keep the lamp burning",
                            "No."};

Video paintedVideo(int count = int(subtitles.size()))
{
    Video video;
    for (int i = 0; i < count; ++i) {
        video.read(i * 2500, {look(subtitles[i], centred(subtitles[i]))});
        video.blank(i * 2500 + 2000);
    }
    return video;
}

QStringList textsOf(const QList<SRTEntry> &entries)
{
    QStringList texts;
    for (const SRTEntry &entry : entries)
        texts << entry.text.trimmed();
    return texts;
}

QStringList textsOf(const QList<RefusedEntry> &refused)
{
    QStringList texts;
    for (const RefusedEntry &item : refused)
        texts << item.entry.text.trimmed();
    return texts;
}

const QColor grass(90, 200, 60), shade(20, 60, 10);

} // namespace

class TestSubtitleLook : public QObject
{
    Q_OBJECT
private slots:
    void onlySubtitlesBecomeEntries_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("scene");
        QTest::addColumn<QStringList>("accepted");
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("texture read beside a subtitle")
            << int(subtitles.size()) << 0 << subtitles << QStringList{"11111P"};
        QTest::newRow("texture read between subtitles") << int(subtitles.size()) << 1 << subtitles << QStringList{"Ml."};
        QTest::newRow("a sign panning through the band above a subtitle")
            << int(subtitles.size()) << 2 << subtitles << QStringList{"27 to Carlisle"};
        QTest::newRow("a sign glued in front of a subtitle, found as its own piece")
            << int(subtitles.size()) << 3 << subtitles << QStringList{"27to Car"};
        QTest::newRow("a sign read alone, then as one line with a subtitle")
            << int(subtitles.size()) << 5 << subtitles << QStringList{"27 to Carlisle", "27 to Carlis"};
        QTest::newRow("a sign panning out of the picture, then glued to a subtitle")
            << int(subtitles.size()) << 6 << subtitles << QStringList{"27 to Carlis"};
        QTest::newRow("a subtitle unlike the others only in colour")
            << int(subtitles.size()) << 4 << subtitles + QStringList{"Then it turned yellow"} << QStringList();
        QTest::newRow("too few sure lines to know the subtitles: nothing refused")
            << 2 << 0 << QStringList{subtitles[0] + "\n11111P", subtitles[1]} << QStringList();
    }
    // A piece of a panning sign read on its own, its start lost at the band's edge, is the sign
    // too: nothing of it is kept as a line that had some lettering glued on.
    void pieceOfASignReadAloneIsTheSign()
    {
        Video video = paintedVideo();
        for (int step = 0; step < 4; ++step)
            video.read(7000 + step * 50, {look(QStringLiteral("27 to Carlisle"), QRect(400 + 40 * step, 1000, 336, 60))});
        video.read(7200, {look(QStringLiteral("to Carl isle"), QRect(250, 1000, 260, 60))});
        const SubtitleLook::Verdict verdict = SubtitleLook::judge(video.samples, video.looks);
        QCOMPARE(textsOf(verdict.accepted), subtitles);
    }

    void onlySubtitlesBecomeEntries()
    {
        QFETCH(int, count);
        QFETCH(int, scene);
        Video video = paintedVideo(count);
        const QString sign = QStringLiteral("27 to Carlisle");
        switch (scene) {
        case 0: // green texture at the left, low and small, in the first subtitle's reading
            video.looks[0] << look("11111P", QRect(120, 1040, 150, 34), 0.7f, grass, shade);
            video.samples[0].lines << "11111P";
            break;
        case 1:
            video.read(2200, {look("Ml.", QRect(1500, 1020, 70, 40), 0.8f, grass, shade)});
            break;
        case 2: // the picture pans: the sign, as tall and white as a subtitle, slides by 40 pixels a reading
            for (int step = 0; step < 5; ++step)
                video.read(2500 + step * 400, {look(sign, QRect(700 + 40 * step, 930, 336, 60)),
                                               look(subtitles[1], centred(subtitles[1]))});
            break;
        case 3: { // the sign's piece far left of the centred subtitle, read as one line
            const QRect subtitle = centred(subtitles[3]);
            const QRect piece(subtitle.left() - 260, 1000, 200, 60);
            video.looks[7500] = {look("27to Car " + subtitles[3], piece | subtitle, 0.96f, QColor(240, 240, 240),
                                      QColor(10, 10, 10), {Piece{"27to Car", piece, 0.9f}, Piece{subtitles[3], subtitle, 0.98f}})};
            video.samples[6].lines = QStringList{"27to Car " + subtitles[3]};
            break;
        }
        case 5: { // between two subtitles the sign slides by alone; the next reading joins it to one
            for (int step = 0; step < 4; ++step)
                video.read(7000 + step * 100, {look(sign, QRect(100 + 40 * step, 1000, 336, 60))});
            const QString glued = "27 to Carlis" + subtitles[3];
            video.looks[7500] = {look(glued, centred(subtitles[3]).united(QRect(260, 1000, 10, 60)))};
            video.samples[6].lines = QStringList{glued};
            break;
        }
        case 6: { // as 5, its last readings alone pieces: the sign slides out at the left
            for (int step = 0; step < 4; ++step)
                video.read(7050 + step * 50, {look(sign, QRect(260 - 40 * step, 1000, 336, 60))});
            video.read(7300, {look("to Carlisle", QRect(0, 1000, 290, 60))});
            video.read(7400, {look("to Carl isle", QRect(0, 1000, 280, 60))});
            const QString glued = "27 to Carlis" + subtitles[3];
            video.looks[7500] = {look(glued, centred(subtitles[3]).united(QRect(100, 1000, 10, 60)))};
            video.samples[6].lines = QStringList{glued};
            break;
        }
        case 4:
            video.read(20000, {look("Then it turned yellow", centred("Then it turned yellow"), 0.97f, QColor(240, 230, 20))});
            video.blank(22000);
            break;
        }
        const SubtitleLook::Verdict verdict = SubtitleLook::judge(video.samples, video.looks);
        QTEST(textsOf(verdict.accepted), "accepted");
        QTEST(textsOf(verdict.refused), "refused");
        for (const RefusedEntry &item : verdict.refused)
            QVERIFY2(!item.reason.isEmpty(), qPrintable(item.entry.text));
    }

    void gluedLetteringIsTakenOff_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("lettering");
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("rest");
        QTest::newRow("whole, before the subtitle") << "27 to Carlisle Death is nature's way" << "27 to Carlisle" << true
                                                    << "Death is nature's way";
        QTest::newRow("its end under the subtitle's first letter")
            << "27 to CarlisFyerything ends badly." << "27 to Carlisle" << true << "Fyerything ends badly.";
        QTest::newRow("its start outside the picture, its end a stroke") << "t o C a r l i sI He is truly wise"
                                                                         << "27 to Carlisle" << true << "He is truly wise";
        QTest::newRow("the pronoun after it is the subtitle's") << "27 to CarlisleI think so" << "27 to Carlisle" << true
                                                                << "I think so";
        QTest::newRow("after the subtitle, in part") << "price to pay for independencearking 8am-" << "No Parking 8am-"
                                                     << false << "price to pay for independence";
        QTest::newRow("after the subtitle, its hidden first letter a stroke on the last word")
            << "Reality is for people who lack imaginationdo Parking 8am" << "No Parking 8am-" << false
            << "Reality is for people who lack imagination";
        QTest::newRow("after the subtitle, a last word that is one with the letter keeps it")
            << "Give me the cardso Parking 8am" << "No Parking 8am-" << false << "Give me the cards";
        QTest::newRow("a subtitle opening with other letters is left whole")
            << "Car parks are full tonight" << "27 to Carlisle" << true << "Car parks are full tonight";
        QTest::newRow("too little of it to tell") << "Carl went home early" << "27 to Carlisle" << true
                                                  << "Carl went home early";
    }
    void gluedLetteringIsTakenOff()
    {
        QFETCH(QString, line);
        QFETCH(QString, lettering);
        QFETCH(bool, atStart);
        const GluedLettering::End end = atStart ? GluedLettering::End::Start : GluedLettering::End::Finish;
        const int count = GluedLettering::matchedCharacters(line, lettering, end);
        QTEST(count ? GluedLettering::withoutStrayLetter(GluedLettering::without(line, count, end), end, WordList::english())
                    : line,
              "rest");
    }

    void linesTheRecogniserToldNothingAboutAreKept()
    {
        // Tesseract and the playback way give text alone: a reading without looks stays as read.
        Video video = paintedVideo();
        video.samples.insert(1, FrameSample{1000, {"11111P"}});
        const SubtitleLook::Verdict verdict = SubtitleLook::judge(video.samples, video.looks);
        QVERIFY(verdict.refused.isEmpty());
        QVERIFY(textsOf(verdict.accepted).contains("11111P"));
    }
};

QTEST_GUILESS_MAIN(TestSubtitleLook)
#include "tst_subtitlelook.moc"
