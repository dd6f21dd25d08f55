#include "taskstesthelpers.h"

#include "app/appconstants.h"
#include "editor/videoqtwidgets.h"
#include "recognition/di_riror_adiriz.h"
#include "tasks/projectfile.h"
#include "tasks/qprogressindicator.h"
#include "tasks/taskcustomitem.h"
#include "tasks/tasklistobj.h"
#include "tasks/tasklistwidgetsclass.h"
#include "tasks/taskqlistwidget.h"

#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace TasksTest;

namespace {

QSettings settings()
{
    return QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
}

void dropOn(QWidget *target, const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

QStringList pathsOf(const TaskListWidgetsClass &page)
{
    QStringList paths;
    for (const Di_riror_adiRIZ *task : page.taskList()->taskList())
        paths.append(task->videoPath);
    return paths;
}

TaskQListWidget *listOf(TaskListWidgetsClass &page)
{
    return page.findChild<TaskQListWidget *>("listWidget");
}

QPushButton *button(TaskListWidgetsClass &page, const char *name)
{
    return page.findChild<QPushButton *>(name);
}

// A task without media in the page's batch; Ready ones get a range so that an idle player's
// report does not end them.
Di_riror_adiRIZ *addHandMade(TaskListWidgetsClass &page, const QString &path, int state)
{
    Di_riror_adiRIZ *task = handMadeTask(*page.taskList(), path, state);
    task->timeRange_in = 0;
    task->timeRange_out = task->duration = 60000;
    listOf(page)->rebuildRows();
    return task;
}

// Laid out and on screen, so that clicks land on the buttons.
void showPage(TaskListWidgetsClass &page)
{
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
}

SRTEntry entry(qint64 in, qint64 out, const QString &text)
{
    SRTEntry e;
    e.intime = in;
    e.outtime = out;
    e.text = text;
    return e;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Runs `whileRunning` once the first task has been started by the page's start button.
void runBatch(TaskListWidgetsClass &page, const std::function<void(Di_riror_adiRIZ *)> &whileRunning)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &page, [&] {
        for (Di_riror_adiRIZ *task : page.taskList()->taskList()) {
            if (task->state == Running) {
                poll.stop();
                whileRunning(task);
                return;
            }
        }
    });
    poll.start(5);
    QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
}

void finish(Di_riror_adiRIZ *task, int state = Done)
{
    task->state = state;
    emit task->completedSig();
}

QWidget *savedNotice()
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
    TaskListOBJ list;
    list.projectVersion = version;
    list.tasks = tasks;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << list;
    list.tasks.clear();
    return bytes;
}

} // namespace

class TestTaskListPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void formAsDescribed();
    void outputFolder_data();
    void outputFolder();
    void dropImportsVideosAndNamesTheRest();
    void foldersAreSkippedAndDuplicatesAdded();
    void probe_data();
    void probe();
    void addButtonsAskForVideos();
    void startTwiceRunsOnceAndStopShowsIndicator();
    void refusedWhileRunning();
    void deleteKeyAndButton();
    void emptyBatchSave_data();
    void emptyBatchSave();
    void ctrlSSavesAndAsksForTheNameOnce();
    void failedSaveIsReportedNotCelebrated();
    void openReplacesBatchAndMarksMissingFiles();
    void openDeclinedOrCancelledKeepsBatch();
    void damagedProjectKeepsBatch();
    void otherVersionWarns_data();
    void otherVersionWarns();
    void exportAllWritesAndReports();
    void exportAllOverwriteQuestion();
    void exportAllCancelledFolderChangesNothing();
    void editButtonOpensEditor();

private:
    QTemporaryDir home;
    QTemporaryDir work;
};

void TestTaskListPage::initTestCase()
{
    // Keep the user's settings and folders out of reach: settings and the video folder live in `home`.
    QVERIFY(home.isValid());
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(QFile::exists(fixture("en_two.mp4")), "fixtures missing: run scripts/render-fixtures.sh");
}

void TestTaskListPage::init()
{
    settings().clear();
    settings().setValue(AppConstants::outputPathKey, work.path());
}

void TestTaskListPage::formAsDescribed()
{
    TaskListWidgetsClass page;
    showPage(page);
    QCOMPARE(page.objectName(), QStringLiteral("TaskListWidgetsClassClass"));
    QCOMPARE(page.size(), QSize(805, 505));
    QCOMPARE(button(page, "addpushButton")->text(), QStringLiteral("+"));
    QCOMPARE(button(page, "delpushButton")->text(), QStringLiteral("-"));
    QCOMPARE(button(page, "toallsrt_pushButton")->text(), QStringLiteral("导出所有srt"));
    QCOMPARE(button(page, "toalltxt_pushButton")->text(), QStringLiteral("导出所有txt"));
    QCOMPARE(button(page, "openproject_pushButton")->text(), QStringLiteral("打开工程"));
    QCOMPARE(button(page, "saveproject_pushButton")->text(), QStringLiteral("保存工程"));
    QCOMPARE(button(page, "stoppushButton")->text(), QStringLiteral("停止"));
    QCOMPARE(button(page, "runpushButton")->text(), QStringLiteral("开始"));
    QVERIFY(button(page, "drag_pushButton")->text().isEmpty());
    QCOMPARE(button(page, "drag_pushButton")->iconSize(), QSize(60, 60));
    QCOMPARE(page.findChild<QLabel *>("label_2")->text(), QStringLiteral("将视频文件拖放到这里"));
    QVERIFY(!button(page, "runpushButton")->isDefault());
    QVERIFY(!button(page, "stoppushButton")->isDefault());
    QCOMPARE(page.findChild<QWidget *>("Drag_ui_widget")->styleSheet(),
             QStringLiteral("#Drag_ui_widget{\nborder: 2px dashed rgb(0, 85, 0);\nborder-radius:5px;\n\n}"));
    auto *indicator = page.findChild<QProgressIndicator *>("Cancel_pIndicator");
    QVERIFY(indicator->isAnimated());
    QVERIFY(!indicator->isVisibleTo(&page));
    QCOMPARE(indicator->color(), QColor(Qt::gray));
    // An empty batch shows the drop zone instead of the list.
    QVERIFY(!listOf(page)->isVisibleTo(&page));
    QVERIFY(page.findChild<QWidget *>("Drag_ui_widget")->isVisibleTo(&page));
    QVERIFY(page.acceptDrops());
}

void TestTaskListPage::outputFolder_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("storedIsUsed");
    QTest::newRow("writable stored folder") << work.path() << true;
    QTest::newRow("stored folder gone") << work.filePath("gone") << false;
    QTest::newRow("nothing stored") << QString() << false;
}

void TestTaskListPage::outputFolder()
{
    QFETCH(QString, stored);
    QFETCH(bool, storedIsUsed);
    settings().clear();
    if (!stored.isNull())
        settings().setValue(AppConstants::outputPathKey, stored);

    TaskListWidgetsClass page;
    showPage(page);

    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/tarnix";
    QVERIFY(fallback.startsWith(home.path()));
    QCOMPARE(page.outputDirectory(), storedIsUsed ? stored : fallback);
    if (!storedIsUsed) {
        QVERIFY(QFileInfo(fallback).isDir());
        // The fallback is not written back.
        QCOMPARE(settings().value(AppConstants::outputPathKey).toString(), stored);
    }
}

void TestTaskListPage::dropImportsVideosAndNamesTheRest()
{
    TaskListWidgetsClass page;
    showPage(page);
    const QStringList videos{fixture("en_two.mp4"), fixture("zh_yellow.mkv"), fixture("portrait.mp4")};
    auto warning = answerMessageBox(QMessageBox::Ok);

    dropOn(&page, {videos.at(0), fixture("not_a_video.mp4"), videos.at(1), videos.at(2)});

    QTRY_VERIFY_WITH_TIMEOUT(warning->seen, 20000);
    QCOMPARE(pathsOf(page), videos);
    QCOMPARE(warning->title, QStringLiteral("以下文件不能导入"));
    QCOMPARE(warning->text, fixture("not_a_video.mp4") + "\n");
    QCOMPARE(warning->buttons.size(), 1);
    QVERIFY(listOf(page)->isVisibleTo(&page));
    QVERIFY(!page.findChild<QWidget *>("Drag_ui_widget")->isVisibleTo(&page));
    QCOMPARE(listOf(page)->count(), 3);
    QCOMPARE(listOf(page)->currentRow(), 2);
    QCOMPARE(listOf(page)->rowWidget(1)->findChild<QLabel *>("name_label")->text(), QStringLiteral("zh_yellow.mkv"));
}

void TestTaskListPage::foldersAreSkippedAndDuplicatesAdded()
{
    TaskListWidgetsClass page;
    showPage(page);
    auto warning = answerMessageBox(QMessageBox::Ok);

    dropOn(&page, {work.path(), fixture("en_two.mp4")});
    QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->tasks.size(), 1, 20000);

    // Now the list is shown; a drop on it is taken the same way, and the same video becomes a second task.
    dropOn(listOf(page)->viewport(), {fixture("en_two.mp4")});
    QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->tasks.size(), 2, 20000);

    QCOMPARE(pathsOf(page), (QStringList{fixture("en_two.mp4"), fixture("en_two.mp4")}));
    QVERIFY(!warning->seen);
}

void TestTaskListPage::probe_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("playable");
    QTest::newRow("mp4 clip") << fixture("en_two.mp4") << true;
    QTest::newRow("mkv clip") << fixture("zh_yellow.mkv") << true;
    QTest::newRow("portrait clip") << fixture("portrait.mp4") << true;
    QTest::newRow("text named mp4") << fixture("not_a_video.mp4") << false;
    QTest::newRow("no such file") << fixture("absent.mp4") << false;
}

void TestTaskListPage::probe()
{
    QFETCH(QString, file);
    QFETCH(bool, playable);
    TaskListOBJ list;
    QCOMPARE(list.isPlayableVideo(QUrl::fromLocalFile(file)), playable);
}

void TestTaskListPage::addButtonsAskForVideos()
{
    TaskListWidgetsClass page;
    showPage(page);
    {
        FileAnswers cancelled;
        QTest::mouseClick(button(page, "drag_pushButton"), Qt::LeftButton);
        QCOMPARE(cancelled.asked.size(), 1);
        QCOMPARE(cancelled.asked.first().kind, FileDialogs::Kind::OpenFiles);
        QCOMPARE(cancelled.asked.first().title, QStringLiteral("选择视频文件"));
        QCOMPARE(cancelled.asked.first().directory, FileDialogs::moviesDirectory());
        QVERIFY(cancelled.asked.first().filter.isEmpty());
        QVERIFY(page.taskList()->tasks.isEmpty());
    }
    FileAnswers chosen({fixture("en_two.mp4"), fixture("portrait.mp4")});
    QTest::mouseClick(button(page, "addpushButton"), Qt::LeftButton);
    QCOMPARE(pathsOf(page), (QStringList{fixture("en_two.mp4"), fixture("portrait.mp4")}));
}

void TestTaskListPage::startTwiceRunsOnceAndStopShowsIndicator()
{
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "t0", Ready);
    Di_riror_adiRIZ *second = addHandMade(page, "t1", Ready);
    auto *indicator = page.findChild<QProgressIndicator *>("Cancel_pIndicator");
    QSignalSpy runs(&page, &TaskListWidgetsClass::runSig);
    QSignalSpy stops(&page, &TaskListWidgetsClass::stopSig);

    // Stopping while idle does nothing.
    QTest::mouseClick(button(page, "stoppushButton"), Qt::LeftButton);
    QCOMPARE(stops.count(), 0);

    bool indicatorShownWhileStopping = false;
    runBatch(page, [&](Di_riror_adiRIZ *task) {
        QVERIFY(page.isRunning());
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QTest::mouseClick(button(page, "stoppushButton"), Qt::LeftButton);
        indicatorShownWhileStopping = indicator->isVisibleTo(&page);
        QVERIFY(task->stopRequested);
        finish(task, Cancelled);
    });

    QCOMPARE(runs.count(), 1);
    QCOMPARE(stops.count(), 1);
    QVERIFY(indicatorShownWhileStopping);
    QVERIFY(!indicator->isVisibleTo(&page));
    QVERIFY(!page.isRunning());
    QCOMPARE(second->state, int(Ready));
    QCOMPARE(listOf(page)->rowWidget(0)->findChild<QLabel *>("state_label")->text(), QStringLiteral("取消"));
}

void TestTaskListPage::refusedWhileRunning()
{
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "t0", Ready);
    addHandMade(page, "t1", Done);
    FileAnswers noFileAsked;
    std::shared_ptr<ModalSeen> deleteRefusal;
    std::shared_ptr<ModalSeen> openRefusal;

    runBatch(page, [&](Di_riror_adiRIZ *task) {
        listOf(page)->selectAll();
        deleteRefusal = answerMessageBox(QMessageBox::Ok);
        QTest::keyClick(&page, Qt::Key_Delete);
        openRefusal = answerMessageBox(QMessageBox::Ok);
        QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);
        finish(task);
    });

    QVERIFY(deleteRefusal->seen);
    QVERIFY(openRefusal->seen);
    QCOMPARE(openRefusal->title, QStringLiteral("警告"));
    QVERIFY(noFileAsked.asked.isEmpty());
    QCOMPARE(pathsOf(page), (QStringList{"t0", "t1"}));
}

void TestTaskListPage::deleteKeyAndButton()
{
    TaskListWidgetsClass page;
    showPage(page);
    for (int i = 0; i < 3; ++i)
        addHandMade(page, QStringLiteral("t%1").arg(i), Done);
    page.findChild<QWidget *>("Drag_ui_widget")->hide();
    listOf(page)->show();

    listOf(page)->setCurrentRow(1);
    QTest::keyClick(&page, Qt::Key_Delete);
    QCOMPARE(pathsOf(page), (QStringList{"t0", "t2"}));

    listOf(page)->selectAll();
    QTest::mouseClick(button(page, "delpushButton"), Qt::LeftButton);
    QVERIFY(pathsOf(page).isEmpty());
    QVERIFY(!listOf(page)->isVisibleTo(&page));
    QVERIFY(page.findChild<QWidget *>("Drag_ui_widget")->isVisibleTo(&page));
}

void TestTaskListPage::emptyBatchSave_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("saved after confirming") << true;
    QTest::newRow("declined") << false;
}

void TestTaskListPage::emptyBatchSave()
{
    QFETCH(bool, goOn);
    TaskListWidgetsClass page;
    showPage(page);
    const QString path = work.filePath(QStringLiteral("empty%1.wtarnix").arg(goOn));
    FileAnswers answer({path});
    auto question = answerMessageBox(goOn ? QMessageBox::Yes : QMessageBox::No);

    QTest::mouseClick(button(page, "saveproject_pushButton"), Qt::LeftButton);

    QVERIFY(question->seen);
    QCOMPARE(question->title, QStringLiteral("警告"));
    QCOMPARE(question->text, QStringLiteral("列表为空,是否继续保存"));
    QCOMPARE(answer.asked.size(), goOn ? 1 : 0);
    QCOMPARE(readAll(path).size(), goOn ? 20 : 0);
    if (goOn) {
        QCOMPARE(answer.asked.first().title, QStringLiteral("保存工程"));
        QCOMPARE(answer.asked.first().filter, QStringLiteral("Files (*.wtarnix)"));
        QVERIFY(answer.asked.first().directory.isEmpty());
        QTRY_VERIFY(savedNotice());
        QTRY_VERIFY_WITH_TIMEOUT(!savedNotice(), 10000);
    }
}

void TestTaskListPage::ctrlSSavesAndAsksForTheNameOnce()
{
    TaskListWidgetsClass page;
    showPage(page);
    Di_riror_adiRIZ *task = addHandMade(page, "/v/a.mp4", Done);
    FileAnswers answer({work.filePath("mine")});
    const QString path = work.filePath("mine.wtarnix");

    QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(answer.asked.size(), 1);
    QCOMPARE(page.currentProjectPath(), path);
    QTRY_VERIFY(savedNotice());
    auto *notice = qobject_cast<QMessageBox *>(savedNotice());
    QCOMPARE(notice->text(), path);
    QVERIFY(notice->buttons().isEmpty());
    QVERIFY(!notice->parent());

    task->state = Cancelled;
    QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(answer.asked.size(), 1);
    QCOMPARE(readAll(path), projectBytes({task}));

    // Other modifiers are not the save key.
    const QByteArray before = readAll(path);
    task->state = Done;
    QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(readAll(path), before);

    // The notices close themselves.
    QTRY_VERIFY_WITH_TIMEOUT(!savedNotice(), 10000);
}

void TestTaskListPage::failedSaveIsReportedNotCelebrated()
{
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "/v/a.mp4", Done);
    // A name so long that no temporary file fits beside it: the save fails even for root.
    const QString path = work.filePath(QString(242, QLatin1Char('q')) + ".wtarnix");
    QVERIFY(writeAll(path, "previous project"));
    FileAnswers answer({path});
    auto warning = answerMessageBox(QMessageBox::Ok);

    QTest::mouseClick(button(page, "saveproject_pushButton"), Qt::LeftButton);

    QVERIFY(warning->seen);
    QCOMPARE(warning->title, QStringLiteral("保存失败"));
    QVERIFY(warning->text.startsWith(QDir::toNativeSeparators(path)));
    QVERIFY(!savedNotice());
    QVERIFY(page.currentProjectPath().isNull());
    QCOMPARE(readAll(path), QByteArray("previous project"));
}

void TestTaskListPage::openReplacesBatchAndMarksMissingFiles()
{
    TaskListOBJ stored;
    Di_riror_adiRIZ *present = handMadeTask(stored, fixture("en_two.mp4"), Done);
    present->entries = {entry(500, 2500, "Hello world\n")};
    handMadeTask(stored, work.filePath("vanished.mp4"), Cancelled);
    const QString path = work.filePath("two.wtarnix");
    QVERIFY(writeAll(path, projectBytes(stored.taskList())));

    TaskListWidgetsClass page;
    showPage(page);
    QPointer<Di_riror_adiRIZ> old = addHandMade(page, "/v/old.mp4", Done);
    FileAnswers answer({path});
    auto question = answerMessageBox(QMessageBox::Yes);

    QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);

    QVERIFY(question->seen);
    QCOMPARE(question->text, QStringLiteral("打开新项目，会覆盖当前项目。是否打开"));
    QCOMPARE(answer.asked.first().kind, FileDialogs::Kind::OpenFile);
    QCOMPARE(answer.asked.first().title, QStringLiteral("打开工程"));
    QCOMPARE(answer.asked.first().filter, QStringLiteral("Files (*.wtarnix)"));
    QVERIFY(old.isNull());
    QCOMPARE(pathsOf(page), (QStringList{fixture("en_two.mp4"), work.filePath("vanished.mp4")}));
    const QList<Di_riror_adiRIZ *> tasks = page.taskList()->taskList();
    QVERIFY(!tasks.at(0)->fileMissing);
    QVERIFY(tasks.at(1)->fileMissing);
    QCOMPARE(tasks.at(0)->state, int(Done));
    QCOMPARE(tasks.at(0)->entries.size(), 1);
    QCOMPARE(tasks.at(0)->parent(), page.taskList());
    QCOMPARE(page.currentProjectPath(), path);
    QCOMPARE(listOf(page)->count(), 2);
    QCOMPARE(listOf(page)->rowWidget(1)->findChild<QLabel *>("state_label")->text(), QStringLiteral("文件丢失"));
    QVERIFY(listOf(page)->isVisibleTo(&page));
    // The restored task keeps its stored state once its media is known.
    QTRY_VERIFY_WITH_TIMEOUT(tasks.at(0)->duration > 0, 10000);
    QCOMPARE(tasks.at(0)->state, int(Done));
}

void TestTaskListPage::openDeclinedOrCancelledKeepsBatch()
{
    TaskListWidgetsClass page;
    showPage(page);
    Di_riror_adiRIZ *kept = addHandMade(page, "/v/a.mp4", Done);
    {
        FileAnswers answer({work.filePath("whatever.wtarnix")});
        auto question = answerMessageBox(QMessageBox::No);
        QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);
        QVERIFY(question->seen);
        QVERIFY(answer.asked.isEmpty());
    }
    {
        FileAnswers cancelled;
        auto question = answerMessageBox(QMessageBox::Yes);
        QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);
        QCOMPARE(cancelled.asked.size(), 1);
    }
    QCOMPARE(page.taskList()->taskList(), QList<Di_riror_adiRIZ *>{kept});
    QVERIFY(page.currentProjectPath().isNull());
}

void TestTaskListPage::damagedProjectKeepsBatch()
{
    TaskListOBJ stored;
    handMadeTask(stored, "/v/x.mp4", Done);
    handMadeTask(stored, "/v/y.mp4", Done);
    const QByteArray whole = projectBytes(stored.taskList());
    const QString path = work.filePath("damaged.wtarnix");
    QVERIFY(writeAll(path, whole.left(whole.size() - 30)));

    TaskListWidgetsClass page;
    showPage(page);
    Di_riror_adiRIZ *kept = addHandMade(page, "/v/a.mp4", Done);
    FileAnswers answer({path});
    auto boxes = answerMessageBoxes({QMessageBox::Yes, QMessageBox::Ok});

    QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);

    QCOMPARE(boxes->size(), 2);
    QCOMPARE(boxes->at(1).title, QStringLiteral("打开工程失败"));
    QVERIFY(boxes->at(1).text.startsWith(QDir::toNativeSeparators(path) + "\n"));
    QCOMPARE(page.taskList()->taskList(), QList<Di_riror_adiRIZ *>{kept});
    QCOMPARE(listOf(page)->count(), 1);
    QVERIFY(page.currentProjectPath().isNull());
}

void TestTaskListPage::otherVersionWarns_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("shown");
    QTest::newRow("newer") << 2 << QStringLiteral("2");
    QTest::newRow("read as unsigned") << -1 << QStringLiteral("65535");
}

void TestTaskListPage::otherVersionWarns()
{
    QFETCH(int, version);
    QFETCH(QString, shown);
    const QString path = work.filePath("version.wtarnix");
    QVERIFY(writeAll(path, projectBytes({}, qint16(version))));

    TaskListWidgetsClass page;
    showPage(page);
    FileAnswers answer({path});
    auto warning = answerMessageBox(QMessageBox::Yes);
    QTest::mouseClick(button(page, "openproject_pushButton"), Qt::LeftButton);

    QVERIFY(warning->seen);
    QCOMPARE(warning->title, QStringLiteral("警告"));
    QCOMPARE(warning->text, QStringLiteral("工程版本和本软件版本不一致，可能打不开\n工程版本号:") + shown);
    // Loading goes on regardless.
    QCOMPARE(page.currentProjectPath(), path);
}

void TestTaskListPage::exportAllWritesAndReports()
{
    QTemporaryDir out;
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "/v/a.mp4", Done)->entries = {entry(500, 2500, "Hello world")};
    addHandMade(page, "/v/b.mp4", Ready);
    addHandMade(page, "/v/a.mkv", Done)->entries = {entry(0, 900, "Twin")};
    FileAnswers answer({out.path()});
    auto statistics = answerMessageBox(QMessageBox::Cancel);

    QTest::mouseClick(button(page, "toallsrt_pushButton"), Qt::LeftButton);

    QCOMPARE(answer.asked.first().kind, FileDialogs::Kind::Folder);
    QCOMPARE(answer.asked.first().title, QStringLiteral("选择保存目录"));
    QVERIFY(statistics->seen);
    QCOMPARE(statistics->title, QStringLiteral("导出统计"));
    QCOMPARE(statistics->text, QStringLiteral("成功： 2 / 3\n\n失败: 1 / 3\nb.mp4\n"));
    QCOMPARE(sorted(statistics->buttons), sorted({"显示输出文件夹", "关闭"}));
    QVERIFY(readAll(out.filePath("a.srt")).contains("Hello world\r\n"));
    QVERIFY(readAll(out.filePath("a (2).srt")).contains("Twin\r\n"));
    QCOMPARE(page.outputDirectory(), out.path());
    QCOMPARE(settings().value(AppConstants::outputPathKey).toString(), out.path());
    QCOMPARE(page.taskList()->tasks.at(0)->exportPath, out.filePath("a.srt"));
}

void TestTaskListPage::exportAllOverwriteQuestion()
{
    QTemporaryDir out;
    QVERIFY(writeAll(out.filePath("a.txt"), "older text"));
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "/v/a.mp4", Done)->entries = {entry(500, 2500, "Hello world")};
    addHandMade(page, "/v/c.mp4", Done)->entries = {entry(500, 2500, "Other")};
    FileAnswers answer({out.path()});

    auto overwrite = answerMessageBox(QMessageBox::Cancel);
    QTest::mouseClick(button(page, "toalltxt_pushButton"), Qt::LeftButton);
    QVERIFY(overwrite->seen);
    QCOMPARE(overwrite->title, QStringLiteral("文件已经存在 是否覆盖"));
    QCOMPARE(overwrite->text, out.filePath("a.txt") + "\n");
    QCOMPARE(sorted(overwrite->buttons), sorted({"覆盖", "取消"}));
    QCOMPARE(readAll(out.filePath("a.txt")), QByteArray("older text"));
    QVERIFY(!QFile::exists(out.filePath("c.txt")));
    // The folder is remembered even though nothing was written.
    QCOMPARE(settings().value(AppConstants::outputPathKey).toString(), out.path());

    auto boxes = answerMessageBoxes({QMessageBox::Ok, QMessageBox::Cancel});
    QTest::mouseClick(button(page, "toalltxt_pushButton"), Qt::LeftButton);
    QCOMPARE(boxes->size(), 2);
    QCOMPARE(readAll(out.filePath("a.txt")), QByteArray("Hello world\r\n"));
    QCOMPARE(boxes->at(1).text, QStringLiteral("成功： 2 / 2\n\n失败: 0 / 2\n"));
}

void TestTaskListPage::exportAllCancelledFolderChangesNothing()
{
    TaskListWidgetsClass page;
    showPage(page);
    addHandMade(page, "/v/a.mp4", Done);
    FileAnswers cancelled;
    auto unexpected = answerMessageBox(QMessageBox::Cancel);
    QTest::mouseClick(button(page, "toallsrt_pushButton"), Qt::LeftButton);
    QCOMPARE(cancelled.asked.size(), 1);
    QVERIFY(!unexpected->seen);
    QCOMPARE(settings().value(AppConstants::outputPathKey).toString(), work.path());
    QVERIFY(page.taskList()->tasks.at(0)->exportPath.isNull());
}

void TestTaskListPage::editButtonOpensEditor()
{
    TaskListWidgetsClass page;
    showPage(page);
    FileAnswers chosen({fixture("en_two.mp4")});
    QTest::mouseClick(button(page, "addpushButton"), Qt::LeftButton);
    QCOMPARE(page.taskList()->tasks.size(), 1);
    Di_riror_adiRIZ *task = page.taskList()->tasks.first();

    QTest::mouseClick(listOf(page)->rowWidget(0)->findChild<QPushButton *>("editpushButt"), Qt::LeftButton);

    QPointer<VideoQtWidgets> editor;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *candidate = qobject_cast<VideoQtWidgets *>(widget))
            editor = candidate;
    }
    QVERIFY(editor);
    QCOMPARE(editor->task(), task);
    QVERIFY(editor->isVisible());
    QVERIFY(!editor->parent());
    editor->close();
    QTRY_VERIFY(editor.isNull());
}

QTEST_MAIN(TestTaskListPage)
#include "tst_tasklistpage.moc"
