#include "editor/cropitem.h"
#include "editor/myslider.h"
#include "editor/srtqlistwidget.h"
#include "editor/videoqtwidgets.h"
#include "recognition/di_riror_adiriz.h"
#include "recognition/ocr/textrecognizer.h"

#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGraphicsVideoItem>
#include <QGraphicsView>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTranslator>
#include <QVideoFrame>
#include <QVideoSink>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// en_two.mp4: 640x360, 6 s, "Hello world" 0.5-2.5 s, "How are you today" 3.0-5.0 s.
QString englishClip()
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/en_two.mp4");
}

// Answers the modal boxes that open while it lives with OK, and remembers the last one.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer()
    {
        connect(&timer, &QTimer::timeout, this, &ModalAnswerer::answer);
        timer.start(10);
    }
    int count = 0;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++count;
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    }
    QTimer timer;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { had ? qputenv(name, old) : qunsetenv(name); }

private:
    const char *name;
    bool had;
    QByteArray old;
};

QList<SRTEntry> twoEntries()
{
    return {SRTEntry{500, 2500, QStringLiteral("Hello world\n"), {}, {}},
            SRTEntry{3000, 5000, QStringLiteral("How are you today\n"), {}, {}}};
}

} // namespace

class TestVideoEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase() { delete shuttleEditor.data(); }

    void formIsTranslated();
    void subtitleDockOnlyForFinishedTasks_data();
    void subtitleDockOnlyForFinishedTasks();
    void languageList_data();
    void languageList();
    void rateSpinBox();
    void shuttleRates_data();
    void shuttleRates();
    void withoutMediaNothingIsWritten();
    void repeatedResizesReturnFirstCrop();
    void deletedTaskClosesEditor();

    void openAndCloseLeavesTaskUntouched();
    void inAndOutPointsAndArrowKeys();
    void cropPlacedFromTaskAndStoredBack();
    void previewRecognisesFrameOnScreen();

private:
    VideoQtWidgets *open(Di_riror_adiRIZ *task);
    // Opens the editor on the shared clip task, as fresh as the task list made it.
    bool openClip();
    bool waitForFirstFrame(VideoQtWidgets *editor);
    bool seekAndWait(VideoQtWidgets *editor, qint64 position);
    template<typename T>
    T *child(const char *name) const { return editor->findChild<T *>(QLatin1String(name)); }
    QPoint sceneToViewport(QPointF scenePoint) const;

    QPointer<VideoQtWidgets> editor;
    // The clip loaded once by a task's own player; the tests that play it share it.
    std::unique_ptr<Di_riror_adiRIZ> clip;
    Di_riror_adiRIZ shuttleTask;
    QPointer<VideoQtWidgets> shuttleEditor;
};

void TestVideoEditor::initTestCase()
{
    QVERIFY2(QFile::exists(englishClip()), "fixtures missing: run scripts/render-fixtures.sh");
    QVERIFY2(!TextRecognizer().availableLanguages().isEmpty(), "no recognition language installed");
    clip = std::make_unique<Di_riror_adiRIZ>(englishClip());
    QTRY_COMPARE_WITH_TIMEOUT(clip->state, int(Ready), 15000);
}

void TestVideoEditor::cleanup()
{
    delete editor.data();
}

VideoQtWidgets *TestVideoEditor::open(Di_riror_adiRIZ *task)
{
    editor = new VideoQtWidgets;
    editor->loadTask(task);
    editor->show();
    return editor;
}

bool TestVideoEditor::openClip()
{
    clip->state = Ready;
    clip->timeRange_in = 0;
    clip->timeRange_out = clip->duration;
    clip->cropRect = QRect(0, 240, 640, 120);
    clip->samples.clear();
    clip->entries.clear();
    clip->lastPosition = 0;
    open(clip.get());
    return waitForFirstFrame(editor);
}

bool TestVideoEditor::waitForFirstFrame(VideoQtWidgets *shown)
{
    QMediaPlayer *player = shown->mediaPlayer();
    return QTest::qWaitFor(
               [player] { return player->playbackState() == QMediaPlayer::PausedState && player->position() > 100; },
               15000)
           && QTest::qWaitFor([shown] { return shown->videoOutputItem()->videoSink()->videoFrame().isValid(); },
                              5000);
}

bool TestVideoEditor::seekAndWait(VideoQtWidgets *shown, qint64 position)
{
    QMediaPlayer *player = shown->mediaPlayer();
    player->setPosition(position);
    // The frame on screen follows the seek a little later than the position.
    QVideoSink *sink = shown->videoOutputItem()->videoSink();
    return QTest::qWaitFor([&] { return qAbs(player->position() - position) < 60; }, 5000)
           && QTest::qWaitFor([&] { return qAbs(sink->videoFrame().startTime() / 1000 - position) < 100; }, 5000);
}

QPoint TestVideoEditor::sceneToViewport(QPointF scenePoint) const
{
    return child<QGraphicsView>("graphicsView")->mapFromScene(scenePoint);
}

void TestVideoEditor::formIsTranslated()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/new/i18n/Translation_en.qm")));
    QCoreApplication::installTranslator(&english);
    VideoQtWidgets shown;
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(shown.findChild<QLabel *>("label_2")->text(), QStringLiteral("recognition rate"));
    QCOMPARE(shown.findChild<QPushButton *>("tohomepushButton")->text(), QStringLiteral("save return list"));
}

void TestVideoEditor::subtitleDockOnlyForFinishedTasks_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("dockShown");
    QTest::newRow("finished") << int(Done) << true;
    QTest::newRow("ready") << int(Ready) << false;
    QTest::newRow("cancelled") << int(Cancelled) << false;
}

void TestVideoEditor::subtitleDockOnlyForFinishedTasks()
{
    QFETCH(int, state);
    QFETCH(bool, dockShown);
    Di_riror_adiRIZ task;
    task.videoFileName = QStringLiteral("clip.mp4");
    task.state = state;
    task.entries = twoEntries();
    open(&task);
    QCOMPARE(editor->windowTitle(), QStringLiteral("clip.mp4"));
    QCOMPARE(child<QDockWidget>("dockWidget")->isVisible(), dockShown);
    QCOMPARE(child<SRTQListWidget>("listWidget")->count(), dockShown ? 2 : 0);
}

void TestVideoEditor::languageList_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<bool>("nothingInstalled");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QString>("selected");           // tag of the current entry, empty for none
    QTest::addColumn<QStringList>("languagesAfter"); // "<first>" and "<profile>" stand for those tags

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

void TestVideoEditor::languageList()
{
    QFETCH(QStringList, saved);
    QFETCH(bool, nothingInstalled);
    QFETCH(bool, warning);
    QFETCH(QString, selected);
    QFETCH(QStringList, languagesAfter);

    QTemporaryDir emptyDataDir;
    std::unique_ptr<ScopedEnv> env;
    if (nothingInstalled)
        env = std::make_unique<ScopedEnv>("TESSDATA_PREFIX", emptyDataDir.path().toLocal8Bit());

    Di_riror_adiRIZ task;
    task.languages = saved;
    const QList<QStringList> available = task.textRecognizer()->availableLanguages();
    const QString profile = task.textRecognizer()->userProfileLanguage();
    const auto resolve = [&](const QString &tag) {
        if (tag == "<profile>")
            return profile;
        return tag == "<first>" ? available.value(0).value(0) : tag;
    };
    if (!nothingInstalled && selected == "en" && !task.textRecognizer()->selectLanguage("en").startsWith("ok"))
        QSKIP("English recognition data is not installed");

    ModalAnswerer answerer;
    open(&task);

    QCOMPARE(answerer.count, warning ? 1 : 0);
    if (warning) {
        QCOMPARE(answerer.title, QStringLiteral("error"));
        QCOMPARE(answerer.text, QStringLiteral("系统没有知道已经保存的语言  请添加语言包"));
        QCOMPARE(answerer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    auto *box = child<QComboBox>("LanguagescomboBox");
    QCOMPARE(box->count(), nothingInstalled ? 0 : int(available.size()));
    for (int i = 0; i < box->count(); ++i) {
        QCOMPARE(box->itemData(i).toString(), available[i].value(0));
        QCOMPARE(box->itemText(i), available[i].value(1));
    }
    QCOMPARE(box->currentData().toString(), resolve(selected));
    QCOMPARE(box->currentIndex() == -1, selected.isEmpty());
    QStringList expectedLanguages;
    for (const QString &tag : languagesAfter)
        expectedLanguages << resolve(tag);
    QCOMPARE(task.languages, expectedLanguages);

    // A choice in the box goes to the task at once.
    if (box->count() > 1) {
        box->setCurrentIndex(1);
        QCOMPARE(task.languages, QStringList{available[1].value(0)});
    }
}

void TestVideoEditor::rateSpinBox()
{
    Di_riror_adiRIZ task;
    task.Frame_rate = 2.5;
    open(&task);
    auto *rate = child<QDoubleSpinBox>("FrameNumber_double");
    QCOMPARE(rate->value(), 2.5);
    QTest::keyClick(rate, Qt::Key_Up);
    QCOMPARE(task.Frame_rate, 2.6);
    rate->setValue(10.0);
    QTest::keyClick(rate, Qt::Key_Up);
    QCOMPARE(task.Frame_rate, 10.0);
    rate->setValue(1.0);
    QTest::keyClick(rate, Qt::Key_Down);
    QCOMPARE(task.Frame_rate, 1.0);

    // A stored rate the box cannot show is not rewritten by opening the editor.
    delete editor.data();
    Di_riror_adiRIZ slow;
    slow.Frame_rate = 0.5;
    open(&slow);
    QCOMPARE(child<QDoubleSpinBox>("FrameNumber_double")->value(), 1.0);
    QCOMPARE(slow.Frame_rate, 0.5);
}

void TestVideoEditor::shuttleRates_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("rate");
    QTest::newRow("J at normal speed reverses") << "J" << -0.5;
    QTest::newRow("J again goes faster back") << "JJ" << -1.0;
    QTest::newRow("J three times") << "JJJ" << -1.5;
    QTest::newRow("L at normal speed") << "L" << 1.5;
    QTest::newRow("L twice") << "LL" << 2.0;
    QTest::newRow("L after reverse") << "JJL" << 0.5;
    QTest::newRow("J after fast forward") << "LLJ" << -0.5;
    QTest::newRow("space returns to normal speed") << "JJ " << 1.0;
}

void TestVideoEditor::shuttleRates()
{
    QFETCH(QString, keys);
    QFETCH(double, rate);
    // The rate depends only on the player's rate before the keys, so one editor serves every row.
    if (!shuttleEditor) {
        shuttleEditor = new VideoQtWidgets;
        shuttleEditor->loadTask(&shuttleTask);
    }
    shuttleEditor->mediaPlayer()->setPlaybackRate(1.0);
    for (const QChar key : keys) {
        const Qt::Key code = key == u' ' ? Qt::Key_Space : key == u'J' ? Qt::Key_J : Qt::Key_L;
        QTest::keyClick(shuttleEditor, code);
    }
    QCOMPARE(shuttleEditor->mediaPlayer()->playbackRate(), rate);
}

void TestVideoEditor::withoutMediaNothingIsWritten()
{
    Di_riror_adiRIZ task; // no video: zero duration, no resolution
    task.timeRange_in = 100;
    task.timeRange_out = 200;
    task.cropRect = QRect(1, 2, 3, 4);
    task.samples = {FrameSample{150, {QStringLiteral("kept")}}};
    task.lastPosition = 150;
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
    QWidget *viewport = child<QGraphicsView>("graphicsView")->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, sceneToViewport(inside));
    QTest::mouseMove(viewport, sceneToViewport(inside + QPointF(15, 10)));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, sceneToViewport(inside + QPointF(15, 10)));
    QCOMPARE(editor->cropReferenceRect().topLeft(), editor->cropRectItem()->boundingRect().toRect().topLeft());

    QCOMPARE(task.timeRange_in, 100);
    QCOMPARE(task.timeRange_out, 200);
    QCOMPARE(task.cropRect, QRect(1, 2, 3, 4));
    QCOMPARE(task.samples.size(), 1);
    QCOMPARE(task.lastPosition, 150);
}

void TestVideoEditor::repeatedResizesReturnFirstCrop()
{
    Di_riror_adiRIZ task;
    open(&task);
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    // Take a reference pair from a real crop drag over the picture area.
    const QPointF inside = editor->cropRectItem()->rect().center();
    QWidget *viewport = child<QGraphicsView>("graphicsView")->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, sceneToViewport(inside));
    QTest::mouseMove(viewport, sceneToViewport(inside + QPointF(40, 30)));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, sceneToViewport(inside + QPointF(40, 30)));
    const QRect picture = editor->pictureReferenceRect();
    QVERIFY(picture.width() > 0);
    // The reference is the reported bounding rectangle, the pen's half width wider than the drag.
    const QRect first = editor->cropReferenceRect();
    QCOMPARE(first.size(), QSize(202, 202));

    const QSize original = editor->size();
    for (const QSize &size : {QSize(1400, 800), QSize(900, 560), QSize(1213, 701), QSize(1066, 617)}) {
        editor->resize(size);
        QApplication::processEvents();
        const QRectF now = editor->cropRectItem()->rect();
        const QRectF item = editor->videoOutputItem()->boundingRect();
        // The crop keeps its place relative to the picture.
        QVERIFY(qAbs((now.width() / item.width()) - (double(first.width()) / picture.width())) < 0.02);
        QVERIFY(qAbs((now.x() - item.x()) / item.width() - double(first.x() - picture.x()) / picture.width()) < 0.02);
    }
    editor->resize(original);
    QApplication::processEvents();
    QCOMPARE(editor->cropRectItem()->rect(), QRectF(first));
    QCOMPARE(editor->cropReferenceRect(), first);
}

void TestVideoEditor::deletedTaskClosesEditor()
{
    auto *task = new Di_riror_adiRIZ;
    task->state = Done;
    task->entries = twoEntries();
    task->timeRange_in = 0;
    task->timeRange_out = 6000;
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

void TestVideoEditor::openAndCloseLeavesTaskUntouched()
{
    clip->timeRange_in = 1234;
    clip->timeRange_out = 4321;
    clip->samples = {FrameSample{2000, {QStringLiteral("gathered")}}};
    clip->lastPosition = 2000;
    clip->cropRect = QRect(0, 240, 640, 120);
    clip->state = Cancelled;
    open(clip.get());
    QVERIFY(waitForFirstFrame(editor));
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
    QCOMPARE(clip->state, int(Cancelled));
}

void TestVideoEditor::inAndOutPointsAndArrowKeys()
{
    QVERIFY(openClip());
    const qint64 duration = editor->mediaDuration();
    QMediaPlayer *player = editor->mediaPlayer();
    auto *slider = child<MySlider>("horizontalSlider");

    // A new in point throws away what was gathered for the old range.
    clip->samples = {FrameSample{100, {}}};
    clip->lastPosition = 100;
    QVERIFY(seekAndWait(editor, 2000));
    QTest::keyClick(editor, Qt::Key_I);
    QCOMPARE(clip->timeRange_in, player->position());
    QVERIFY(clip->samples.isEmpty());
    QCOMPARE(clip->lastPosition, 0);
    QCOMPARE(slider->inTime(), double(player->position()) / duration);

    QVERIFY(seekAndWait(editor, 4000));
    QTest::mouseClick(child<QPushButton>("setOutTimetoolButton"), Qt::LeftButton);
    QCOMPARE(clip->timeRange_out, player->position());
    QCOMPARE(slider->outTime(), double(player->position()) / duration);

    // I after the out point: the marker stops at the out marker, the task takes the position.
    QVERIFY(seekAndWait(editor, 5000));
    QTest::keyClick(editor, Qt::Key_I);
    QCOMPARE(clip->timeRange_in, player->position());
    QCOMPARE(slider->inTime(), slider->outTime());

    // Dragging the out marker writes the range as it goes and seeks the player there.
    clip->samples = {FrameSample{100, {}}};
    slider->repaint();
    const QPoint outMarker = slider->outHandle().center();
    const QRect track = slider->track();
    const int targetX = track.x() + track.width() * 9 / 10;
    QTest::mousePress(slider, Qt::LeftButton, {}, outMarker);
    QTest::mouseMove(slider, QPoint(targetX, outMarker.y()));
    const qint64 expected = qint64(duration * (double(targetX - track.x()) / track.width()));
    QCOMPARE(clip->timeRange_out, expected);
    QVERIFY(clip->samples.isEmpty());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(targetX, outMarker.y()));
    QCOMPARE(clip->timeRange_out, expected);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - expected) < 60, 5000);

    // The arrow keys step two seconds and keep the player paused.
    QVERIFY(seekAndWait(editor, 2500));
    const qint64 from = player->position();
    QTest::keyClick(editor, Qt::Key_Right);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - (from + 2000)) < 60, 5000);
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClick(editor, Qt::Key_Left);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->position() - (from - 2000)) < 60, 5000);
    QCOMPARE(player->playbackState(), QMediaPlayer::PausedState);
}

void TestVideoEditor::cropPlacedFromTaskAndStoredBack()
{
    QVERIFY(openClip());
    QCOMPARE(editor->videoSize(), QSize(640, 360));

    // Placed over the picture at the task's rectangle.
    QTRY_VERIFY(editor->pictureReferenceRect().height() > 0
                && qAbs(editor->pictureReferenceRect().width() * 9 - editor->pictureReferenceRect().height() * 16) < 40);
    const QRect picture = editor->pictureReferenceRect();
    const double scale = picture.width() / 640.0;
    const QRectF placed = editor->cropRectItem()->rect();
    QVERIFY(qAbs(placed.y() - (picture.y() + 240 * scale)) <= 1);
    QVERIFY(qAbs(placed.height() - 120 * scale) <= 1);
    QVERIFY(qAbs(placed.width() - picture.width()) <= 1);
    QCOMPARE(clip->cropRect, QRect(0, 240, 640, 120)); // placing writes nothing

    // Moving the rectangle up by 30 scene pixels stores it 30 / scale video pixels higher.
    const QPointF grab = placed.center();
    QWidget *viewport = child<QGraphicsView>("graphicsView")->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, sceneToViewport(grab));
    QTest::mouseMove(viewport, sceneToViewport(grab - QPointF(0, 30)));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, sceneToViewport(grab - QPointF(0, 30)));
    QVERIFY2(qAbs(clip->cropRect.y() - (240 - 30 / scale)) <= 3, qPrintable(QString::number(clip->cropRect.y())));
    QVERIFY(qAbs(clip->cropRect.height() - 120) <= 3);
    QVERIFY(qAbs(clip->cropRect.width() - 640) <= 3);

    // Resizing the window maps the rectangle again but never writes the task.
    const QRect stored = clip->cropRect;
    editor->resize(1300, 760);
    QApplication::processEvents();
    QCOMPARE(clip->cropRect, stored);
}

void TestVideoEditor::previewRecognisesFrameOnScreen()
{
    QVERIFY(openClip());
    clip->entries = twoEntries();
    clip->samples = {FrameSample{100, {}}};
    auto *text = child<QLabel>("Previewlabel");
    auto *picture = child<QLabel>("Previewmagelabel");
    QVERIFY(seekAndWait(editor, 1500));
    QTest::mouseClick(child<QPushButton>("Preview_pushButton"), Qt::LeftButton);
    QVERIFY2(text->text().contains(QStringLiteral("Hello world"), Qt::CaseInsensitive), qPrintable(text->text()));
    QVERIFY(text->text().endsWith(u'\n'));
    QVERIFY(!picture->pixmap().isNull());
    QVERIFY(picture->pixmap().width() <= 500 && picture->pixmap().height() <= 100);

    QVERIFY(seekAndWait(editor, 3800));
    QTest::mouseClick(child<QPushButton>("Preview_pushButton"), Qt::LeftButton);
    QVERIFY2(text->text().contains(QStringLiteral("How are you today"), Qt::CaseInsensitive),
             qPrintable(text->text()));

    // A failed preview keeps what the labels showed.
    clip->cropRect = QRect(0, 240, 0, 120);
    const QString before = text->text();
    QSignalSpy errors(clip.get(), &Di_riror_adiRIZ::err);
    QTest::mouseClick(child<QPushButton>("Preview_pushButton"), Qt::LeftButton);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(text->text(), before);
    QVERIFY(!picture->pixmap().isNull());

    // Previewing gathers nothing into the task.
    QCOMPARE(clip->samples.size(), 1);
    QCOMPARE(clip->entries.size(), 2);
}

QTEST_MAIN(TestVideoEditor)
#include "tst_videoeditor.moc"
