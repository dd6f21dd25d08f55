#include "core/subtitlewriter.h"
#include "core/textfilewriter.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSubtitleWriter : public QObject
{
    Q_OBJECT
private slots:
    void srtBlocks_data()
    {
        QTest::addColumn<QList<SRTEntry>>("entries");
        QTest::addColumn<QString>("srt");
        QTest::newRow("empty list") << QList<SRTEntry>() << QString();
        QTest::newRow("one entry with final line feed")
            << QList<SRTEntry>{{1500, 4250, "Hello\n", {}, {}}} << "1\n00:00:01,500 --> 00:00:04,250\nHello\n\n";
        QTest::newRow("missing final line feed is added")
            << QList<SRTEntry>{{0, 2000, "first\nsecond", {}, {}}} << "1\n00:00:00,000 --> 00:00:02,000\nfirst\nsecond\n\n";
        QTest::newRow("empty text keeps its number")
            << QList<SRTEntry>{{0, 1, "", {}, {}}, {2, 3, "b\n", {}, {}}}
            << "1\n00:00:00,000 --> 00:00:00,001\n\n2\n00:00:00,002 --> 00:00:00,003\nb\n\n";
        QTest::newRow("placeholders in text stay")
            << QList<SRTEntry>{{0, 1000, "%1 and %2\n", {}, {}}} << "1\n00:00:00,000 --> 00:00:01,000\n%1 and %2\n\n";
    }
    void srtBlocks()
    {
        QFETCH(QList<SRTEntry>, entries);
        QFETCH(QString, srt);
        QCOMPARE(SubtitleWriter::toSrtText(entries), srt);
    }

    void txtSkipsEmptyTexts()
    {
        const QList<SRTEntry> entries{{0, 1, "one\n", {}, {}}, {1, 2, "", {}, {}}, {2, 3, "two", {}, {}}};
        QCOMPARE(SubtitleWriter::toTxtText(entries), QStringLiteral("one\ntwo\n"));
    }

    void summary_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two languages") << QStringList{"zh-Hans", "en"}
                                       << "TimeRange: 00:00:00<->00:01:35\nLanguages: zh-Hans+en\nFrame_rate: 1.50\ncropRect: 0,600,1920,180\n";
        QTest::newRow("without language") << QStringList()
                                          << "TimeRange: 00:00:00<->00:01:35\nLanguages: \nFrame_rate: 1.50\ncropRect: 0,600,1920,180\n";
    }
    void summary()
    {
        QFETCH(QStringList, languages);
        QFETCH(QString, expected);
        QCOMPARE(SubtitleWriter::summaryText(0, 95000, languages, 1.5, QRect(0, 600, 1920, 180)), expected);
    }

    void fileIsUtf8WithCrLfAndNoBom()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.srt");
        QVERIFY(TextFileWriter::write(path, QStringLiteral("1\n字幕\n\n")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("1\r\n\xe5\xad\x97\xe5\xb9\x95\r\n\r\n"));
    }

    void fileWriteFailureIsReported()
    {
        QString error;
        QVERIFY(!TextFileWriter::write(QStringLiteral("/nonexistent-folder/out.srt"), QStringLiteral("x"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSubtitleWriter)
#include "tst_subtitlewriter.moc"
