#include "core/asswriter.h"
#include "core/jsonwriter.h"
#include "task/subtitleformat.h"
#include "core/subtitlewriter.h"
#include "core/textfilewriter.h"
#include "core/webvttwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Times on whole centiseconds, so every format can hold them exactly.
QList<SRTEntry> sampleEntries()
{
    return {{1500, 4250, "Hello & welcome\n", {{1500, {"Hello & welcome"}}, {2000, {"Hel1o & welcome"}}}, {}},
            {5000, 6000, "两行\n字幕\n", {{5000, {"两行", "字幕"}}}, {}},
            {3723450, 3725000, "an hour later\n", {}, {}}};
}

// What ffmpeg reads from a subtitle file, as SubRip blocks with the reader's own markup (font
// tags, alignment) taken out; a null string when it fails.
QString ffmpegReading(const QString &path)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QProcess process;
    process.start(ffmpeg, {"-hide_banner", "-loglevel", "error", "-i", path, "-f", "srt", "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    QString text = QString::fromUtf8(process.readAllStandardOutput()).remove(QLatin1Char('\r'));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>|\\{[^}]*\\}"));
    return text.remove(tags);
}

} // namespace

class TestSubtitleFormats : public QObject
{
    Q_OBJECT
private slots:
    void webVttCues()
    {
        const QList<SRTEntry> entries{{1500, 4250, "a < b & c\n\nsecond line\n", {}, {}}, {5000, 6000, "", {}, {}}};
        QCOMPARE(WebVttWriter::toText(entries), QStringLiteral("WEBVTT\n\n"
                                                               "1\n00:00:01.500 --> 00:00:04.250\na &lt; b &amp; c\nsecond line\n\n"
                                                               "2\n00:00:05.000 --> 00:00:06.000\n\n"));
    }

    void assClock_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("clock");
        QTest::newRow("zero") << qint64(0) << "0:00:00.00";
        QTest::newRow("rounds half up to the next centisecond") << qint64(1505) << "0:00:01.51";
        QTest::newRow("rounds down") << qint64(1504) << "0:00:01.50";
        QTest::newRow("carries into the minute") << qint64(59996) << "0:01:00.00";
        QTest::newRow("hours past a day") << qint64(90000000) << "25:00:00.00";
    }
    void assClock()
    {
        QFETCH(qint64, ms);
        QTEST(AssWriter::clockText(ms), "clock");
    }

    void assPlacement_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QString>("playRes");
        QTest::addColumn<int>("marginV");
        QTest::addColumn<bool>("lifted");
        QTest::newRow("bottom band") << QSize(1920, 1080) << QRect(0, 900, 1920, 120) << "PlayResX: 1920\nPlayResY: 1080\n"
                                     << 60 << false;
        QTest::newRow("top band") << QSize(1280, 720) << QRect(100, 40, 1000, 80) << "PlayResX: 1280\nPlayResY: 720\n" << 40
                                  << true;
        QTest::newRow("whole frame") << QSize(1280, 720) << QRect() << "PlayResX: 1280\nPlayResY: 720\n" << 36 << false;
        QTest::newRow("resolution unknown") << QSize() << QRect(0, 10, 100, 20) << "PlayResX: 384\nPlayResY: 288\n" << 14
                                            << false;
    }
    void assPlacement()
    {
        QFETCH(QSize, frame);
        QFETCH(QRect, crop);
        QFETCH(QString, playRes);
        QFETCH(int, marginV);
        QFETCH(bool, lifted);
        const QString text = AssWriter::toText({{0, 1000, "x {y}\nz\n", {}, {}}}, frame, crop);
        QVERIFY2(text.startsWith(QStringLiteral("[Script Info]\n")), qPrintable(text));
        QVERIFY(text.contains(playRes));
        QCOMPARE(text.count(QStringLiteral("\nStyle: ")), 1);
        QVERIFY2(text.contains(QStringLiteral(",10,10,%1,1\n").arg(marginV)), qPrintable(text));
        const QString dialogue = QStringLiteral("Dialogue: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,%1x \\{y\\}\\Nz\n")
                                     .arg(lifted ? QStringLiteral("{\\an8}") : QString());
        QVERIFY2(text.endsWith(dialogue), qPrintable(text));
    }

    void jsonReadsBackWithReadings()
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(TextFileWriter::encode(JsonWriter::toText(sampleEntries())), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray entries = document.object().value("entries").toArray();
        QCOMPARE(entries.size(), 3);
        const QJsonObject first = entries.at(0).toObject();
        QCOMPARE(first.value("start").toInteger(), 1500);
        QCOMPARE(first.value("end").toInteger(), 4250);
        QCOMPARE(first.value("lines").toArray(), QJsonArray{"Hello & welcome"});
        const QJsonArray readings = first.value("readings").toArray();
        QCOMPARE(readings.size(), 2);
        QCOMPARE(readings.at(1).toObject().value("time").toInteger(), 2000);
        QCOMPARE(readings.at(1).toObject().value("lines").toArray(), QJsonArray{"Hel1o & welcome"});
        QCOMPARE(entries.at(1).toObject().value("lines").toArray(), (QJsonArray{"两行", "字幕"}));
        QCOMPARE(entries.at(2).toObject().value("start").toInteger(), 3723450);
        QVERIFY(entries.at(2).toObject().value("readings").toArray().isEmpty());
    }

    void namesRoundTrip()
    {
        QStringList extensions;
        for (SubtitleFormat format : SubtitleFormats::all()) {
            extensions << SubtitleFormats::extension(format);
            QCOMPARE(SubtitleFormats::fromExtension(extensions.last()), format);
        }
        // The names the exported files and the command line's --format carry.
        QCOMPARE(extensions, (QStringList{"srt", "txt", "vtt", "ass", "json"}));
        QVERIFY(!SubtitleFormats::fromExtension(QStringLiteral("SRT")));
        QVERIFY(!SubtitleFormats::fromExtension(QString()));
    }

    void ffmpegReadsEachFormat_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("text");
        QTest::newRow("srt") << "srt" << SubtitleWriter::toSrtText(sampleEntries());
        QTest::newRow("webvtt") << "vtt" << WebVttWriter::toText(sampleEntries());
        QTest::newRow("ass") << "ass" << AssWriter::toText(sampleEntries(), QSize(1920, 1080), QRect(0, 900, 1920, 120));
    }
    void ffmpegReadsEachFormat()
    {
        QFETCH(QString, extension);
        QFETCH(QString, text);
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("out." + extension);
        QVERIFY(TextFileWriter::write(path, text));
        QCOMPARE(ffmpegReading(path), QStringLiteral("1\n00:00:01,500 --> 00:00:04,250\nHello & welcome\n\n"
                                                     "2\n00:00:05,000 --> 00:00:06,000\n两行\n字幕\n\n"
                                                     "3\n01:02:03,450 --> 01:02:05,000\nan hour later\n\n"));
    }
};

QTEST_GUILESS_MAIN(TestSubtitleFormats)
#include "tst_subtitleformats.moc"
