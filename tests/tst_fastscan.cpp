#include "fixtures.h"
#include "taskrewrite.h"
#include "media/videoframereader.h"
#include "task/di_riror_adiriz.h"
#include "recognition/fastscan.h"
#include "recognition/change/edgemap.h"
#include "recognition/fastscanreport.h"
#include "recognition/change/stretchtracker.h"
#include "recognition/readingcache.h"
#include "recognition/subtitleareadetector.h"
#include "task/subtitleformat.h"
#include "recognition/stretchsegmentation.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// The subtitle band of the 640x360 fixtures.
const QRect band(0, 240, 640, 120);

// "in-out text" per entry, times in milliseconds.
QStringList described(const QList<SRTEntry> &entries)
{
    QStringList lines;
    for (const SRTEntry &entry : entries)
        lines << QStringLiteral("%1-%2 %3").arg(entry.intime).arg(entry.outtime).arg(entry.text.trimmed());
    return lines;
}

QList<FrameSample> samples(const QList<QPair<qint64, QString>> &readings)
{
    QList<FrameSample> list;
    for (const auto &reading : readings)
        list.append(FrameSample{reading.first, reading.second.isEmpty() ? QStringList() : QStringList{reading.second}});
    return list;
}

// A 320x60 grey band: stripes of pseudo-random widths drifting three pixels a frame, and where
// `text` is set, a row of outlined white blocks standing still like letters.
QImage stripedBand(int frame, bool text)
{
    QImage picture(320, 60, QImage::Format_Grayscale8);
    for (int y = 0; y < picture.height(); ++y) {
        uchar *line = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const int u = (x + 3 * frame) / 7;
            line[x] = uchar((u * 2654435761u >> 13) % 3 == 0 ? 150 : 60);
        }
    }
    for (int letter = 0; text && letter < 12; ++letter) {
        const QRect outline(40 + letter * 20, 18, 14, 24);
        for (int y = outline.top(); y <= outline.bottom(); ++y)
            for (int x = outline.left(); x <= outline.right(); ++x)
                picture.scanLine(y)[x] = outline.adjusted(3, 3, -3, -3).contains(x, y) ? 255 : 0;
    }
    return picture;
}

// "start-end" of the stretches with text when the bands go through the tracker as the scan
// passes them, each frame judged with its neighbours; the spare picture's presence after each.
QStringList tracked(int frames, const std::function<QImage(int)> &band)
{
    StretchTracker tracker;
    QStringList stretches;
    const auto note = [&](const std::vector<Stretch> &settled) {
        for (const Stretch &stretch : settled)
            if (stretch.hasText)
                stretches << QStringLiteral("%1-%2%3").arg(stretch.startMs).arg(stretch.endMs)
                                 .arg(stretch.spare.isNull() ? "" : " spare");
    };
    std::vector<EdgeMap> edges;
    for (int frame = 0; frame < frames; ++frame)
        edges.emplace_back(band(frame));
    for (int frame = 0; frame < frames; ++frame) {
        const CropSignature signature(edges[size_t(frame)], frame > 0 ? &edges[size_t(frame) - 1] : nullptr,
                                      frame + 1 < frames ? &edges[size_t(frame) + 1] : nullptr);
        note(tracker.addFrame(frame * 40, signature, [] { return QImage(8, 8, QImage::Format_RGB32); }));
    }
    note(tracker.finish(frames * 40));
    return stretches;
}

QStringList tracked(const QList<bool> &textShown)
{
    return tracked(int(textShown.size()), [&](int frame) { return stripedBand(frame, textShown[frame]); });
}

// A flat grey band with a row of outlined white blocks, `shift` pixels right, shown at `opacity`;
// the block `leftOut` is left out.
QImage letterBand(double opacity, int letters = 12, int shift = 0, int leftOut = -1)
{
    QImage picture(std::max(320, 80 + letters * 20), 60, QImage::Format_Grayscale8);
    picture.fill(90);
    for (int letter = 0; letter < letters; ++letter)
        for (int y = 18; y < 42 && letter != leftOut; ++y)
            for (int x = 0; x < 14; ++x) {
                const int ink = x < 3 || x > 10 || y < 21 || y > 38 ? 0 : 255;
                picture.scanLine(y)[40 + shift + letter * 20 + x] = uchar(90 + opacity * (ink - 90));
            }
    return picture;
}

// The ink of a stretch showing the letters of letterBand() at full strength.
InkPrint inkOf(int letters, int shift, int leftOut = -1)
{
    const EdgeMap edges(letterBand(1.0, letters, shift, leftOut));
    InkTally tally;
    tally.add(CropSignature(edges, &edges, &edges));
    return tally.print();
}

QList<bool> shown(int frames, const QList<QPair<int, int>> &spans)
{
    QList<bool> text(frames, false);
    for (const auto &span : spans)
        for (int frame = span.first; frame < span.second; ++frame)
            text[frame] = true;
    return text;
}

void waitUntilReady(Di_riror_adiRIZ &task)
{
    QTRY_COMPARE_WITH_TIMEOUT(task.state, TaskState::Ready, 15000);
}

// Readies the task for English over `crop` and runs it; false when it did not end in time.
bool scanned(Di_riror_adiRIZ &task, const QRect &crop = band)
{
    if (!task.setLanguage(QStringLiteral("en")) || !QTest::qWaitFor([&] { return task.state == TaskState::Ready; }, 15000))
        return false;
    task.setCropRect(crop);
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    task.run_mian();
    return completed.wait(30000);
}

} // namespace

class TestFastScan : public QObject
{
    Q_OBJECT
private slots:
    void segmentation_data()
    {
        QTest::addColumn<QList<FrameSample>>("readings");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("steady text after a flicker joins")
            << samples({{0, "Hello"}, {400, "Hello"}, {800, ""}}) << QStringList{"0-800 Hello"};
        QTest::newRow("one letter of noise joins")
            << samples({{0, "Keep your voice down"}, {600, "Keep your voice dowm"}, {1200, ""}})
            << QStringList{"0-1200 Keep your voice down"};
        QTest::newRow("one word changed stays apart")
            << samples({{0, "Keep your voice down"}, {1200, "Keep your voice low"}, {2400, ""}})
            << QStringList{"0-1200 Keep your voice down", "1200-2400 Keep your voice low"};
        QTest::newRow("steps of a fade join the steady text")
            << samples({{0, "Sl0wly fading wor"}, {40, "Slowly fading words"}, {2000, "Slowly fadmg wor"}, {2040, ""}})
            << QStringList{"0-2040 Slowly fading words"};
        QTest::newRow("a brief fragment is no entry") << samples({{0, "x"}, {80, ""}}) << QStringList();
        QTest::newRow("a gap splits equal texts")
            << samples({{0, "Hi there"}, {1000, ""}, {1200, "Hi there"}, {2000, ""}})
            << QStringList{"0-1000 Hi there", "1200-2000 Hi there"};
        QTest::newRow("a second reading stands in for an empty first")
            << samples({{0, ""}, {0, "Hello"}, {1000, ""}}) << QStringList{"0-1000 Hello"};
    }
    void segmentation()
    {
        QFETCH(QList<FrameSample>, readings);
        QTEST(described(StretchSegmentation::segment(readings)), "entries");
    }

    void unreadableFilesSayWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a video") << fixture("not_a_video.mp4") << int(VideoFrameReader::OpenError::Unreadable)
                                     << "not_a_video.mp4: it cannot be read";
        QTest::newRow("sound only") << fixture("no_video.wav") << int(VideoFrameReader::OpenError::NoVideoStream)
                                    << "no_video.wav: it has no video stream";
    }
    void unreadableFilesSayWhy()
    {
        QFETCH(QString, path);
        VideoFrameReader reader;
        QVERIFY(!reader.open(path));
        QTEST(int(reader.openError()), "error");
        const FastScan::Outcome probed = FastScan::probe(path);
        QCOMPARE(probed.status, FastScan::Status::Failed);
        QFETCH(QString, message);
        const QString text = FastScanReport::failureText(probed, QFileInfo(path).fileName());
        QVERIFY2(text.startsWith(message), qPrintable(text));
    }

    // Players count from the start of the presentation, not from the streams' clock: the first
    // subtitle of en_two (its frame at 0.52 s) comes that long after the video's first frame, which
    // comes as long after the presentation's start as ffprobe says.
    void entriesAtThePlayersTimes_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("scan");
        QTest::newRow("TV recording, clock at 1234 s") << "fs_tv.ts" << int(ScanMode::Fast);
        QTest::newRow("TV recording, playback") << "fs_tv.ts" << int(ScanMode::Playback);
        QTest::newRow("TV clock wrapping round") << "fs_wrap.ts" << int(ScanMode::Fast);
        QTest::newRow("MP4 edit list starting late") << "fs_edit.mp4" << int(ScanMode::Fast);
        QTest::newRow("MKV first frame late") << "fs_late.mkv" << int(ScanMode::Fast);
        QTest::newRow("sound before picture") << "fs_soundfirst.ts" << int(ScanMode::Fast);
        QTest::newRow("sound before picture, playback") << "fs_soundfirst.ts" << int(ScanMode::Playback);
    }
    void entriesAtThePlayersTimes()
    {
        QFETCH(QString, clip);
        QFETCH(int, scan);
        const double presentation = ffprobeNumber(fixture(clip), {"-show_entries", "format=start_time"});
        const double firstFrame = ffprobeNumber(fixture(clip), {"-select_streams", "v:0", "-show_entries",
                                                                "frame=pts_time", "-read_intervals", "%+#1"});
        const qint64 offset = qRound64((firstFrame - presentation) * 1000);
        Di_riror_adiRIZ task(fixture(clip));
        task.setScanMode(ScanMode(scan));
        QVERIFY(scanned(task));
        QVERIFY(!task.entries.isEmpty());
        // Playback reads the frames its position reports land on, a few a second, and starts late by up
        // to two of them on any file.
        const qint64 tolerance = ScanMode(scan) == ScanMode::Fast ? 1 : 250;
        const QList<qint64> expected{520 + offset, 3000 + offset};
        QCOMPARE(task.entries.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(std::abs(task.entries.at(i).intime - expected.at(i)) <= tolerance,
                     qPrintable(QStringLiteral("%1 instead of %2").arg(task.entries.at(i).intime).arg(expected.at(i))));
    }

    void seekStartsAtTheFirstFrameFromThere()
    {
        VideoFrameReader reader;
        QVERIFY(reader.open(fixture("en_two.mp4")));
        QVERIFY(reader.seek(2010));
        QCOMPARE(reader.readFrame(), VideoFrameReader::ReadResult::Frame);
        QCOMPARE(reader.frameTimeMs(), 2040);
    }

    void cropIsClippedOrRefused_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QSize>("pictureSize");
        QTest::newRow("inside") << QRect(0, 240, 640, 120) << int(VideoFrameReader::CropFit::Inside) << QSize(640, 120);
        QTest::newRow("partly outside") << QRect(600, 300, 100, 100) << int(VideoFrameReader::CropFit::Clipped)
                                        << QSize(40, 60);
        QTest::newRow("wholly outside") << QRect(700, 0, 50, 50) << int(VideoFrameReader::CropFit::Outside) << QSize();
    }
    void cropIsClippedOrRefused()
    {
        QFETCH(QRect, crop);
        VideoFrameReader reader;
        QVERIFY(reader.open(fixture("en_two.mp4")));
        const VideoFrameReader::CropFit fit = reader.setCrop(crop);
        QTEST(int(fit), "fit");
        if (fit == VideoFrameReader::CropFit::Outside)
            return;
        QCOMPARE(reader.readFrame(), VideoFrameReader::ReadResult::Frame);
        QTEST(reader.colourCrop().size(), "pictureSize");
        QTEST(reader.grayCrop().size(), "pictureSize");
    }

    void rotatedClipComesOutUpright()
    {
        VideoFrameReader reader;
        QVERIFY(reader.open(fixture("fs_rotated.mp4")));
        QCOMPARE(reader.rotation(), 90);
        QCOMPARE(reader.codedSize(), QSize(640, 360));
        QCOMPARE(reader.displaySize(), QSize(360, 640));
        // The bottom band of the upright picture is the left band of the stored one.
        QCOMPARE(reader.setCrop(QRect(0, 480, 360, 160)), VideoFrameReader::CropFit::Inside);
        QVERIFY(reader.seek(1000));
        QCOMPARE(reader.readFrame(), VideoFrameReader::ReadResult::Frame);
        const QImage shown = reader.colourCrop();
        reader.setCropSpace(VideoFrameReader::CropSpace::Stored);
        QCOMPARE(reader.setCrop(QRect(0, 0, 160, 360)), VideoFrameReader::CropFit::Inside);
        const QImage stored = reader.colourCrop();
        QCOMPARE(shown.size(), QSize(360, 160));
        QCOMPARE(stored.size(), QSize(360, 160));
        QCOMPARE(stored, shown);
        // White letters on the dark background: some bright pixels.
        int bright = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                bright += qGray(shown.pixel(x, y)) > 200;
        QVERIFY2(bright > 100, qPrintable(QString::number(bright)));
    }

    // The area is found on the upright picture and handed over in the picture the task's crops
    // are drawn on, which the player shows as stored.
    void areaFoundOnTurnedClipLandsOnItsSubtitle_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("scan");
        QTest::newRow("quarter turn, fast scan") << "fs_rotated.mp4" << int(ScanMode::Fast);
        QTest::newRow("half turn, fast scan") << "fs_rotated180.mp4" << int(ScanMode::Fast);
        QTest::newRow("three quarter turns, fast scan") << "fs_rotated270.mp4" << int(ScanMode::Fast);
        QTest::newRow("quarter turn, playback") << "fs_rotated.mp4" << int(ScanMode::Playback);
    }
    void areaFoundOnTurnedClipLandsOnItsSubtitle()
    {
        QFETCH(QString, clip);
        QFETCH(int, scan);
        Di_riror_adiRIZ task(fixture(clip));
        task.setScanMode(ScanMode(scan));
        QVERIFY(task.setLanguage(QStringLiteral("en")));
        waitUntilReady(task);
        const std::optional<QRect> area =
            SubtitleAreaDetector::detect(task.videoPath, 0, -1, task.videoResolution());
        QVERIFY(area);
        QVERIFY(QRect(QPoint(0, 0), task.videoResolution()).contains(*area));
        task.setCropRect(*area);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        task.run_mian();
        QVERIFY(completed.wait(30000));
        QCOMPARE(task.state, TaskState::Done);
        QCOMPARE(task.entries.size(), 1);
        QCOMPARE(task.entries.first().text.trimmed(), QStringLiteral("Phone text"));
        if (ScanMode(scan) == ScanMode::Fast)
            QCOMPARE(described(task.entries), QStringList{"400-2000 Phone text"});
    }

    void entriesAreFrameExact_data()
    {
        // 25 fps: an entry starts at the first frame at or after the subtitle's start and ends at
        // the first frame at or after its end.
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("plain clip") << "en_two.mp4" << band
                                    << QStringList{"520-2520 Hello world", "3000-5000 How are you today"};
        QTest::newRow("0.3 s subtitle") << "fs_short.mp4" << band
                                        << QStringList{"600-920 Quick", "1520-3000 Then a longer line"};
        QTest::newRow("one word changed back to back") << "fs_oneword.mp4" << band
            << QStringList{"520-1720 Keep your voice down", "1720-3000 Keep your voice low"};
        QTest::newRow("stream starting at 1.48 s") << "fs_late.ts" << band << QStringList{"800-2400 Late start"};
        // The player shows the frames as stored: the crop is drawn on the sideways picture, and the
        // text inside it is read upright.
        QTest::newRow("rotated clip, crop as the player shows it")
            << "fs_rotated.mp4" << QRect(0, 0, 200, 360) << QStringList{"400-2000 Phone text"};
    }
    void entriesAreFrameExact()
    {
        QFETCH(QString, clip);
        Di_riror_adiRIZ task(fixture(clip));
        QCOMPARE(task.scanMode, ScanMode::Fast);
        QVERIFY(task.setLanguage(QStringLiteral("en")));
        waitUntilReady(task);
        QFETCH(QRect, crop);
        task.setCropRect(crop);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        QSignalSpy progress(&task, &Di_riror_adiRIZ::progress_updata);
        task.run_mian();
        QCOMPARE(task.state, TaskState::Running);
        QVERIFY(completed.wait(30000));
        QCOMPARE(task.state, TaskState::Done);
        QTEST(described(task.entries), "entries");
        QVERIFY(task.errorText.isEmpty());
        for (const QList<QVariant> &report : progress)
            QVERIFY(report.first().toFloat() >= 0.0f && report.first().toFloat() <= 1.0f);
        QTest::qWait(100);
        QCOMPARE(completed.size(), 1);
    }

    void lettersOfThePictureGiveNoEntries()
    {
        // A sign crossing the band and a small green mark beside three subtitles: the subtitles
        // alone become entries, frame-exact and whole; what else was read is kept apart, in JSON.
        Di_riror_adiRIZ task(fixture("fs_lettering.mp4"));
        QVERIFY(scanned(task));
        QCOMPARE(described(task.entries),
                 (QStringList{"320-1920 The river keeps its secrets well", "2120-3920 Nobody came back from the hills",
                              "4120-5920 We will leave before the rain"}));
        QVERIFY(!task.refusedEntries().isEmpty());
        QVERIFY(SubtitleFormats::text(task, SubtitleFormat::Json).contains(QStringLiteral("Carlisle")));
        QVERIFY(!SubtitleFormats::text(task, SubtitleFormat::Srt).contains(QStringLiteral("Carlisle")));
    }

    void fadeIsOneEntry()
    {
        // Shown 0.6-2.8 s, fading in and out over 200 ms: one entry from where it becomes readable.
        Di_riror_adiRIZ task(fixture("fs_fade.mp4"));
        QVERIFY(scanned(task));
        QCOMPARE(task.entries.size(), 1);
        const SRTEntry &entry = task.entries.first();
        QCOMPARE(entry.text, QStringLiteral("Slowly fading words\n"));
        QVERIFY2(entry.intime >= 600 && entry.intime <= 800, qPrintable(QString::number(entry.intime)));
        QVERIFY2(entry.outtime >= 2600 && entry.outtime <= 2840, qPrintable(QString::number(entry.outtime)));
    }

    void steadyTextOverAMovingPictureIsReadOnce()
    {
        // The picture pans under grain all along, and the second subtitle is gone for one frame.
        Di_riror_adiRIZ task(fixture("fs_pan.mp4"));
        QVERIFY(scanned(task));
        QCOMPARE(described(task.entries),
                 (QStringList{"400-2400 Over a moving picture", "2800-4600 Back after a flicker"}));
        for (const SRTEntry &entry : task.entries)
            QCOMPARE(entry.list.size(), 1);
    }

    void trackerFollowsTheTextNotThePicture_data()
    {
        // Each subtitle is one stretch at its exact frames, kept with a spare picture, and no other
        // stretch with text overlaps it.
        QTest::addColumn<QList<bool>>("textShown");
        QTest::addColumn<QStringList>("subtitles");
        QTest::newRow("one subtitle") << shown(40, {{10, 30}}) << QStringList{"400-1200 spare"};
        QTest::newRow("gone for one frame") << shown(40, {{10, 20}, {21, 30}}) << QStringList{"400-1200 spare"};
        QTest::newRow("back after ten frames") << shown(50, {{10, 20}, {30, 40}})
                                               << QStringList{"400-800 spare", "1200-1600 spare"};
    }
    void trackerFollowsTheTextNotThePicture()
    {
        QFETCH(QList<bool>, textShown);
        QFETCH(QStringList, subtitles);
        const QStringList stretches = tracked(textShown);
        for (const QString &subtitle : subtitles) {
            QVERIFY2(stretches.contains(subtitle), qPrintable(stretches.join(", ")));
            const qint64 start = subtitle.section('-', 0, 0).toLongLong();
            const qint64 end = subtitle.section('-', 1).section(' ', 0, 0).toLongLong();
            const auto overlaps = [&](const QString &stretch) {
                return stretch.section('-', 0, 0).toLongLong() < end && stretch.section('-', 1).section(' ', 0, 0).toLongLong() > start;
            };
            QCOMPARE(std::count_if(stretches.cbegin(), stretches.cend(), overlaps), 1);
        }
    }

    void fadeIsOneStretch_data()
    {
        // Frames of fading in, holding and fading out, 25 fps.
        QTest::addColumn<int>("fadeIn");
        QTest::addColumn<int>("fadeOut");
        // From the first frame whose letters stand out by the edges' contrast to the first without,
        // with a spare picture for a second reading.
        QTest::addColumn<QStringList>("stretch");
        QTest::newRow("half a second each way") << 12 << 12 << QStringList{"480-2480 spare"};
        QTest::newRow("fading in only") << 12 << 0 << QStringList{"480-2080 spare"};
        QTest::newRow("fading out only") << 0 << 12 << QStringList{"400-2000 spare"};
    }
    void fadeIsOneStretch()
    {
        QFETCH(int, fadeIn);
        QFETCH(int, fadeOut);
        const int hold = 30;
        const auto opacity = [&](int frame) {
            frame -= 10; // after ten frames without text
            if (frame < 0 || frame >= fadeIn + hold + fadeOut)
                return 0.0;
            if (frame < fadeIn)
                return double(frame + 1) / (fadeIn + 1);
            return frame < fadeIn + hold ? 1.0 : double(fadeIn + hold + fadeOut - frame) / (fadeOut + 1);
        };
        const QStringList stretches = tracked(20 + fadeIn + hold + fadeOut, [&](int frame) { return letterBand(opacity(frame)); });
        QTEST(stretches, "stretch");
    }

    void readingCacheAnswersTheSameInkOnly_data()
    {
        QTest::addColumn<int>("firstLetters");
        QTest::addColumn<int>("letters");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("leftOut");
        QTest::addColumn<bool>("answered");
        QTest::newRow("the same letters again") << 12 << 12 << 0 << -1 << true;
        QTest::newRow("a letter fewer") << 12 << 11 << 0 << -1 << false;
        QTest::newRow("moved by two pixels") << 12 << 12 << 2 << -1 << false;
        QTest::newRow("the same long line again") << 60 << 60 << 0 << -1 << true;
        QTest::newRow("one letter of sixty left out") << 60 << 60 << 0 << 30 << false;
    }
    void readingCacheAnswersTheSameInkOnly()
    {
        // A stretch read with nothing found first and then its spare; a later one in the same area.
        ReadingCache cache;
        QFETCH(int, firstLetters);
        QVERIFY(!cache.answers(inkOf(firstLetters, 0), 400, 0));
        QFETCH(int, letters);
        QFETCH(int, shift);
        QFETCH(int, leftOut);
        QVERIFY(!cache.answers(inkOf(letters, shift, leftOut), 2000, 1));
        QFETCH(bool, answered);
        QCOMPARE(cache.answers(inkOf(letters, shift, leftOut), 3000, 0), answered);
        QList<FrameSample> read{{400, {}, 0}, {400, {"Hello"}, 0}, {2000, {"Other"}, 1}};
        AreaLineLooks looks;
        looks[0].insert(400, {LineLook{}});
        cache.fill(read, looks, 3000);
        QCOMPARE(read.size(), 3);
        cache.fill(read, looks, 3040);
        QCOMPARE(read.size(), answered ? 5 : 3);
        const FrameSample expected = answered ? FrameSample{3000, {"Hello"}, 0} : FrameSample{2000, {"Other"}, 1};
        QCOMPARE(read.last(), expected);
        QCOMPARE(looks[0].contains(3000), answered);
    }

    void stopThenResumeEqualsOneRun()
    {
        Di_riror_adiRIZ whole(fixture("fs_oneword.mp4"));
        QVERIFY(scanned(whole));

        Di_riror_adiRIZ task(fixture("fs_oneword.mp4"));
        QVERIFY(task.setLanguage(QStringLiteral("en")));
        waitUntilReady(task);
        task.setCropRect(band);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        // Stopped at the first report past the first subtitle's start.
        const QMetaObject::Connection stopper = connect(&task, &Di_riror_adiRIZ::progress_updata, &task, [&task] {
            if (task.lastPosition >= 1000)
                task.stop_slots();
        });
        task.run_mian();
        QVERIFY(completed.wait(30000));
        QCOMPARE(task.state, TaskState::Cancelled);
        QVERIFY(task.entries.isEmpty());
        const qint64 resumeAt = task.lastPosition;
        QVERIFY2(resumeAt > 0 && resumeAt < 4000, qPrintable(QString::number(resumeAt)));
        for (const FrameSample &sample : task.samples)
            QVERIFY(sample.time < resumeAt);

        disconnect(stopper);
        QVERIFY(task.makeReady());
        task.run_mian();
        QVERIFY(completed.wait(30000));
        QCOMPARE(completed.size(), 2);
        QCOMPARE(task.state, TaskState::Done);
        QCOMPARE(described(task.entries), described(whole.entries));
        QCOMPARE(task.samples, whole.samples);
    }

    // The batch fails a run whose position stops moving; the scan's thread may still come back.
    void stalledScanIsFailedOnce()
    {
        Di_riror_adiRIZ task(fixture("fs_oneword.mp4"));
        QVERIFY(task.setLanguage(QStringLiteral("en")));
        waitUntilReady(task);
        task.setCropRect(band);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        task.run_mian();
        task.failStalledRun();
        QCOMPARE(completed.size(), 1);
        QCOMPARE(task.state, TaskState::Failed);
        // Refused while the scan's thread runs; once it is back the task is still the failed one.
        QTRY_VERIFY_WITH_TIMEOUT(task.state != TaskState::Failed || task.makeReady(), 30000);
        QCOMPARE(completed.size(), 1);
        QCOMPARE(task.errorText, QStringLiteral("playback stopped making progress"));
    }

    // The recogniser loads while the scan decodes; one that cannot load still fails the scan,
    // with its answer, and ends it instead of letting it decode the whole video unread.
    void languageTheRecogniserRefusesFailsTheScan()
    {
        FastScan scan;
        std::optional<FastScan::Outcome> outcome;
        connect(&scan, &FastScan::finished, this, [&](const FastScan::Outcome &ended) { outcome = ended; });
        FastScan::Settings settings;
        settings.path = fixture("fs_oneword.mp4");
        settings.language = QStringLiteral("qq");
        settings.crop = band;
        scan.start(settings);
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 30000);
        QCOMPARE(outcome->status, FastScan::Status::Failed);
        QCOMPARE(outcome->failure, FastScan::Failure::Recogniser);
        QVERIFY(!outcome->detail.isEmpty());
        QVERIFY(outcome->samples.isEmpty());
    }

    void truncatedFileGivesWhatWasReadAndAWarning()
    {
        Di_riror_adiRIZ task(fixture("fs_truncated.mkv"));
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        QVERIFY(scanned(task));
        QCOMPARE(task.state, TaskState::Done);
        QVERIFY(!task.entries.isEmpty());
        QCOMPARE(task.entries.first().text, QStringLiteral("Hello world\n"));
        QVERIFY2(task.errorText.contains(QStringLiteral("ends early")), qPrintable(task.errorText));
        QCOMPARE(errors.size(), 1);
    }

    void noVideoStreamFailsNamingTheFile()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.videoPath = fixture("no_video.wav");
            r.videoFileName = QStringLiteral("no_video.wav");
            r.languages = QStringList{QStringLiteral("en")};
            r.state = TaskState(TaskState::Ready);
            r.timeRange_in = 0;
            r.timeRange_out = r.duration = 1000;
        });
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        task.run_mian();
        QVERIFY(completed.wait(10000));
        QCOMPARE(task.state, TaskState::Failed);
        QCOMPARE(task.errorText, QStringLiteral("no_video.wav: it has no video stream"));
    }

    void scanModeChangeDropsSamples()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.samples = {{1, {"a"}}};
            r.lastPosition = 500;
        });
        task.setScanMode(ScanMode::Fast);
        QCOMPARE(task.samples.size(), 1);
        task.setScanMode(ScanMode::Playback);
        QVERIFY(task.samples.isEmpty());
        QCOMPARE(task.lastPosition, 0);
        task.resetTask();
        QCOMPARE(task.scanMode, ScanMode::Fast);
    }
};

QTEST_MAIN(TestFastScan)
#include "tst_fastscan.moc"
