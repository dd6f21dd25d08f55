#include "taskstesthelpers.h"

#include "recognition/di_riror_adiriz.h"
#include "recognition/taskstate.h"
#include "tasks/statedot.h"
#include "tasks/taskcustomitem.h"
#include "tasks/tasklistobj.h"
#include "tasks/taskqlistwidget.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using namespace TasksTest;

namespace {

QColor centreOf(const QLabel *label)
{
    return label->pixmap().toImage().pixelColor(StateDot::size / 2, StateDot::size / 2);
}

QStringList namesOf(const TaskListOBJ &list)
{
    QStringList names;
    for (const Di_riror_adiRIZ *task : list.taskList())
        names.append(task->videoPath);
    return names;
}

QList<int> tagsOf(const TaskQListWidget &view)
{
    QList<int> tags;
    for (int row = 0; row < view.count(); ++row)
        tags.append(view.rowWidget(row)->tag);
    return tags;
}

void selectRows(TaskQListWidget &view, int first, int last)
{
    view.clearSelection();
    for (int row = first; row <= last; ++row)
        view.item(row)->setSelected(true);
}

} // namespace

class TestTaskRows : public QObject
{
    Q_OBJECT
private slots:
    void stateDots_data();
    void stateDots();
    void rowShowsTheTask();
    void rowShowsEachState_data();
    void rowShowsEachState();
    void unknownStateValueKeepsWhatWasShown();
    void missingFileOffersRelink();
    void editButtonCarriesTheIndex();
    void rebuildMakesRememberedRowCurrent_data();
    void rebuildMakesRememberedRowCurrent();
    void deletingRowsRenumbersTheRest_data();
    void deletingRowsRenumbersTheRest();
    void resetModes();
    void deleteAndResetRefusedWhileRunning();
    void contextMenuEntries();
    void revealPaths();
    void exportOneTask_data();
    void exportOneTask();
    void exportOneTaskThatCannotBeWritten();
    void englishCatalogueHasTheTexts_data();
    void englishCatalogueHasTheTexts();
};

void TestTaskRows::stateDots_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("failed is red") << int(Failed) << QColor(255, 59, 48);
    QTest::newRow("done is green") << int(Done) << QColor(0, 220, 84);
    QTest::newRow("ready is gray") << int(Ready) << QColor(142, 142, 146);
    QTest::newRow("cancelled is orange") << int(Cancelled) << QColor(255, 142, 0);
    QTest::newRow("unknown is indigo") << int(Unknown) << QColor(81, 79, 189);
    QTest::newRow("running is teal") << int(Running) << QColor(78, 201, 176);
}

void TestTaskRows::stateDots()
{
    QFETCH(int, state);
    QFETCH(QColor, colour);
    const QImage dot = StateDot::pixmap(StateDot::forState(state)).toImage();
    QCOMPARE(dot.size(), QSize(10, 10));
    QCOMPARE(dot.pixelColor(5, 5), colour);
    QCOMPARE(dot.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(StateDot::forState(42), -1);
}

void TestTaskRows::rowShowsTheTask()
{
    TaskListOBJ list;
    Di_riror_adiRIZ *task = handMadeTask(list, "/videos/talk.mp4", Done);
    task->duration = 95000;
    task->timeRange_in = 0;
    task->timeRange_out = 95000;
    task->languages = {"en"};
    task->cropRect = QRect(0, 600, 1920, 180);
    QPixmap picture(112, 63);
    picture.fill(Qt::blue);
    task->thumbnail = picture;

    TaskCustomItem row(task, 3);
    QCOMPARE(row.tag, 3);
    QCOMPARE(row.size(), QSize(500, 81));
    QCOMPARE(row.findChild<QLabel *>("name_label")->text(), QStringLiteral("talk.mp4"));
    QCOMPARE(row.findChild<QLabel *>("durationlabel")->text(), QStringLiteral("00:01:35"));
    QCOMPARE(row.findChild<QLabel *>("info_label")->text(), task->summaryText());
    QCOMPARE(row.findChild<QLabel *>("thumbnaillabel")->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));

    // A thumbnail that arrives later shows without a rebuild.
    picture.fill(Qt::red);
    task->thumbnail = picture;
    emit task->loadThumbnail_ok();
    QCOMPARE(row.findChild<QLabel *>("thumbnaillabel")->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
}

void TestTaskRows::rowShowsEachState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("progressShown");
    QTest::newRow("unknown") << int(Unknown) << QStringLiteral("未知状态") << false;
    QTest::newRow("ready") << int(Ready) << QStringLiteral("读取") << false;
    QTest::newRow("running") << int(Running) << QStringLiteral("识别中") << true;
    QTest::newRow("done") << int(Done) << QStringLiteral("完成") << false;
    QTest::newRow("failed") << int(Failed) << QStringLiteral("错误") << false;
    QTest::newRow("cancelled") << int(Cancelled) << QStringLiteral("取消") << false;
}

void TestTaskRows::rowShowsEachState()
{
    QFETCH(int, state);
    QFETCH(QString, word);
    QFETCH(bool, progressShown);
    TaskListOBJ list;
    Di_riror_adiRIZ *task = handMadeTask(list, "/v/a.mp4", state);
    task->progress = 0.456f;
    TaskCustomItem row(task, 0);
    QCOMPARE(row.findChild<QLabel *>("state_label")->text(), word);
    QCOMPARE(centreOf(row.findChild<QLabel *>("state_image_label")), StateDot::colour(StateDot::forState(state)));
    auto *bar = row.findChild<QProgressBar *>("progressBar");
    QCOMPARE(bar->isVisibleTo(&row), progressShown);
    if (progressShown)
        QCOMPARE(bar->value(), 45);
    QVERIFY(!row.findChild<QPushButton *>("Relink_pushButton")->isVisibleTo(&row));
}

void TestTaskRows::unknownStateValueKeepsWhatWasShown()
{
    TaskListOBJ list;
    Di_riror_adiRIZ *task = handMadeTask(list, "/v/a.mp4", Done);
    TaskCustomItem row(task, 0);
    task->state = 9;
    row.refresh();
    QCOMPARE(row.findChild<QLabel *>("state_label")->text(), QStringLiteral("完成"));
    QCOMPARE(centreOf(row.findChild<QLabel *>("state_image_label")), StateDot::colour(StateDot::Green));
}

void TestTaskRows::missingFileOffersRelink()
{
    TaskListOBJ list;
    Di_riror_adiRIZ *task = handMadeTask(list, "/gone/a.mp4", Done);
    task->fileMissing = true;
    TaskCustomItem row(task, 0);
    auto *relink = row.findChild<QPushButton *>("Relink_pushButton");
    QCOMPARE(row.findChild<QLabel *>("state_label")->text(), QStringLiteral("文件丢失"));
    QCOMPARE(centreOf(row.findChild<QLabel *>("state_image_label")), StateDot::colour(StateDot::Red));
    QVERIFY(relink->isVisibleTo(&row));

    {
        FileAnswers cancelled;
        QTest::mouseClick(relink, Qt::LeftButton);
        QCOMPARE(cancelled.asked.size(), 1);
        QCOMPARE(cancelled.asked.first().title, QStringLiteral("链接文件"));
        QCOMPARE(cancelled.asked.first().filter, QStringLiteral("Files (*)"));
        QVERIFY(task->fileMissing);
    }

    QTemporaryDir dir;
    const QString moved = dir.filePath("moved.mp4");
    FileAnswers answer({moved});
    QTest::mouseClick(relink, Qt::LeftButton);
    QVERIFY(!task->fileMissing);
    QCOMPARE(task->videoPath, moved);
    QCOMPARE(task->state, int(Done));
    QCOMPARE(row.findChild<QLabel *>("name_label")->text(), QStringLiteral("moved.mp4"));
    QCOMPARE(row.findChild<QLabel *>("state_label")->text(), QStringLiteral("完成"));
    QVERIFY(!relink->isVisibleTo(&row));
}

void TestTaskRows::editButtonCarriesTheIndex()
{
    TaskListOBJ list;
    for (int i = 0; i < 3; ++i)
        handMadeTask(list, QStringLiteral("t%1").arg(i), Ready);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    QSignalSpy edits(&view, &TaskQListWidget::editpushButt);
    QTest::mouseClick(view.rowWidget(2)->findChild<QPushButton *>("editpushButt"), Qt::LeftButton);
    QCOMPARE(edits.count(), 1);
    QCOMPARE(edits.first().first().toInt(), 2);
}

void TestTaskRows::rebuildMakesRememberedRowCurrent_data()
{
    QTest::addColumn<int>("remembered");
    QTest::addColumn<int>("current");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("last") << 3 << 3;
    QTest::newRow("past the end") << 4 << -1;
    QTest::newRow("none") << -1 << -1;
}

void TestTaskRows::rebuildMakesRememberedRowCurrent()
{
    QFETCH(int, remembered);
    QFETCH(int, current);
    TaskListOBJ list;
    for (int i = 0; i < 4; ++i)
        handMadeTask(list, QStringLiteral("t%1").arg(i), Ready);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.setRememberedRow(remembered);
    view.rebuildRows();
    QCOMPARE(view.count(), 4);
    QCOMPARE(tagsOf(view), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(view.currentRow(), current);
    QCOMPARE(view.item(0)->sizeHint(), QSize(500, 81));
}

void TestTaskRows::deletingRowsRenumbersTheRest_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QList<int>>("deletedTags");
    QTest::addColumn<int>("current");

    QTest::newRow("rows 2 to 4 of six") << 2 << 4 << QStringList{"t0", "t1", "t5"} << QList<int>{4, 3, 2} << 2;
    QTest::newRow("the last row") << 5 << 5 << QStringList{"t0", "t1", "t2", "t3", "t4"} << QList<int>{5} << -1;
    QTest::newRow("the first row") << 0 << 0 << QStringList{"t1", "t2", "t3", "t4", "t5"} << QList<int>{0} << 0;
    QTest::newRow("every row") << 0 << 5 << QStringList{} << QList<int>{5, 4, 3, 2, 1, 0} << -1;
}

void TestTaskRows::deletingRowsRenumbersTheRest()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, left);
    QFETCH(QList<int>, deletedTags);
    QFETCH(int, current);

    TaskListOBJ list;
    for (int i = 0; i < 6; ++i)
        handMadeTask(list, QStringLiteral("t%1").arg(i), Ready);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    QSignalSpy deleted(&view, &TaskQListWidget::delitemSig);

    selectRows(view, first, last);
    view.deleteSelected();

    QCOMPARE(namesOf(list), left);
    QList<int> tags;
    for (const QList<QVariant> &arguments : std::as_const(deleted))
        tags.append(arguments.first().toInt());
    QCOMPARE(tags, deletedTags);
    QCOMPARE(view.count(), left.size());
    QList<int> expectedTags;
    for (int i = 0; i < left.size(); ++i)
        expectedTags.append(i);
    QCOMPARE(tagsOf(view), expectedTags);
    QCOMPARE(view.currentRow(), current);
}

void TestTaskRows::resetModes()
{
    TaskListOBJ list;
    Di_riror_adiRIZ *stateOnly = handMadeTask(list, "t0", Done);
    Di_riror_adiRIZ *whole = handMadeTask(list, "t1", Cancelled);
    for (Di_riror_adiRIZ *task : {stateOnly, whole}) {
        task->entries = {entry(0, 1000, "a\n")};
        task->lastPosition = 700;
        task->Frame_rate = 2.5;
    }
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();

    selectRows(view, 0, 0);
    view.resetSelected(1);
    QCOMPARE(stateOnly->state, int(Ready));
    QCOMPARE(stateOnly->entries.size(), 1);
    QCOMPARE(stateOnly->lastPosition, 700);
    QCOMPARE(view.rowWidget(0)->findChild<QLabel *>("state_label")->text(), QStringLiteral("读取"));

    selectRows(view, 1, 1);
    view.resetSelected(0);
    QCOMPARE(whole->state, int(Ready));
    QVERIFY(whole->entries.isEmpty());
    QCOMPARE(whole->lastPosition, 0);
    QCOMPARE(whole->Frame_rate, 1.0);
}

void TestTaskRows::deleteAndResetRefusedWhileRunning()
{
    TaskListOBJ list;
    Di_riror_adiRIZ *running = handMadeTask(list, "t0", Ready);
    running->timeRange_in = 0;
    running->timeRange_out = running->duration = 60000;
    handMadeTask(list, "t1", Done);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();

    QList<std::shared_ptr<ModalSeen>> boxes;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &view, [&] {
        if (running->state != Running)
            return;
        poll.stop();
        selectRows(view, 0, 1);
        boxes.append(answerMessageBox(QMessageBox::Ok));
        view.deleteSelected();
        boxes.append(answerMessageBox(QMessageBox::Ok));
        view.resetSelected(0);
        running->state = Done;
        emit running->completedSig();
    });
    poll.start(5);
    list.runAll();

    QCOMPARE(boxes.size(), 2);
    for (const auto &box : std::as_const(boxes)) {
        QVERIFY(box->seen);
        QCOMPARE(box->title, QStringLiteral("警告"));
    }
    QCOMPARE(namesOf(list), (QStringList{"t0", "t1"}));
    QCOMPARE(list.tasks.at(1)->state, int(Done));

    // Once the batch is over the same actions go through.
    selectRows(view, 1, 1);
    view.deleteSelected();
    QCOMPARE(namesOf(list), QStringList{"t0"});
}

void TestTaskRows::contextMenuEntries()
{
    TaskListOBJ list;
    for (int i = 0; i < 3; ++i)
        handMadeTask(list, QStringLiteral("t%1").arg(i), Done);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    view.clearSelection();
    QVERIFY(!view.createContextMenu());

    selectRows(view, 1, 2);
    std::unique_ptr<QMenu> menu(view.createContextMenu());
    QVERIFY(menu);
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(entries, (QStringList{"显示源文件", "显示输出文件", "|", "打开编辑器", "|", "重置", "仅重置状态", "|",
                                   "导出srt字幕", "导出txt文本", "|", "删除"}));

    QSignalSpy edits(&view, &TaskQListWidget::editpushButt);
    menu->actions().at(3)->trigger();
    QCOMPARE(edits.count(), 1);
    QCOMPARE(edits.first().first().toInt(), 1);

    menu->actions().last()->trigger();
    QCOMPARE(namesOf(list), QStringList{"t0"});
}

void TestTaskRows::revealPaths()
{
    TaskListOBJ list;
    handMadeTask(list, "/v/a.mp4", Done)->exportPath = QStringLiteral("/out/a.srt");
    handMadeTask(list, "/v/b.mp4", Done);
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    selectRows(view, 0, 1);
    QCOMPARE(view.pathsToReveal(0), (QStringList{"/v/a.mp4", "/v/b.mp4"}));
    QCOMPARE(view.pathsToReveal(1), (QStringList{"/out/a.srt", QString()}));
}

void TestTaskRows::exportOneTask_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("srt") << 0 << QStringLiteral("保存srt文件") << QStringLiteral("Files (*.srt)")
                         << QByteArray("1\r\n00:00:00,500 --> 00:00:02,500\r\nHello world\r\n\r\n");
    QTest::newRow("txt") << 1 << QStringLiteral("保存txt文件") << QStringLiteral("Files (*.txt)")
                         << QByteArray("Hello world\r\n");
}

void TestTaskRows::exportOneTask()
{
    QFETCH(int, format);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QByteArray, content);

    TaskListOBJ list;
    handMadeTask(list, "/v/a.mp4", Done);
    Di_riror_adiRIZ *task = handMadeTask(list, "/v/b.mp4", Done);
    task->entries = {entry(500, 2500, "Hello world")};
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    selectRows(view, 1, 1);

    QTemporaryDir dir;
    const QString target = dir.filePath("mine.out");
    QVERIFY(writeAll(target, "previous content that is longer than the new one"));
    FileAnswers answer({target});
    view.exportSelected(format);

    QCOMPARE(answer.asked.size(), 1);
    QCOMPARE(answer.asked.first().kind, FileDialogs::Kind::SaveFile);
    QCOMPARE(answer.asked.first().title, title);
    QCOMPARE(answer.asked.first().filter, filter);
    QCOMPARE(readAll(target), content);
    QVERIFY(task->exportPath.isNull());
}

void TestTaskRows::exportOneTaskThatCannotBeWritten()
{
    TaskListOBJ list;
    handMadeTask(list, "/v/a.mp4", Done)->entries = {entry(0, 1000, "x")};
    TaskQListWidget view;
    view.setTaskList(&list);
    view.rebuildRows();
    selectRows(view, 0, 0);
    QTemporaryDir dir;
    FileAnswers answer({dir.path()});
    auto box = answerMessageBox(QMessageBox::Ok);
    view.exportSelected(0);
    QVERIFY(box->seen);
    QCOMPARE(box->title, QStringLiteral("导出失败"));
    QVERIFY(box->text.contains(QDir::toNativeSeparators(dir.path())));
}

void TestTaskRows::englishCatalogueHasTheTexts_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");
    QTest::newRow("export all srt") << "TaskListWidgetsClassClass" << "导出所有srt" << "export all srt";
    QTest::newRow("drop here") << "TaskListWidgetsClassClass" << "将视频文件拖放到这里"
                               << "Drag and drop video files here";
    QTest::newRow("import failed") << "TaskListWidgetsClass" << "以下文件不能导入" << "File import failed";
    QTest::newRow("saved") << "TaskListWidgetsClass" << "保存成功" << "Saved successfully";
    QTest::newRow("cover") << "TaskListWidgetsClass" << "覆盖" << "cover";
    QTest::newRow("cancel") << "TaskListWidgetsClass" << "取消" << "Cancel";
    QTest::newRow("statistics") << "TaskListWidgetsClass" << "导出统计" << "export statistics";
    QTest::newRow("show folder") << "TaskListWidgetsClass" << "显示输出文件夹" << "show output folder";
    QTest::newRow("close") << "TaskListWidgetsClass" << "关闭" << "close";
    QTest::newRow("choose folder") << "TaskListWidgetsClass" << "选择保存目录" << "Choose save directory";
    QTest::newRow("success") << "ExportPlanner" << "成功：" << "success:";
    QTest::newRow("fail") << "ExportPlanner" << "失败:" << "fail:";
    QTest::newRow("file missing") << "TaskCustomItem" << "文件丢失" << "file missing";
    QTest::newRow("link file") << "TaskCustomItem" << "链接文件" << "link file";
    QTest::newRow("state word still there") << "TaskCustomItem" << "完成" << "completed";
    QTest::newRow("relink") << "TaskCustomItemClass" << "重新链接" << "relink";
    QTest::newRow("reset state only") << "TaskQListWidget" << "仅重置状态" << "reset state only";
    QTest::newRow("save srt") << "TaskQListWidget" << "保存srt文件" << "save the srt file";
}

void TestTaskRows::englishCatalogueHasTheTexts()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, english);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/new/i18n/Translation_en.qm")));
    QCOMPARE(translator.translate(context.toUtf8(), source.toUtf8()), english);
}

QTEST_MAIN(TestTaskRows)
#include "tst_taskrows.moc"
