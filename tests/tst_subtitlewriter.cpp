#include "core/subtitlewriter.h"
#include "core/textfilewriter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestSubtitleWriter : public QObject
{
    Q_OBJECT
private slots:
    void srtBlocks_data();
    void srtBlocks();
    void txtSkipsEmptyTexts();
    void summary_data();
    void summary();
    void fileIsUtf8WithCrLfAndNoBom();
    void fileWriteFailureIsReported();
    void ffmpegReadsTheSrtBack();
};

void TestSubtitleWriter::srtBlocks_data()
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
    QTest::newRow("a day or more prints an empty field")
        << QList<SRTEntry>{{0, 86400000, "x\n", {}, {}}} << "1\n00:00:00,000 --> \nx\n\n";
}

void TestSubtitleWriter::srtBlocks()
{
    QFETCH(QList<SRTEntry>, entries);
    QFETCH(QString, srt);
    QCOMPARE(SubtitleWriter::toSrtText(entries), srt);
}

void TestSubtitleWriter::txtSkipsEmptyTexts()
{
    const QList<SRTEntry> entries{{0, 1, "one\n", {}, {}}, {1, 2, "", {}, {}}, {2, 3, "two", {}, {}}};
    QCOMPARE(SubtitleWriter::toTxtText(entries), QStringLiteral("one\ntwo\n"));
}

void TestSubtitleWriter::summary_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one language") << QStringList{"en"}
                                  << "TimeRange: 00:00:00<->00:01:35\nLanguages: en\nFrame_rate: 1.50\ncropRect: 0,600,1920,180\n";
    QTest::newRow("two languages") << QStringList{"zh-Hans", "en"}
                                   << "TimeRange: 00:00:00<->00:01:35\nLanguages: zh-Hans+en\nFrame_rate: 1.50\ncropRect: 0,600,1920,180\n";
    QTest::newRow("without language") << QStringList()
                                      << "TimeRange: 00:00:00<->00:01:35\nLanguages: \nFrame_rate: 1.50\ncropRect: 0,600,1920,180\n";
}

void TestSubtitleWriter::summary()
{
    QFETCH(QStringList, languages);
    QFETCH(QString, expected);
    QCOMPARE(SubtitleWriter::summaryText(0, 95000, languages, 1.5, QRect(0, 600, 1920, 180)), expected);
}

void TestSubtitleWriter::fileIsUtf8WithCrLfAndNoBom()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.srt");
    QVERIFY(TextFileWriter::write(path, QStringLiteral("1\n字幕\n\n")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("1\r\n\xe5\xad\x97\xe5\xb9\x95\r\n\r\n"));
}

void TestSubtitleWriter::fileWriteFailureIsReported()
{
    QString error;
    QVERIFY(!TextFileWriter::write(QStringLiteral("/nonexistent-folder/out.srt"), QStringLiteral("x"), &error));
    QVERIFY(!error.isEmpty());
}

void TestSubtitleWriter::ffmpegReadsTheSrtBack()
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    const QList<SRTEntry> entries{{1500, 4250, "Hello\n", {}, {}}, {5000, 6000, "两行\n字幕\n", {}, {}}};
    QTemporaryDir dir;
    const QString input = dir.filePath("in.srt");
    const QString output = dir.filePath("out.srt");
    QVERIFY(TextFileWriter::write(input, SubtitleWriter::toSrtText(entries)));

    QProcess process;
    process.start(ffmpeg, {"-hide_banner", "-loglevel", "error", "-y", "-i", input, output});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString reread = QString::fromUtf8(file.readAll());
    QVERIFY2(reread.contains("00:00:01,500 --> 00:00:04,250"), qPrintable(reread));
    QVERIFY(reread.contains("00:00:05,000 --> 00:00:06,000"));
    QVERIFY(reread.contains(QStringLiteral("两行")));
}

QTEST_GUILESS_MAIN(TestSubtitleWriter)
#include "tst_subtitlewriter.moc"
