#include "core/framesample.h"
#include "core/srtentry.h"
#include "core/srtqtime.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>

static QByteArray streamed(const QList<FrameSample> &samples)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << samples;
    return bytes;
}

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void srtTimeFromMilliseconds_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00,000";
        QTest::newRow("minutes and millis") << qint64(62345) << "00:01:02,345";
        QTest::newRow("last millisecond of a day") << qint64(86399999) << "23:59:59,999";
        QTest::newRow("a full day is invalid") << qint64(86400000) << "";
        QTest::newRow("negative is invalid") << qint64(-1) << "";
    }
    void srtTimeFromMilliseconds()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        const SRTQTime time(ms);
        QCOMPARE(time.text(), text);
        if (!text.isEmpty())
            QCOMPARE(time.toMilliseconds(), ms);
    }

    void srtTimeForms_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("text");
        using Form = SRTQTime::Form;
        QTest::newRow("WebVTT has a full stop") << qint64(62345) << int(Form::WebVtt) << "00:01:02.345";
        QTest::newRow("seconds drop the milliseconds") << qint64(95999) << int(Form::Seconds) << "00:01:35";
        QTest::newRow("invalid in every form") << qint64(-1) << int(Form::WebVtt) << "";
        QTest::newRow("255 hours are still invalid") << qint64(255) * 3600 * 1000 << int(Form::Subtitle) << "";
        // The hours narrow to 8 bits, as the stored times always did.
        QTest::newRow("256 hours wrap to midnight") << qint64(256) * 3600 * 1000 + 1500 << int(Form::Subtitle)
                                                    << "00:00:01,500";
    }
    void srtTimeForms()
    {
        QFETCH(qint64, ms);
        QFETCH(int, form);
        QTEST(SRTQTime::clockText(ms, SRTQTime::Form(form)), "text");
    }

    void srtTimeParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("valid") << "00:01:02,345" << true << qint64(62345);
        QTest::newRow("61 seconds") << "00:00:61,000" << false << qint64(-1);
        QTest::newRow("dot instead of comma") << "00:00:01.000" << false << qint64(-1);
        QTest::newRow("empty") << "" << false << qint64(-1);
        QTest::newRow("short fields") << "0:0:1,5" << false << qint64(-1);
    }
    void srtTimeParse()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qint64, ms);
        SRTQTime time(7000);
        QCOMPARE(time.parseTime(text), ok);
        // A failed parse leaves the value as it was.
        QCOMPARE(time.toMilliseconds(), ok ? ms : qint64(7000));
    }

    void sampleListRoundTrip()
    {
        const QList<FrameSample> samples{{100, {"first", "第二行"}}, {200, {}}, {-5, {QString()}}};
        QByteArray bytes = streamed(samples);
        QDataStream in(bytes);
        QList<FrameSample> read{{1, {"stale"}}};
        in >> read;
        QCOMPARE(in.status(), QDataStream::Ok);
        QCOMPARE(read, samples);
    }

    void entryListRoundTripFillsEmptyTestText()
    {
        SRTEntry first{1500, 4250, "Hello\n", {{1500, {"Hello"}}, {1600, {"Hello"}}}, QString()};
        SRTEntry second{5000, 6000, "两行\n字幕\n", {}, "kept"};
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << QList<SRTEntry>{first, second};
        }
        QDataStream in(bytes);
        QList<SRTEntry> read;
        in >> read;
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].intime, 1500);
        QCOMPARE(read[0].outtime, 4250);
        QCOMPARE(read[0].text, first.text);
        QCOMPARE(read[0].list, first.list);
        QCOMPARE(read[0].test_text, QStringLiteral("默认文字"));
        QCOMPARE(read[1].text, second.text);
        QCOMPARE(read[1].test_text, QStringLiteral("kept"));
    }

    // A list cut short, or one that claims more items than the stream holds, reads as empty and
    // marks the stream bad, whichever record it holds.
    void damagedListReadsEmpty_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray cut = streamed({{100, {"one"}}, {200, {"two"}}});
        cut.chop(3);
        QByteArray huge;
        QDataStream(&huge, QIODevice::WriteOnly) << qint32(0x7fffffff) << qint64(1) << qint32(0);
        QTest::newRow("cut short") << cut;
        QTest::newRow("huge count on a short stream") << huge;
    }
    void damagedListReadsEmpty()
    {
        QFETCH(QByteArray, bytes);
        QDataStream samplesIn(bytes);
        QList<FrameSample> samples{{1, {"stale"}}};
        samplesIn >> samples;
        QVERIFY(samplesIn.status() != QDataStream::Ok);
        QVERIFY(samples.isEmpty());
        QDataStream entriesIn(bytes);
        QList<SRTEntry> entries{SRTEntry{}};
        entriesIn >> entries;
        QVERIFY(entriesIn.status() != QDataStream::Ok);
        QVERIFY(entries.isEmpty());
    }
};


QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
