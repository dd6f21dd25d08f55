#include "modalanswers.h"
#include "taskrewrite.h"
#include "editor/cropitem.h"
#include "editor/myslider.h"
#include "editor/srtqlistwidget.h"
#include "editor/videoqtwidgets.h"
#include "task/di_riror_adiriz.h"
#include "ocr/textrecognizer.h"

#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGraphicsVideoItem>
#include <QGraphicsView>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QStandardItemModel>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

QList<SRTEntry> twoEntries()
{
    return {SRTEntry{500, 2500, QStringLiteral("Hello world\n"), {}, {}},
            SRTEntry{3000, 5000, QStringLiteral("How are you today\n"), {}, {}}};
}

} // namespace

class TestVideoEditor : public QObject
{
    Q_OBJECT

    QPointer<VideoQtWidgets> editor;
    // en_two.mp4 (640x360, 6 s, "Hello world" 0.5-2.5 s, "How are you today" 3.0-5.0 s), loaded
    // once by a task's own player; the tests that play it share it.
    std::unique_ptr<Di_riror_adiRIZ> clip;
    Di_riror_adiRIZ shuttleTask;
    QPointer<VideoQtWidgets> shuttleEditor;

    VideoQtWidgets *open(Di_riror_adiRIZ *task)
    {
        editor = new VideoQtWidgets;
        editor->loadTask(task);
        editor->show();
        return editor;
    }
    // Opens the editor on the shared clip task, as fresh as the task list made it and then `prepare`d.
    bool openClip(const std::function<void()> &prepare = {})
    {
        rewrite(clip, [&](TaskRecord &r) {
            r.state = TaskState(TaskState::Ready);
            r.timeRange_in = 0;
            r.timeRange_out = clip->duration;
            r.cropRect = QRect(0, 240, 640, 120);
            r.otherAreas.clear();
            r.samples.clear();
            r.entries.clear();
            r.lastPosition = 0;
        });
        if (prepare)
            prepare();
        open(clip.get());
        QMediaPlayer *player = editor->mediaPlayer();
        return QTest::qWaitFor([player] { return player->playbackState() == QMediaPlayer::PausedState
                                                 && player->position() > 100; }, 15000)
               && QTest::qWaitFor([this] { return editor->videoOutputItem()->videoSink()->videoFrame().isValid(); },
                                  5000);
    }
    bool seekAndWait(qint64 position)
    {
        QMediaPlayer *player = editor->mediaPlayer();
        player->setPosition(position);
        // The frame on screen follows the seek a little later than the position.
        QVideoSink *sink = editor->videoOutputItem()->videoSink();
        return QTest::qWaitFor([&] { return qAbs(player->position() - position) < 60; }, 5000)
               && QTest::qWaitFor([&] { return qAbs(sink->videoFrame().startTime() / 1000 - position) < 100; }, 5000);
    }
    template<typename T>
    T *child(const char *name) const { return editor->findChild<T *>(QLatin1String(name)); }
    void dragCrop(QPointF from, QPointF to)
    {
        auto *view = child<QGraphicsView>("graphicsView");
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(from));
        QTest::mouseMove(view->viewport(), view->mapFromScene(to));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(to));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(TARNIX_FIXTURE_DIR "/en_two.mp4"), "fixtures missing: run scripts/render-fixtures.sh");
        QVERIFY2(!TextRecognizer().availableLanguages().isEmpty(), "no recognition language installed");
        clip = std::make_unique<Di_riror_adiRIZ>(QStringLiteral(TARNIX_FIXTURE_DIR "/en_two.mp4"));
        QTRY_COMPARE_WITH_TIMEOUT(clip->state, TaskState::Ready, 15000);
    }
    void cleanup() { delete editor.data(); }
    void cleanupTestCase() { delete shuttleEditor.data(); }

    void subtitleDockOnlyForFinishedTasks_data()
    {
        QTest::addColumn<TaskState>("state");
        QTest::newRow("finished") << TaskState::Done;
        QTest::newRow("ready") << TaskState::Ready;
    }
    void subtitleDockOnlyForFinishedTasks()
    {
        QFETCH(TaskState, state);
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.videoFileName = QStringLiteral("clip.mp4");
            r.state = TaskState(state);
            r.entries = twoEntries();
        });
        open(&task);
        QCOMPARE(editor->windowTitle(), QStringLiteral("clip.mp4"));
        QCOMPARE(child<QDockWidget>("dockWidget")->isVisible(), TaskState(state) == TaskState::Done);
        QCOMPARE(child<SRTQListWidget>("listWidget")->count(), TaskState(state) == TaskState::Done ? 2 : 0);
    }

    void languageList_data()
    {
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<bool>("nothingInstalled");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QString>("selected");   // tag of the current entry, empty for none
        QTest::addColumn<QStringList>("kept");   // "<first>" and "<profile>" stand for those tags
        QTest::newRow("saved language installed") << QStringList{"en"} << false << false << "en" << QStringList{"en"};
        QTest::newRow("nothing saved takes the profile language")
            << QStringList{} << false << false << "<profile>" << QStringList{"<profile>"};
        QTest::newRow("empty saved tag takes the profile language")
            << QStringList{""} << false << false << "<profile>" << QStringList{"<profile>"};
        // The first entry was applied as it was inserted; clearing the selection applies nothing.
        QTest::newRow("saved language missing") << QStringList{"xx-Missing"} << false << true << ""
                                                << QStringList{"<first>"};
        QTest::newRow("nothing installed, language saved") << QStringList{"en"} << true << true << ""
                                                           << QStringList{"en"};
        QTest::newRow("nothing installed, nothing saved") << QStringList{} << true << false << "" << QStringList{};
    }
    void languageList()
    {
        QFETCH(QStringList, saved);
        QFETCH(bool, nothingInstalled);
        QFETCH(bool, warning);
        QFETCH(QString, selected);
        QFETCH(QStringList, kept);
        QTemporaryDir emptyDataDir;
        const QByteArray dataDir = qgetenv("TESSDATA_PREFIX");
        const QByteArray ppocrDir = qgetenv("TARNIX_PPOCR_MODELS");
        const auto restore = qScopeGuard([dataDir, ppocrDir] {
            dataDir.isNull() ? qunsetenv("TESSDATA_PREFIX") : qputenv("TESSDATA_PREFIX", dataDir);
            ppocrDir.isNull() ? qunsetenv("TARNIX_PPOCR_MODELS") : qputenv("TARNIX_PPOCR_MODELS", ppocrDir);
        });
        if (nothingInstalled) {
            qputenv("TESSDATA_PREFIX", emptyDataDir.path().toLocal8Bit());
            qputenv("TARNIX_PPOCR_MODELS", emptyDataDir.path().toLocal8Bit());
        }

        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) { r.languages = saved; });
        const QList<QStringList> available = task.textRecognizer()->availableLanguages();
        const QString profile = task.textRecognizer()->userProfileLanguage();
        const auto resolve = [&](const QString &tag) {
            return tag == "<profile>" ? profile : tag == "<first>" ? available.value(0).value(0) : tag;
        };
        if (!nothingInstalled && selected == "en" && !task.textRecognizer()->selectLanguage("en").startsWith("ok"))
            QSKIP("English recognition data is not installed");

        MessageBoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok});
        open(&task);

        QCOMPARE(answers.at(0).seen, warning);
        QVERIFY(!answers.at(1).seen);
        if (warning)
            QCOMPARE(answers.at(0).title + '|' + answers.at(0).text, QStringLiteral("error|系统没有知道已经保存的语言  请添加语言包"));
        auto *box = child<QComboBox>("LanguagescomboBox");
        QCOMPARE(box->count(), nothingInstalled ? 0 : int(available.size()));
        if (box->count() > 0)
            QCOMPARE((QStringList{box->itemData(0).toString(), box->itemText(0)}), available.first());
        QCOMPARE(box->currentData().toString(), resolve(selected));
        QCOMPARE(box->currentIndex() == -1, selected.isEmpty());
        QStringList expected;
        for (const QString &tag : kept)
            expected << resolve(tag);
        QCOMPARE(task.languages, expected);
        if (box->count() > 1) { // a choice in the box goes to the task at once
            box->setCurrentIndex(1);
            QCOMPARE(task.languages, QStringList{available[1].value(0)});
        }
    }

    // A second language in its own box: the task reads both, and the summary names both.
    void secondLanguage()
    {
        Di_riror_adiRIZ task;
        if (!task.textRecognizer()->selectLanguage("zh-Hans+en").startsWith("ok"))
            QSKIP("Chinese and English recognition data are not both installed");
        rewrite(task, [&](TaskRecord &r) { r.languages = QStringList{"zh-Hans", "en"}; });
        open(&task);
        auto *first = child<QComboBox>("LanguagescomboBox");
        auto *second = child<QComboBox>("SecondLanguagecomboBox");
        QCOMPARE(first->currentData().toString(), QStringLiteral("zh-Hans"));
        QCOMPARE(second->currentData().toString(), QStringLiteral("en"));
        QCOMPARE(task.languages, (QStringList{"zh-Hans", "en"}));
        QVERIFY(task.summaryText().contains("Languages: zh-Hans+en\n"));

        second->setCurrentIndex(0);
        QCOMPARE(task.languages, QStringList{"zh-Hans"});
        second->setCurrentIndex(second->findData(QStringLiteral("en")));
        QCOMPARE(task.languages, (QStringList{"zh-Hans", "en"}));
        second->setCurrentIndex(second->findData(QStringLiteral("zh-Hans"))); // the same twice is one
        QCOMPARE(task.languages, QStringList{"zh-Hans"});
        // The first language is not offered as the second; the one it replaced is again.
        const auto offered = [second](const char *tag) {
            return qobject_cast<QStandardItemModel *>(second->model())->item(second->findData(QString::fromLatin1(tag)))->isEnabled();
        };
        QVERIFY(!offered("zh-Hans"));
        QVERIFY(offered("en"));
        first->setCurrentIndex(first->findData(QStringLiteral("en")));
        QVERIFY(offered("zh-Hans"));
        QVERIFY(!offered("en"));
    }

    // The detect button moves the crop rectangle to the band found in the video.
    void detectButtonMovesTheCrop()
    {
        Di_riror_adiRIZ task(QStringLiteral(TARNIX_FIXTURE_DIR "/area_top.mp4"));
        open(&task);
        QSignalSpy placed(editor.data(), &VideoQtWidgets::subtitleAreaPlaced);
        auto *button = child<QPushButton>("DetectArea_pushButton");
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled()); // the window keeps answering while the detector runs
        QVERIFY(placed.wait(20000));
        QVERIFY(button->isEnabled());
        const QRect band = placed.first().first().toRect();
        QCOMPARE(task.cropRect, band);
        QVERIFY2(band.top() < 30 && band.bottom() > 40 && band.bottom() < 90, qPrintable(QStringLiteral("%1-%2")
                                                                                     .arg(band.top()).arg(band.bottom())));
    }

    // Signs at the top and dialogue at the bottom: detection puts a rectangle on each, the
    // dialogue's the main one.
    void detectionFillsEveryArea()
    {
        Di_riror_adiRIZ task(QStringLiteral(TARNIX_FIXTURE_DIR "/fs_signs.mp4"));
        QTRY_COMPARE_WITH_TIMEOUT(task.state, TaskState::Ready, 15000);
        open(&task);
        QSignalSpy placed(editor.data(), &VideoQtWidgets::subtitleAreaPlaced);
        QTest::mouseClick(child<QPushButton>("DetectArea_pushButton"), Qt::LeftButton);
        QVERIFY(placed.wait(20000));
        const QList<QRect> areas = task.areas();
        QCOMPARE(areas.size(), 2);
        QVERIFY2(areas[0].top() > 180 && areas[1].bottom() < 180,
                 qPrintable(QStringLiteral("main %1-%2, other %3-%4").arg(areas[0].top()).arg(areas[0].bottom())
                                .arg(areas[1].top()).arg(areas[1].bottom())));
        QCOMPARE(placed.first().first().toRect(), areas[0]);
        const QList<CropItem *> items = editor->areaItems();
        QCOMPARE(items.size(), 2);
        QVERIFY(items[0]->rect().top() > items[1]->rect().bottom());
        QVERIFY(child<QPushButton>("RemoveArea_pushButton")->isEnabled());
    }

    void rateSpinBox()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.scanMode = ScanMode::Playback;
            r.Frame_rate = 2.5;
        });
        open(&task);
        auto *rate = child<QDoubleSpinBox>("FrameNumber_double");
        QCOMPARE(rate->value(), 2.5);
        QTest::keyClick(rate, Qt::Key_Up); // a change in the box goes to the task at once
        QCOMPARE(task.Frame_rate, rate->value());
        QVERIFY(task.Frame_rate > 2.5);

        // A stored rate the box cannot show is not rewritten by opening the editor.
        delete editor.data();
        Di_riror_adiRIZ slow;
        rewrite(slow, [&](TaskRecord &r) {
            r.scanMode = ScanMode::Playback;
            r.Frame_rate = 0.5;
        });
        open(&slow);
        QCOMPARE(child<QDoubleSpinBox>("FrameNumber_double")->value(), 1.0);
        QCOMPARE(slow.Frame_rate, 0.5);
    }

    void scanChoiceBesideTheRate()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) { r.samples = {{1, {"a"}}}; });
        open(&task);
        auto *scan = child<QComboBox>("ScanMode_comboBox");
        auto *rate = child<QDoubleSpinBox>("FrameNumber_double");
        QCOMPARE(scan->currentIndex(), 0);
        QVERIFY(!rate->isEnabled());
        QVERIFY(task.summaryText().contains(QStringLiteral("\nScan: fast\n")));

        scan->setCurrentIndex(1);
        QCOMPARE(task.scanMode, ScanMode::Playback);
        QVERIFY(rate->isEnabled());
        QVERIFY(task.samples.isEmpty()); // samples of one way mean nothing to the other
        QVERIFY(task.summaryText().contains(QStringLiteral("\nFrame_rate: 1.00\n")));

        QTest::keyClick(scan, Qt::Key_Up);
        QCOMPARE(task.scanMode, ScanMode::Fast);
        QVERIFY(!rate->isEnabled());
    }

    void shuttleRates_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<double>("rate");
        QTest::newRow("J at normal speed reverses") << "J" << -0.5;
        QTest::newRow("J three times") << "JJJ" << -1.5;
        QTest::newRow("L at normal speed") << "L" << 1.5;
        QTest::newRow("L twice") << "LL" << 2.0;
        QTest::newRow("L after reverse") << "JJL" << 0.5;
        QTest::newRow("J after fast forward") << "LLJ" << -0.5;
        QTest::newRow("space returns to normal speed") << "JJ " << 1.0;
    }
    void shuttleRates()
    {
        QFETCH(QString, keys);
        QFETCH(double, rate);
        // The rate depends only on the player's rate before the keys, so one editor serves every row.
        if (!shuttleEditor) {
            shuttleEditor = new VideoQtWidgets;
            shuttleEditor->loadTask(&shuttleTask);
        }
        shuttleEditor->mediaPlayer()->setPlaybackRate(1.0);
        for (const QChar key : keys)
            QTest::keyClick(shuttleEditor, key == u' ' ? Qt::Key_Space : key == u'J' ? Qt::Key_J : Qt::Key_L);
        QCOMPARE(shuttleEditor->mediaPlayer()->playbackRate(), rate);
    }

    void withoutMediaNothingIsWritten()
    {
        Di_riror_adiRIZ task; // no video: zero duration, no resolution
        rewrite(task, [&](TaskRecord &r) {
            r.timeRange_in = 100;
            r.timeRange_out = 200;
            r.cropRect = QRect(1, 2, 3, 4);
            r.samples = {FrameSample{150, {QStringLiteral("kept")}}};
            r.lastPosition = 150;
        });
        open(&task);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QCOMPARE(editor->mediaDuration(), 0);
        QVERIFY(!editor->videoSize().isValid());

        QTest::keyClick(editor, Qt::Key_I);
        QTest::keyClick(editor, Qt::Key_O);
        QTest::mouseClick(child<QPushButton>("setInTimetoolButton"), Qt::LeftButton);
        auto *slider = child<MySlider>("horizontalSlider");
        slider->repaint();
        const QPoint inMarker = slider->inHandle().center();
        QTest::mousePress(slider, Qt::LeftButton, {}, inMarker);
        QTest::mouseMove(slider, inMarker + QPoint(60, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, inMarker + QPoint(60, 0));
        QVERIFY(std::isfinite(slider->inTime()) && std::isfinite(slider->nowTime()));
        // A crop drag without a known frame size stores nothing.
        const QPointF inside = editor->cropRectItem()->rect().center();
        dragCrop(inside, inside + QPointF(15, 10));

        QCOMPARE(task.timeRange_in, 100);
        QCOMPARE(task.timeRange_out, 200);
        QCOMPARE(task.cropRect, QRect(1, 2, 3, 4));
        QCOMPARE(task.samples.size(), 1);
        QCOMPARE(task.lastPosition, 150);
    }

    void deletedTaskClosesEditor()
    {
        auto *task = new Di_riror_adiRIZ;
        rewrite(task, [&](TaskRecord &r) {
            r.state = TaskState(TaskState::Done);
            r.entries = twoEntries();
            r.timeRange_out = 6000;
        });
        open(task);
        QSignalSpy closed(editor.data(), &VideoQtWidgets::closeSig);

        delete task; // the task list removed the row
        QVERIFY(editor->task() == nullptr);
        QCOMPARE(child<SRTQListWidget>("listWidget")->count(), 0);
        // Whatever arrives before the window is gone must not reach the deleted task.
        for (Qt::Key key : {Qt::Key_I, Qt::Key_O, Qt::Key_Space, Qt::Key_J})
            QTest::keyClick(editor, key);
        child<QComboBox>("LanguagescomboBox")->setCurrentIndex(0);
        child<QDoubleSpinBox>("FrameNumber_double")->setValue(3.0);
        QTest::mouseClick(child<QPushButton>("Preview_pushButton"), Qt::LeftButton);
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(closed.count(), 1);
    }

    void openAndCloseLeavesTaskUntouched()
    {
        QVERIFY(openClip([this] {
            rewrite(clip, [&](TaskRecord &r) {
                r.timeRange_in = 1234;
                r.timeRange_out = 4321;
                r.samples = {FrameSample{2000, {QStringLiteral("gathered")}}};
                r.lastPosition = 2000;
                r.state = TaskState(TaskState::Cancelled);
            });
        }));
        auto *slider = child<MySlider>("horizontalSlider");
        QCOMPARE(slider->inTime(), 1234 / double(editor->mediaDuration()));
        QCOMPARE(slider->outTime(), 4321 / double(editor->mediaDuration()));
        QCOMPARE(child<QLabel>("in_timelabel")->text(), QStringLiteral("00:00:01,234"));
        // Clicking a marker without moving it changes nothing either.
        slider->repaint();
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->outHandle().center());
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->inHandle().center());

        QSignalSpy closed(editor.data(), &VideoQtWidgets::closeSig);
        QTest::mouseClick(child<QPushButton>("tohomepushButton"), Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(clip->timeRange_in, 1234);
        QCOMPARE(clip->timeRange_out, 4321);
        QCOMPARE(clip->samples.size(), 1);
        QCOMPARE(clip->lastPosition, 2000);
        QCOMPARE(clip->cropRect, QRect(0, 240, 640, 120));
        QCOMPARE(clip->state, TaskState::Cancelled);
    }

    void inAndOutPointsAndArrowKeys()
    {
        QVERIFY(openClip());
        const qint64 duration = editor->mediaDuration();
        QMediaPlayer *player = editor->mediaPlayer();
        auto *slider = child<MySlider>("horizontalSlider");

        // A new in point throws away what was gathered for the old range.
        rewrite(clip, [&](TaskRecord &r) {
            r.samples = {FrameSample{100, {}}};
            r.lastPosition = 100;
        });
        QVERIFY(seekAndWait(2000));
        QTest::keyClick(editor, Qt::Key_I);
        QCOMPARE(clip->timeRange_in, player->position());
        QVERIFY(clip->samples.isEmpty());
        QCOMPARE(clip->lastPosition, 0);
        QCOMPARE(slider->inTime(), double(player->position()) / duration);

        QVERIFY(seekAndWait(4000));
        QTest::mouseClick(child<QPushButton>("setOutTimetoolButton"), Qt::LeftButton);
        QCOMPARE(clip->timeRange_out, player->position());
        QCOMPARE(slider->outTime(), double(player->position()) / duration);

        // I after the out point: the marker stops at the out marker, the task takes the position.
        QVERIFY(seekAndWait(5000));
        QTest::keyClick(editor, Qt::Key_I);
        QCOMPARE(clip->timeRange_in, player->position());
        QCOMPARE(slider->inTime(), slider->outTime());

        // Dragging the out marker writes the range as it goes and seeks the player there.
        rewrite(clip, [&](TaskRecord &r) { r.samples = {FrameSample{100, {}}}; });
        slider->repaint();
        const QPoint outMarker = slider->outHandle().center();
        const QRect track = slider->track();
        const QPoint target(track.x() + track.width() * 9 / 10, outMarker.y());
        QTest::mousePress(slider, Qt::LeftButton, {}, outMarker);
        QTest::mouseMove(slider, target);
        const qint64 expected = qint64(duration * (double(target.x() - track.x()) / track.width()));
        QCOMPARE(clip->timeRange_out, expected);
        QVERIFY(clip->samples.isEmpty());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, target);
        QCOMPARE(clip->timeRange_out, expected);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - expected) < 60, 5000);

        // The arrow keys step two seconds and keep the player paused.
        QVERIFY(seekAndWait(2500));
        const qint64 from = player->position();
        QTest::keyClick(editor, Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - (from + 2000)) < 60, 5000);
        QTest::keyClick(editor, Qt::Key_Left);
        QTest::keyClick(editor, Qt::Key_Left);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - (from - 2000)) < 60, 5000);
        QCOMPARE(player->playbackState(), QMediaPlayer::PausedState);
    }

    void cropPlacedFromTaskAndStoredBack()
    {
        QVERIFY(openClip());
        QCOMPARE(editor->videoSize(), QSize(640, 360));
        // Placed over the picture at the task's rectangle; placing writes nothing.
        QTRY_VERIFY(editor->pictureReferenceRect().height() > 0
                    && qAbs(editor->pictureReferenceRect().width() * 9 - editor->pictureReferenceRect().height() * 16)
                           < 40);
        const QRect picture = editor->pictureReferenceRect();
        const double scale = picture.width() / 640.0;
        const QRectF placed = editor->cropRectItem()->rect();
        QVERIFY(qAbs(placed.y() - (picture.y() + 240 * scale)) <= 1);
        QVERIFY(qAbs(placed.height() - 120 * scale) <= 1);
        QVERIFY(qAbs(placed.width() - picture.width()) <= 1);
        QCOMPARE(clip->cropRect, QRect(0, 240, 640, 120));

        // Moving the rectangle up by 30 scene pixels stores it 30 / scale video pixels higher.
        dragCrop(placed.center(), placed.center() - QPointF(0, 30));
        QVERIFY2(qAbs(clip->cropRect.y() - (240 - 30 / scale)) <= 3, qPrintable(QString::number(clip->cropRect.y())));
        QVERIFY(qAbs(clip->cropRect.height() - 120) <= 3);
        QVERIFY(qAbs(clip->cropRect.width() - 640) <= 3);

        // Resizing maps the rectangle again without drifting and never writes the task.
        const QRect stored = clip->cropRect;
        const QRect reference = editor->cropReferenceRect();
        const QSize original = editor->size();
        for (const QSize &size : {QSize(1400, 800), QSize(900, 560), QSize(1213, 701), original}) {
            editor->resize(size);
            QApplication::processEvents();
            const QRectF now = editor->cropRectItem()->rect();
            const QRectF item = editor->videoOutputItem()->boundingRect();
            QVERIFY(qAbs(now.width() / item.width() - double(reference.width()) / picture.width()) < 0.02);
            QVERIFY(qAbs((now.x() - item.x()) / item.width() - double(reference.x() - picture.x()) / picture.width())
                    < 0.02);
        }
        QCOMPARE(editor->cropRectItem()->rect(), QRectF(reference));
        QCOMPARE(editor->cropReferenceRect(), reference);
        QCOMPARE(clip->cropRect, stored);
    }

    // A task's further areas are drawn beside the main one and edited by hand: each change goes
    // to the task in video pixels, and an area not touched is written back exactly as it was.
    void areasEditedByHand()
    {
        const QRect dialogue(0, 240, 640, 120);
        const QRect signs(0, 20, 640, 60);
        QVERIFY(openClip([&] { rewrite(clip, [&](TaskRecord &r) { r.otherAreas = {signs}; }); }));
        auto *remove = child<QPushButton>("RemoveArea_pushButton");
        auto *makeMain = child<QPushButton>("MainArea_pushButton");
        QList<CropItem *> items = editor->areaItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(clip->areas(), (QList<QRect>{dialogue, signs})); // placing writes nothing
        const QRect picture = editor->pictureReferenceRect();
        const double scale = picture.width() / 640.0;
        QVERIFY(qAbs(items[1]->rect().y() - (picture.y() + 20 * scale)) <= 1);
        QCOMPARE(items[0]->pen().style(), Qt::SolidLine);
        QCOMPARE(items[1]->pen().style(), Qt::DashLine);
        QVERIFY(remove->isEnabled() && !makeMain->isEnabled());

        dragCrop(items[1]->rect().center(), items[1]->rect().center() + QPointF(0, 30));
        const QRect moved = clip->areas().value(1);
        QVERIFY2(qAbs(moved.y() - (20 + 30 / scale)) <= 3, qPrintable(QString::number(moved.y())));
        QVERIFY(qAbs(moved.height() - 60) <= 3);
        QCOMPARE(clip->areas().first(), dialogue);

        QTest::mouseClick(makeMain, Qt::LeftButton); // the one just moved becomes the main one
        QCOMPARE(clip->areas(), (QList<QRect>{moved, dialogue}));
        QCOMPARE(editor->cropRectItem()->pen().style(), Qt::SolidLine);
        QVERIFY(editor->cropRectItem()->rect().bottom() < picture.center().y());
        QVERIFY(!makeMain->isEnabled());

        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(clip->areas(), QList<QRect>{dialogue});
        QCOMPARE(editor->areaItems().size(), 1);
        QVERIFY(!remove->isEnabled());
        editor->removeArea(); // the only area stays
        QCOMPARE(clip->areas(), QList<QRect>{dialogue});
    }

    // An added area lies in the upper part of the picture and follows it as the window resizes.
    void addedAreaFollowsThePicture()
    {
        QVERIFY(openClip());
        QTest::mouseClick(child<QPushButton>("AddArea_pushButton"), Qt::LeftButton);
        const QList<QRect> areas = clip->areas();
        QCOMPARE(areas.size(), 2);
        QCOMPARE(areas[0], QRect(0, 240, 640, 120));
        QVERIFY2(areas[1].top() >= 0 && areas[1].bottom() < 120 && areas[1].width() == 640,
                 qPrintable(QStringLiteral("%1-%2").arg(areas[1].top()).arg(areas[1].bottom())));
        CropItem *added = editor->areaItems().value(1);
        QVERIFY(added);
        const QRectF picture = editor->videoOutputItem()->boundingRect();
        const double top = (added->rect().y() - picture.y()) / picture.height();
        QVERIFY(qAbs(top - areas[1].y() / 360.0) < 0.01);
        editor->resize(editor->size() + QSize(300, 160));
        QApplication::processEvents();
        const QRectF now = editor->videoOutputItem()->boundingRect();
        QVERIFY(now != picture);
        QVERIFY(qAbs((added->rect().y() - now.y()) / now.height() - top) < 0.02);
        QVERIFY(qAbs(added->rect().width() / now.width() - 1.0) < 0.02);
        QCOMPARE(clip->areas(), areas); // resizing writes nothing
    }

    // A language chosen in the box is taken at once and loaded on the pool: the handler and a
    // preview asked for meanwhile leave the engine unloaded, and the preview reads when it is there.
    void languageChangeLoadsOnThePool()
    {
        const QList<QStringList> available = clip->textRecognizer()->availableLanguages();
        qsizetype english = 0;
        while (english < available.size() && available[english].value(0) != "en")
            ++english;
        if (english == available.size() || available.size() < 2)
            QSKIP("English and another recognition language are not both installed");
        const qsizetype other = english + 1 < available.size() ? english + 1 : english - 1;
        const QString otherTag = available[other].value(0);
        QVERIFY(openClip([&] { rewrite(clip, [&](TaskRecord &r) { r.languages = QStringList{otherTag}; }); }));
        TextRecognizer *recognizer = clip->textRecognizer();
        // A PP-OCR engine takes seconds to load, ten under a sanitizer.
        constexpr int loadLimitMs = 60000;
        QTRY_VERIFY_WITH_TIMEOUT(!recognizer->needsLoading(otherTag, clip->Frame_rate), loadLimitMs); // the editor's own
        QVERIFY(seekAndWait(1500));
        auto *text = child<QLabel>("Previewlabel");
        const QString before = text->text();
        QSignalSpy loaded(clip.get(), &Di_riror_adiRIZ::languageLoaded);

        QTest::keyClick(child<QComboBox>("LanguagescomboBox"), other > english ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(clip->languages, QStringList{"en"});
        QVERIFY(recognizer->needsLoading("en", clip->Frame_rate));
        QTest::mouseClick(child<QPushButton>("Preview_pushButton"), Qt::LeftButton);
        QVERIFY(recognizer->needsLoading("en", clip->Frame_rate));
        QCOMPARE(text->text(), before);

        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, loadLimitMs);
        QCOMPARE(loaded.first().first().toBool(), true);
        QVERIFY(!recognizer->needsLoading("en", clip->Frame_rate));
        QTRY_VERIFY2(text->text().contains(QStringLiteral("Hello world"), Qt::CaseInsensitive), qPrintable(text->text()));
    }

    // Whatever makes the view smaller or larger (here the preview's text growing below it), the
    // picture keeps to the view, so nothing of it is cut off.
    void pictureFollowsTheViewWithoutAWindowResize()
    {
        QVERIFY(openClip());
        auto *view = child<QGraphicsView>("graphicsView");
        const QSize before = view->size();
        child<QLabel>("Previewlabel")->setText(QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\n"));
        QTRY_VERIFY(view->size() != before);
        QCOMPARE(editor->videoOutputItem()->size(), QSizeF(view->size() - QSize(2, 2)));
    }

    void previewRecognisesFrameOnScreen()
    {
        QVERIFY(openClip());
        rewrite(clip, [&](TaskRecord &r) {
            r.entries = twoEntries();
            r.samples = {FrameSample{100, {}}};
        });
        auto *text = child<QLabel>("Previewlabel");
        auto *picture = child<QLabel>("Previewmagelabel");
        auto *preview = child<QPushButton>("Preview_pushButton");
        QVERIFY(seekAndWait(1500));
        QTest::mouseClick(preview, Qt::LeftButton);
        // The first one may wait for the language the editor began loading when it opened.
        QTRY_VERIFY2(text->text().contains(QStringLiteral("Hello world"), Qt::CaseInsensitive), qPrintable(text->text()));
        QVERIFY(text->text().endsWith(u'\n'));
        QVERIFY(picture->pixmap().width() <= 500 && picture->pixmap().height() <= 100);
        QVERIFY(!picture->pixmap().isNull());

        // The pool reads: the click returns before the text changes.
        QVERIFY(seekAndWait(3800));
        const QString shown = text->text();
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(text->text(), shown);
        QTRY_VERIFY2(text->text().contains(QStringLiteral("How are you today"), Qt::CaseInsensitive),
                     qPrintable(text->text()));

        // A failed preview keeps what the labels showed; previewing gathers nothing into the task.
        rewrite(clip, [&](TaskRecord &r) { r.cropRect = QRect(0, 240, 0, 120); });
        const QString before = text->text();
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(text->text(), before);
        QVERIFY(!picture->pixmap().isNull());
        QCOMPARE(clip->samples.size(), 1);
        QCOMPARE(clip->entries.size(), 2);
    }
};

QTEST_MAIN(TestVideoEditor)
#include "tst_videoeditor.moc"
