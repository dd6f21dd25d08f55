#include "recognition/segmentation.h"

#include <QtTest>

namespace {

FrameSample sample(qint64 time, const QStringList &lines)
{
    return FrameSample{time, lines};
}

// One sample per letter of the pattern, 100 ms apart: each letter stands for a subtitle text,
// '_' for a frame without text.
QList<FrameSample> samplesFor(const QString &pattern, const QHash<QChar, QStringList> &texts)
{
    QList<FrameSample> samples;
    for (int i = 0; i < pattern.size(); ++i)
        samples.append(sample(100 * i, pattern[i] == QLatin1Char('_') ? QStringList() : texts.value(pattern[i])));
    return samples;
}

const QHash<QChar, QStringList> texts{
    {QLatin1Char('A'), {"Hello world"}},
    {QLatin1Char('B'), {"Completely different"}},
    {QLatin1Char('C'), {"你好世界"}},
};

} // namespace

class TestSegmentation : public QObject
{
    Q_OBJECT
private slots:
    void lcs_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("length");
        QTest::newRow("one empty") << QByteArray("abc") << QByteArray() << 0;
        QTest::newRow("equal") << QByteArray("abc") << QByteArray("abc") << 3;
        QTest::newRow("classic") << QByteArray("ABCBDAB") << QByteArray("BDCABA") << 4;
        QTest::newRow("disjoint") << QByteArray("abc") << QByteArray("xyz") << 0;
    }
    void lcs()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, length);
        QCOMPARE(Segmentation::lcsLength(a, b), length);
        QCOMPARE(Segmentation::lcsLength(b, a), length);
    }

    void similarity_data()
    {
        QTest::addColumn<QStringList>("a");
        QTest::addColumn<QStringList>("b");
        QTest::addColumn<bool>("similar");
        QTest::newRow("two empty texts") << QStringList() << QStringList() << true;
        QTest::newRow("empty beside text") << QStringList() << QStringList{"a"} << false;
        QTest::newRow("ratio exactly 0.6") << QStringList{"abc"} << QStringList{"abcde"} << true;
        QTest::newRow("ratio below 0.6") << QStringList{"ab"} << QStringList{"abcde"} << false;
        QTest::newRow("line breaks elsewhere") << QStringList{"Hello", "world"} << QStringList{"Hel", "loworld"} << true;
        QTest::newRow("one OCR slip") << QStringList{"How are you"} << QStringList{"How are yon"} << true;
        QTest::newRow("case only") << QStringList{"HELLO there my friend"} << QStringList{"hello there my friend"} << true;
        QTest::newRow("different subtitles") << QStringList{"Hello world"} << QStringList{"Completely different"} << false;
    }
    void similarity()
    {
        QFETCH(QStringList, a);
        QFETCH(QStringList, b);
        QTEST(Segmentation::isSimilar(sample(0, a), sample(1, b)), "similar");
    }

    void groups_data()
    {
        QTest::addColumn<QString>("pattern");
        // Each entry as "first index-last index".
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no samples") << "" << QStringList();
        QTest::newRow("frames without text make no entry") << "_____" << QStringList();
        QTest::newRow("three samples never make an entry") << "AAA" << QStringList();
        QTest::newRow("four identical samples") << "AAAA" << QStringList{"0-2"};
        QTest::newRow("whole list identical: last sample never joins") << "AAAAAAA" << QStringList{"0-5"};
        QTest::newRow("A4 B5: second group loses its first and last sample")
            << "AAAABBBBB" << QStringList{"0-3", "5-7"};
        QTest::newRow("A3 E E B3: only the first group is long enough") << "AAA__BBB" << QStringList{"0-2"};
    }
    void groups()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        const QList<SRTEntry> entries = Segmentation::segmentSamples(samplesFor(pattern, texts));
        QStringList actual;
        for (const SRTEntry &entry : entries) {
            actual << QStringLiteral("%1-%2").arg(entry.intime / 100).arg(entry.outtime / 100);
            QCOMPARE(entry.list.size(), int(entry.outtime / 100 - entry.intime / 100 + 1));
            QVERIFY(entry.test_text.isEmpty());
        }
        QCOMPARE(actual, expected);
    }

    // The text read most often stands for the entry, a tie goes to the one read first, and texts
    // that differ only in case count apart.
    void entryText_data()
    {
        QTest::addColumn<QList<FrameSample>>("samples");
        QTest::addColumn<QString>("text");
        QTest::newRow("most frequent wins") << QList<FrameSample>{sample(0, {"Hel1o world"}), sample(100, {"Hello world"}),
                                                                  sample(200, {"Hello world"}), sample(300, {"Hel1o world"}),
                                                                  sample(400, {"Hello world"}), sample(500, {"Hello world"})}
                                            << QStringLiteral("Hello world\n");
        QTest::newRow("a tie goes to the first read")
            << QList<FrameSample>{sample(0, {"Two", "lines"}), sample(1, {"Tw0", "lines"}), sample(2, {"Tw0", "lines"}),
                                  sample(3, {"Two", "lines"}), sample(4, {"Two", "lines"})}
            << QStringLiteral("Two\nlines\n");
        QTest::newRow("case counts apart")
            << QList<FrameSample>{sample(0, {"HELLO there my friend"}), sample(1, {"hello there my friend"}),
                                  sample(2, {"hello there my friend"}), sample(3, {"HELLO there my friend"})}
            << QStringLiteral("hello there my friend\n");
    }
    void entryText()
    {
        QFETCH(QList<FrameSample>, samples);
        const QList<SRTEntry> entries = Segmentation::segmentSamples(samples);
        QCOMPARE(entries.size(), 1);
        QTEST(entries.first().text, "text");
    }

    void mixedEmptyTailGroupGivesEmptyText()
    {
        // After a run ends, mutually different samples collect into a group that the list's end keeps.
        const QList<FrameSample> samples{
            sample(0, {"Hello world"}), sample(1, {"Hello world"}), sample(2, {"Hello world"}),
            sample(3, {"Hello world"}), sample(4, {}), sample(5, {"xyz"}), sample(6, {}), sample(7, {"qqqqqq"}),
            sample(8, {}),
        };
        const QList<SRTEntry> entries = Segmentation::segmentSamples(samples);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[1].intime, 4);
        QCOMPARE(entries[1].outtime, 7);
        QCOMPARE(entries[1].text, QString());
    }
};

QTEST_GUILESS_MAIN(TestSegmentation)
#include "tst_segmentation.moc"
