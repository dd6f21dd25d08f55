#include "taskstesthelpers.h"

#include "platform/appconstants.h"
#include "editor/videoqtwidgets.h"
#include "media/thumbnailqueue.h"
#include "recognition/subtitleareadetector.h"
#include "recognition/segmentation.h"
#include "batch/qprogressindicator.h"
#include "batch/taskcustomitem.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

using namespace TasksTest;

namespace {

QSettings settings()
{
    return QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
}

QString storedOutputPath()
{
    return settings().value(AppConstants::outputPathKey).toString();
}

// A task without media in the page's batch.
Di_riror_adiRIZ *addHandMade(TaskListWidgetsClass &page, const QString &path, TaskState state)
{
    Di_riror_adiRIZ *task = handMadeTask(*page.taskList(), path, state);
    listOf(page)->rebuildRows();
    return task;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The page as the window shows it.
struct ShownPage : TaskListWidgetsClass
{
    ShownPage() { show(); }
};

QMessageBox *savedNotice()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->windowTitle() == QStringLiteral("保存成功"))
            return box;
    }
    return nullptr;
}

QByteArray projectBytes(const QList<Di_riror_adiRIZ *> &tasks, qint16 version = 1)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    ProjectStream::writeHeader(out, {version, QStringLiteral("win"), qint64(tasks.size())});
    for (const Di_riror_adiRIZ *task : tasks)
        ProjectFile::writeTask(out, *task);
    return bytes;
}

} // namespace

class TestTaskListPage : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    QTemporaryDir work;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        useHome(home.path());
        QVERIFY2(QFile::exists(fixture("en_two.mp4")), "fixtures missing: run scripts/render-fixtures.sh");
    }
    void init()
    {
        settings().clear();
        settings().setValue(AppConstants::outputPathKey, work.path());
    }
    void cleanup()
    {
        // Saved notices close themselves after a while; ctrlS checks that once, the others need not wait.
        while (QMessageBox *notice = savedNotice())
            delete notice;
    }

    void outputFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("storedIsUsed");
        QTest::newRow("writable stored folder") << work.path() << true;
        QTest::newRow("stored folder gone") << work.filePath("gone") << false;
        QTest::newRow("nothing stored") << QString() << false;
    }
    void outputFolder()
    {
        QFETCH(QString, stored);
        QFETCH(bool, storedIsUsed);
        settings().clear();
        if (!stored.isNull())
            settings().setValue(AppConstants::outputPathKey, stored);

        TaskListWidgetsClass page;
        const QString fallback = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/tarnix";
        QVERIFY(fallback.startsWith(home.path()));
        QCOMPARE(page.outputDirectory(), storedIsUsed ? stored : fallback);
        if (!storedIsUsed) {
            QVERIFY(QFileInfo(fallback).isDir());
            QCOMPARE(storedOutputPath(), stored); // the fallback is not written back
        }
    }

    // The drop only takes the names: the files are checked off the GUI thread, and each video gets its
    // row as soon as it and the files before it are known; a second drop (here on the list) queues
    // behind the first. Folders and missing paths are passed over without a word, and files that do not
    // play are named.
    void dropChecksLaterAndAddsRowsOneByOneInOrder()
    {
        ShownPage page;
        QVERIFY(!listOf(page)->isVisibleTo(&page)); // an empty batch shows the drop zone
        const QStringList first{fixture("zh_yellow.mkv"), fixture("not_a_video.mp4"), work.path(), fixture("en_two.mp4"),
                                fixture("absent.mp4"), fixture("portrait.mp4")};
        const QStringList second{fixture("fs_rotated.mp4"), fixture("area_top.mp4")};
        QList<int> rowsPerInsert;
        connect(listOf(page)->model(), &QAbstractItemModel::rowsInserted, &page,
                [&](const QModelIndex &, int from, int to) { rowsPerInsert << to - from + 1; });
        QSignalSpy done(&page, &TaskListWidgetsClass::importFinished);
        auto warning = answerMessageBox(QMessageBox::Ok);

        dropOn(&page, first);
        dropOn(listOf(page)->viewport(), second);
        QVERIFY(page.taskList()->taskList().isEmpty());
        QVERIFY(page.isImporting());

        QVERIFY(done.wait(20000));
        QStringList videos = first + second;
        for (const QString &passedOver : {fixture("not_a_video.mp4"), work.path(), fixture("absent.mp4")})
            videos.removeAll(passedOver);
        QCOMPARE(pathsOf(*page.taskList()), videos);
        QCOMPARE(rowsPerInsert, QList<int>(videos.size(), 1));
        QTRY_VERIFY_WITH_TIMEOUT(warning->seen, 5000);
        QCOMPARE(warning->title, QStringLiteral("以下文件不能导入"));
        // Each refused file with the reason the command line gives.
        QCOMPARE(warning->text, fixture("not_a_video.mp4") + QStringLiteral("：不是可播放的视频（不是可读取的视频文件）\n"));
        QCOMPARE(listOf(page)->currentRow(), int(videos.size()) - 1);
        QVERIFY(listOf(page)->isVisibleTo(&page));
        QVERIFY(!page.findChild<QWidget *>("Drag_ui_widget")->isVisibleTo(&page));
    }

    // A file already in the batch, or twice in one drop, is added again only when the user says so.
    void repeatedFilesAreAskedAbout()
    {
        ShownPage page;
        QSignalSpy done(&page, &TaskListWidgetsClass::importFinished);
        auto declined = answerMessageBox(QMessageBox::No);
        dropOn(&page, {fixture("en_two.mp4"), fixture("en_two.mp4")});
        QVERIFY(done.wait(20000));
        QCOMPARE(declined->title, QStringLiteral("重复的文件"));
        QCOMPARE(declined->text.count(fixture("en_two.mp4")), 1);
        QCOMPARE(pathsOf(*page.taskList()), QStringList{fixture("en_two.mp4")});

        auto accepted = answerMessageBox(QMessageBox::Yes);
        dropOn(&page, {fixture("en_two.mp4")});
        QVERIFY(done.wait(20000));
        QVERIFY(accepted->seen);
        QCOMPARE(pathsOf(*page.taskList()), (QStringList{fixture("en_two.mp4"), fixture("en_two.mp4")}));

        auto declinedAll = answerMessageBox(QMessageBox::No);
        dropOn(&page, {fixture("en_two.mp4")});
        QVERIFY(done.wait(20000));
        QVERIFY(declinedAll->seen);
        QCOMPARE(page.taskList()->taskList().size(), qsizetype(2));
    }

    // Names users really give their files all import; rows deleted (by the Delete key on the current
    // row) and a page closed while their pictures are being taken get nothing, and the queue goes
    // on with the rows that stay.
    void rowsAndPageGoneWhileThumbnailsAreTaken()
    {
        QTemporaryDir dir;
        QStringList videos;
        const QStringList clips{fixture("en_two.mp4"), fixture("zh_yellow.mkv"), fixture("fs_rotated.mp4")};
        const QStringList names{QStringLiteral("字幕 测试"), QStringLiteral("Amélie à l'école"), QStringLiteral("50% #1 ?a=b&c"),
                                QStringLiteral("-dash")};
        for (int i = 0; i < 12; ++i) {
            const QString clip = clips.at(i % 3);
            videos.append(dir.filePath(QStringLiteral("%1 %2.%3").arg(names.at(i % 4)).arg(i).arg(QFileInfo(clip).suffix())));
            QVERIFY(QFile::link(clip, videos.last()));
        }
        ThumbnailQueue *queue = ThumbnailQueue::instance();
        auto noWarning = answerMessageBox(QMessageBox::Ok);
        auto closed = std::make_unique<ShownPage>();
        dropOn(closed.get(), videos);
        ShownPage page;
        dropOn(&page, videos);
        QTRY_COMPARE_WITH_TIMEOUT(pathsOf(*page.taskList()), videos, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(queue->runningGrabs() > 0, 20000);
        closed.reset();
        for (int i = 0; i < 6; ++i) {
            listOf(page)->setCurrentRow(0);
            QTest::keyClick(&page, Qt::Key_Delete);
        }
        QCOMPARE(pathsOf(*page.taskList()), videos.mid(6));
        for (Di_riror_adiRIZ *task : page.taskList()->taskList()) {
            QTRY_COMPARE_WITH_TIMEOUT(task->state, TaskState::Ready, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(task->thumbnailLoaded, 20000);
            QVERIFY2(!task->thumbnail.isNull(), qPrintable(task->videoPath));
        }
        QTRY_COMPARE_WITH_TIMEOUT(queue->runningGrabs(), 0, 10000);
        QVERIFY(!noWarning->seen);

        // The button deletes the selection; an empty batch shows the drop zone again.
        listOf(page)->selectAll();
        QTest::mouseClick(button(page, "delpushButton"), Qt::LeftButton);
        QVERIFY(page.taskList()->taskList().isEmpty());
        QVERIFY(!listOf(page)->isVisibleTo(&page));
        QVERIFY(page.findChild<QWidget *>("Drag_ui_widget")->isVisibleTo(&page));
    }

    void addButtonAsksForVideosAndEditButtonOpensEditor()
    {
        ShownPage page;
        {
            FileAnswers cancelled;
            QTest::mouseClick(button(page, "drag_pushButton"), Qt::LeftButton);
            QCOMPARE(cancelled.asked.size(), 1);
            QCOMPARE(cancelled.asked.first().kind, FileDialogs::Kind::OpenFiles);
            QCOMPARE(cancelled.asked.first().directory, FileDialogs::moviesDirectory());
            QVERIFY(page.taskList()->taskList().isEmpty());
        }
        {
            FileAnswers chosen({fixture("en_two.mp4"), fixture("portrait.mp4")});
            QTest::mouseClick(button(page, "addpushButton"), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(pathsOf(*page.taskList()),
                                  (QStringList{fixture("en_two.mp4"), fixture("portrait.mp4")}), 10000);

        QTest::mouseClick(listOf(page)->rowWidget(1)->findChild<QPushButton *>("editpushButt"), Qt::LeftButton);
        QPointer<VideoQtWidgets> editor;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *candidate = qobject_cast<VideoQtWidgets *>(widget))
                editor = candidate;
        }
        QVERIFY(editor);
        QCOMPARE(editor->task(), page.taskList()->taskList().at(1));
        QVERIFY(editor->isVisible());
        QVERIFY(!editor->parent());
        editor->close();
        QTRY_VERIFY(editor.isNull());
    }

    // While a batch runs, a second start does nothing and opening, deleting or resetting is refused
    // (the runner would wait for a task that is gone); stop shows its indicator until the batch ends.
    void whileRunningStartAndOpenAreRefusedAndStopShowsIndicator()
    {
        ShownPage page;
        addHandMade(page, "t0", TaskState::Ready);
        Di_riror_adiRIZ *second = addHandMade(page, "t1", TaskState::Ready);
        auto *indicator = page.findChild<QProgressIndicator *>("Cancel_pIndicator");
        QSignalSpy runs(&page, &TaskListWidgetsClass::runSig);
        QSignalSpy stops(&page, &TaskListWidgetsClass::stopSig);
        FileAnswers noFileAsked;
        ModalLog refusals;

        QTest::mouseClick(button(page, "stoppushButton"), Qt::LeftButton); // idle: nothing to stop
        QCOMPARE(stops.count(), 0);

        bool indicatorShownWhileStopping = false;
        BatchDriver driver(*page.taskList(), [&](Di_riror_adiRIZ *task) {
            QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
            refusals = answerMessageBoxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
            QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);
            listOf(page)->selectAll();
            QTest::keyClick(&page, Qt::Key_Delete);
            listOf(page)->resetSelected(0);
            QTest::mouseClick(button(page, "stoppushButton"), Qt::LeftButton);
            indicatorShownWhileStopping = indicator->isVisibleTo(&page);
            QVERIFY(task->stopRequested);
            finish(task, TaskState::Cancelled);
        });
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QTRY_VERIFY(!page.isRunning());

        QCOMPARE(runs.count(), 1);
        QCOMPARE(stops.count(), 1);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(refusals->at(i).title, QStringLiteral("警告"));
        QCOMPARE(pathsOf(*page.taskList()), (QStringList{"t0", "t1"}));
        QVERIFY(noFileAsked.asked.isEmpty());
        QVERIFY(indicatorShownWhileStopping);
        QVERIFY(!indicator->isVisibleTo(&page));
        QVERIFY(!page.isRunning());
        QCOMPARE(second->state, TaskState::Ready);
        QCOMPARE(stateShown(page, 0), QStringLiteral("取消"));
    }

    // A batch where something went wrong ends with one line saying how much, the texts in its
    // tooltip; the next start clears it, and a batch that went well says nothing.
    void batchEndsWithSummaryOfProblems()
    {
        ShownPage page;
        addHandMade(page, "clean.mp4", TaskState::Ready);
        addHandMade(page, "cut.mp4", TaskState::Ready);
        addHandMade(page, "broken.mp4", TaskState::Ready);
        auto *summary = page.findChild<QLabel *>("batchSummary_label");
        BatchDriver driver(*page.taskList(), [](Di_riror_adiRIZ *task) {
            if (task->videoPath == QStringLiteral("cut.mp4"))
                rewrite(task, [](TaskRecord &r) { r.errorText = QStringLiteral("the video ended early"); });
            const bool broken = task->videoPath == QStringLiteral("broken.mp4");
            if (broken)
                rewrite(task, [](TaskRecord &r) { r.errorText = QStringLiteral("playback error"); });
            finish(task, broken ? TaskState::Failed : TaskState::Done);
        });
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QTRY_VERIFY(!page.isRunning());
        QCOMPARE(summary->text(), QStringLiteral("识别结束：1 个任务失败，1 个任务有警告"));
        QCOMPARE(summary->toolTip(), QStringLiteral("cut.mp4: the video ended early\nbroken.mp4: playback error"));
        QCOMPARE(stateShown(page, 2), QStringLiteral("错误"));

        for (Di_riror_adiRIZ *task : page.taskList()->taskList())
            rewrite(task, [](TaskRecord &r) { r.state = TaskState::Ready; });
        BatchDriver cleanRun(*page.taskList(), [](Di_riror_adiRIZ *task) {
            rewrite(task, [](TaskRecord &r) { r.errorText.clear(); });
            finish(task);
        });
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QTRY_VERIFY(!page.isRunning());
        QVERIFY(summary->text().isEmpty());
    }

    // Start would replace subtitles changed by hand: it asks first; results as recognition made
    // them are replaced without a word.
    void startAsksBeforeReplacingHandEdits_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("runs");
        QTest::newRow("results as made") << false << int(QMessageBox::No) << true;
        QTest::newRow("hand edits kept") << true << int(QMessageBox::No) << false;
        QTest::newRow("hand edits replaced") << true << int(QMessageBox::Yes) << true;
    }
    void startAsksBeforeReplacingHandEdits()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, runs);
        ShownPage page;
        Di_riror_adiRIZ *task = addHandMade(page, "talk.mp4", TaskState::Ready);
        rewrite(task, [](TaskRecord &r) {
            for (qint64 time = 0; time < 4000; time += 500)
                r.samples.append(FrameSample{time, {time < 3000 ? QStringLiteral("hello") : QString()}});
            r.entries = Segmentation::segmentSamples(r.samples);
        });
        QVERIFY(!task->entries.isEmpty());
        QVERIFY(!task->hasHandEdits());
        if (edited) {
            SRTEntry entry = task->entries.first();
            entry.text = QStringLiteral("hello, world\n");
            QVERIFY(task->setEntry(0, entry));
            QVERIFY(task->hasHandEdits());
        }
        auto question = answerMessageBox(QMessageBox::StandardButton(answer));
        BatchDriver driver(*page.taskList(), [](Di_riror_adiRIZ *ran) { finish(ran, TaskState::Cancelled); });
        QSignalSpy runs_(&page, &TaskListWidgetsClass::runSig);
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        if (edited)
            QTRY_VERIFY(question->seen);
        QTRY_COMPARE(runs_.count(), runs ? 1 : 0);
        QTest::qWait(20);
        QCOMPARE(runs_.count(), runs ? 1 : 0);
        QCOMPARE(question->seen, edited);
        QTRY_VERIFY(!page.isRunning());
    }

    // New tasks reading the whole frame get the band the detector finds, shown on their rows; a
    // rectangle the user drew before the band came is kept. Start pressed meanwhile waits for them.
    void newTasksGetTheirAreaFoundBeforeTheBatch()
    {
        QTemporaryDir dir;
        const QString drawnOn = dir.filePath(QStringLiteral("drawn on.mp4"));
        QVERIFY(QFile::link(fixture("area_bottom.mp4"), drawnOn));
        const QRect drawn(10, 20, 300, 40);
        ShownPage page;
        connect(listOf(page)->model(), &QAbstractItemModel::rowsInserted, &page, [&](const QModelIndex &, int first) {
            Di_riror_adiRIZ *task = page.taskList()->taskList().at(first);
            if (task->videoPath == drawnOn)
                connect(task, &Di_riror_adiRIZ::mediaProbed, &page, [task, drawn] { task->setCropRect(drawn); });
        });
        QList<QRect> cropsAtStart;
        connect(&page, &TaskListWidgetsClass::runSig, &page, [&] {
            for (Di_riror_adiRIZ *task : page.taskList()->taskList())
                cropsAtStart.append(task->cropRect);
            QTimer::singleShot(0, &page, [&page] { QTest::mouseClick(button(page, "stoppushButton"), Qt::LeftButton); });
        });
        dropOn(&page, {fixture("area_bottom.mp4"), drawnOn});
        QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->taskList().size(), qsizetype(2), 10000);
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QVERIFY(!page.findChild<QLabel *>("batchSummary_label")->text().isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(cropsAtStart.size(), 2, 30000);
        Di_riror_adiRIZ *found = page.taskList()->taskList().at(0);
        const std::optional<QRect> band =
            SubtitleAreaDetector::detect(fixture("area_bottom.mp4"), found->timeRange_in, found->timeRange_out);
        QVERIFY(band);
        QCOMPARE(cropsAtStart, (QList<QRect>{*band, drawn}));
        const QString shown = QStringLiteral("字幕区域：%1,%2 %3×%4").arg(band->x()).arg(band->y()).arg(band->width()).arg(band->height());
        QVERIFY2(listOf(page)->rowWidget(0)->findChild<QLabel *>("info_label")->text().contains(shown), qPrintable(shown));
        QTRY_VERIFY_WITH_TIMEOUT(!page.isRunning(), 20000);
    }

    // A video that carries its subtitles as text says so on its row, and the row's menu takes the
    // stream out beside the video's name.
    void embeddedTextStreamOfferedAndExportedAsItIs()
    {
        QTemporaryDir dir;
        ShownPage page;
        dropOn(&page, {fixture("fs_textsubs.mkv"), fixture("en_two.mp4")});
        QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->taskList().size(), qsizetype(2), 10000);
        const auto details = [&page](int row) {
            return listOf(page)->rowWidget(row)->findChild<QLabel *>("info_label")->text();
        };
        QTRY_VERIFY_WITH_TIMEOUT(details(0).contains(QStringLiteral("内含文字字幕：subrip eng")), 10000);
        QVERIFY(!details(1).contains(QStringLiteral("内含文字字幕")));

        TaskQListWidget *list = listOf(page);
        list->clearSelection();
        list->item(0)->setSelected(true);
        std::unique_ptr<QMenu> menu(list->createContextMenu());
        QAction *take = menu->actions().at(menu->actions().indexOf(menu->actions().last()) - 2);
        QCOMPARE(take->text(), QStringLiteral("导出内嵌文字字幕"));
        QVERIFY(take->isEnabled());
        const QString target = dir.filePath("taken");
        FileAnswers name({target});
        take->trigger();
        QCOMPARE(name.asked.first().directory, fixture("fs_textsubs.srt"));
        const QByteArray taken = readAll(target + ".srt");
        QVERIFY2(taken.contains("00:00:00,500 --> 00:00:02,500") && taken.contains("Hello world"), taken.constData());
    }

    // The context menu's detection runs on every selected task: a task with subtitles at the bottom
    // gets the band the detector finds, one without subtitles keeps its rectangle and a message.
    void detectActionMovesTheCropOfSelectedTasks()
    {
        TaskListWidgetsClass page;
        Di_riror_adiRIZ *withSubtitles = addHandMade(page, fixture("area_bottom.mp4"), TaskState::Ready);
        Di_riror_adiRIZ *without = addHandMade(page, fixture("area_none.mp4"), TaskState::Ready);
        Di_riror_adiRIZ *unselected = addHandMade(page, fixture("area_top.mp4"), TaskState::Ready);
        for (Di_riror_adiRIZ *task : {withSubtitles, without, unselected})
            task->setCropRect(QRect(0, 0, 640, 360));
        TaskQListWidget *list = listOf(page);
        list->clearSelection();
        list->item(0)->setSelected(true);
        list->item(1)->setSelected(true);
        std::unique_ptr<QMenu> menu(list->createContextMenu());
        QAction *detect = nullptr;
        for (QAction *action : menu->actions())
            detect = action->text() == QStringLiteral("检测字幕区域") ? action : detect;
        QVERIFY(detect);

        qRegisterMetaType<Di_riror_adiRIZ *>();
        QSignalSpy found(list, &TaskQListWidget::areaDetected);
        detect->trigger();
        QVERIFY(found.wait(30000));
        QCOMPARE(found.first().first().value<Di_riror_adiRIZ *>(), withSubtitles);
        const std::optional<QRect> band = SubtitleAreaDetector::detect(fixture("area_bottom.mp4"), 0, 60000);
        QVERIFY(band);
        QCOMPARE(withSubtitles->cropRect, *band);

        QMessageBox *notice = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((notice = page.findChild<QMessageBox *>()) && notice->isVisible(), 30000);
        QVERIFY(notice->text().startsWith(QStringLiteral("area_none.mp4\n")));
        QCOMPARE(found.count(), 1);
        QCOMPARE(without->cropRect, QRect(0, 0, 640, 360));
        QCOMPARE(unselected->cropRect, QRect(0, 0, 640, 360));
        notice->close();
    }

    // The save button asks before it saves an empty batch; a save that fails says so, keeps the
    // file it would have replaced and leaves the project without a name.
    void saveButton_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("box"); // its title and the start of its text
        QTest::addColumn<bool>("saved");
        const QString emptyQuestion = QStringLiteral("警告: 列表为空,是否继续保存");
        // A name so long that no temporary file fits beside it: the save fails even for root.
        const QString tooLong = QString(242, QLatin1Char('q')) + ".wtarnix";
        QTest::newRow("empty batch saved after confirming") << true << "empty.wtarnix" << int(QMessageBox::Yes)
                                                            << emptyQuestion << true;
        QTest::newRow("empty batch declined") << true << "declined.wtarnix" << int(QMessageBox::No) << emptyQuestion << false;
        QTest::newRow("failure reported") << false << tooLong << int(QMessageBox::Ok)
                                          << QStringLiteral("保存失败: ") + QDir::toNativeSeparators(work.filePath(tooLong))
                                          << false;
    }
    void saveButton()
    {
        QFETCH(bool, empty);
        QFETCH(QString, name);
        QFETCH(int, answer);
        QFETCH(QString, box);
        QFETCH(bool, saved);
        ShownPage page;
        if (!empty)
            addHandMade(page, "/v/a.mp4", TaskState::Done);
        const QString path = work.filePath(name);
        QVERIFY(writeAll(path, "previous project"));
        FileAnswers chosen({path});
        auto shown = answerMessageBox(QMessageBox::StandardButton(answer));

        QTest::mouseClick(button(page, "saveproject_pushButton"), Qt::LeftButton);

        const QString said = shown->title + QStringLiteral(": ") + shown->text;
        QVERIFY2(said.startsWith(box), qPrintable(said));
        QCOMPARE(chosen.asked.size(), answer == QMessageBox::No ? 0 : 1);
        QCOMPARE(readAll(path), saved ? projectBytes({}) : QByteArray("previous project"));
        QCOMPARE(page.currentProjectPath(), saved ? path : QString());
        QTRY_COMPARE(savedNotice() != nullptr, saved);
    }

    void ctrlSSavesAndAsksForTheNameOnce()
    {
        ShownPage page;
        Di_riror_adiRIZ *task = addHandMade(page, "/v/a.mp4", TaskState::Done);
        FileAnswers answer({work.filePath("mine")});
        const QString path = work.filePath("mine.wtarnix");

        QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer.asked.size(), 1);
        QCOMPARE(page.currentProjectPath(), path);
        QTRY_VERIFY(savedNotice());
        QCOMPARE(savedNotice()->text(), path);

        rewrite(task, [&](TaskRecord &r) { r.state = TaskState(TaskState::Cancelled); });
        QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer.asked.size(), 1);
        QCOMPARE(readAll(path), projectBytes({task}));

        // Other modifiers are not the save key.
        const QByteArray before = readAll(path);
        rewrite(task, [&](TaskRecord &r) { r.state = TaskState(TaskState::Done); });
        QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(readAll(path), before);

        QTRY_VERIFY_WITH_TIMEOUT(!savedNotice(), 10000); // the notices close themselves
    }

    // Open asks before it replaces the batch and keeps it when declined, when no file is chosen or
    // when the file is damaged; a file of another version loads after a warning. Tasks whose video
    // is gone are marked, the others keep their stored state once their media is known.
    void openProject_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<QString>("notice"); // title and start of the text of a box after the choice
        QTest::addColumn<QStringList>("opened");
        TaskListOBJ two;
        handMadeTask(two, fixture("en_two.mp4"), TaskState::Done);
        handMadeTask(two, work.filePath("vanished.mp4"), TaskState::Cancelled);
        const QByteArray whole = projectBytes(two.taskList());
        const QStringList kept{"/v/a.mp4"};
        const QString damaged = QStringLiteral("打开工程失败: ") + QDir::toNativeSeparators(work.filePath("open.wtarnix")) + "\n";
        const QString otherVersion = QStringLiteral("警告: 工程版本和本软件版本不一致，可能打不开\n工程版本号:");
        QTest::newRow("replaced, a vanished video marked") << whole << true << true << QString() << pathsOf(two);
        QTest::newRow("replacing declined") << whole << false << true << QString() << kept;
        QTest::newRow("no file chosen") << whole << true << false << QString() << kept;
        QTest::newRow("damaged file") << whole.left(whole.size() - 30) << true << true << damaged << kept;
        QTest::newRow("newer version") << projectBytes({}, 2) << true << true << otherVersion + "2" << QStringList{};
        QTest::newRow("version read as unsigned") << projectBytes({}, -1) << true << true << otherVersion + "65535"
                                                  << QStringList{};
    }
    void openProject()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, confirm);
        QFETCH(bool, fileChosen);
        QFETCH(QString, notice);
        QFETCH(QStringList, opened);
        const QString path = work.filePath("open.wtarnix");
        QVERIFY(writeAll(path, stored));
        ShownPage page;
        QPointer<Di_riror_adiRIZ> old = addHandMade(page, "/v/a.mp4", TaskState::Done);
        FileAnswers answer(fileChosen ? QStringList{path} : QStringList{});
        auto boxes = answerMessageBoxes({confirm ? QMessageBox::Yes : QMessageBox::No, QMessageBox::Ok});

        QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);

        QCOMPARE(boxes->at(0).text, QStringLiteral("打开新项目，会覆盖当前项目。是否打开"));
        QCOMPARE(answer.asked.size(), confirm ? 1 : 0);
        QCOMPARE(boxes->at(1).seen, !notice.isEmpty());
        const QString shown = boxes->at(1).title + QStringLiteral(": ") + boxes->at(1).text;
        QVERIFY2(shown.startsWith(notice), qPrintable(shown));
        const bool replaced = opened != QStringList{"/v/a.mp4"};
        QCOMPARE(old.isNull(), replaced);
        QCOMPARE(page.currentProjectPath(), replaced ? path : QString());
        QCOMPARE(pathsOf(*page.taskList()), opened);
        QCOMPARE(listOf(page)->count(), opened.size());
        if (!replaced)
            return;
        QCOMPARE(listOf(page)->isVisibleTo(&page), !opened.isEmpty());
        for (int row = 0; row < opened.size(); ++row) {
            Di_riror_adiRIZ *task = page.taskList()->taskList().at(row);
            QCOMPARE(task->parent(), page.taskList());
            QCOMPARE(task->fileMissing, !QFile::exists(task->videoPath));
            if (task->fileMissing) {
                QCOMPARE(stateShown(page, row), QStringLiteral("文件丢失"));
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(task->duration != 60000, 10000);
            QCOMPARE(task->state, TaskState::Done);
        }
    }

    // Export all asks for a folder, first beside the videos, and remembers it even when nothing is
    // written; files already there are replaced only when the user says so, and the statistics name
    // the tasks that had nothing to export. Each format has its button or a place in the menu.
    void exportAll()
    {
        QTemporaryDir out;
        QVERIFY(writeAll(out.filePath("a.txt"), "older text"));
        ShownPage page;
        rewrite(addHandMade(page, "/v/a.mp4", TaskState::Done), [&](TaskRecord &r) { r.entries = {SRTEntry{500, 2500, "Hello world", {}, {}}}; });
        rewrite(addHandMade(page, "/v/c.mp4", TaskState::Done), [&](TaskRecord &r) { r.entries = {SRTEntry{500, 2500, "Other", {}, {}}}; });
        addHandMade(page, "/v/b.mp4", TaskState::Ready);
        {
            FileAnswers cancelled;
            auto unexpected = answerMessageBox(QMessageBox::Cancel);
            QTest::mouseClick(button(page, "toalltxt_pushButton"), Qt::LeftButton);
            QCOMPARE(cancelled.asked.first().kind, FileDialogs::Kind::Folder);
            QCOMPARE(cancelled.asked.first().directory, QStringLiteral("/v"));
            QVERIFY(!unexpected->seen);
            QCOMPARE(storedOutputPath(), work.path());
        }
        FileAnswers answer({out.path()});
        auto overwrite = answerMessageBox(QMessageBox::Cancel);
        QTest::mouseClick(button(page, "toalltxt_pushButton"), Qt::LeftButton);
        QCOMPARE(overwrite->title, QStringLiteral("文件已经存在 是否覆盖"));
        QCOMPARE(overwrite->text, out.filePath("a.txt") + "\n");
        QCOMPARE(sorted(overwrite->buttons.values()), sorted({"覆盖", "取消"}));
        QCOMPARE(readAll(out.filePath("a.txt")), QByteArray("older text"));
        QVERIFY(!QFile::exists(out.filePath("c.txt")));
        QCOMPARE(storedOutputPath(), out.path());
        QCOMPARE(page.outputDirectory(), out.path());

        auto boxes = answerMessageBoxes({QMessageBox::Ok, QMessageBox::Cancel});
        QTest::mouseClick(button(page, "toalltxt_pushButton"), Qt::LeftButton);
        QCOMPARE(readAll(out.filePath("a.txt")), QByteArray("Hello world\r\n"));
        QCOMPARE(boxes->at(1).title, QStringLiteral("导出统计"));
        QCOMPARE(boxes->at(1).text, QStringLiteral("成功： 2 / 3\n\n失败: 1 / 3\nb.mp4\n"));
        QCOMPARE(sorted(boxes->at(1).buttons.values()), sorted({"显示输出文件夹", "关闭"}));

        const QList<QAction *> others = button(page, "toallmore_pushButton")->menu()->actions();
        auto reports = answerMessageBoxes(QList<QMessageBox::StandardButton>(others.size() + 1, QMessageBox::Cancel));
        QTest::mouseClick(button(page, "toallsrt_pushButton"), Qt::LeftButton);
        for (QAction *action : others)
            action->trigger();
        QVERIFY(reports->at(others.size()).seen);
        QCOMPARE(QDir(out.path()).entryList({"a.*"}), (QStringList{"a.ass", "a.json", "a.srt", "a.txt", "a.vtt"}));
    }
};

QTEST_MAIN(TestTaskListPage)
#include "tst_tasklistpage.moc"
