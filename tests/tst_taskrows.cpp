#include "taskstesthelpers.h"

#include "task/taskstate.h"
#include "batch/statedot.h"
#include "batch/taskcustomitem.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace TasksTest;

namespace {

QColor centreOf(const QLabel *label)
{
    return label->pixmap().toImage().pixelColor(StateDot::size / 2, StateDot::size / 2);
}

QString labelText(const QWidget &row, const char *name)
{
    return row.findChild<QLabel *>(name)->text();
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

// A view over `count` hand-made tasks named t0, t1, ...
class ViewOf
{
public:
    explicit ViewOf(int count, TaskState state = TaskState::Done)
    {
        for (int i = 0; i < count; ++i)
            handMadeTask(list, QStringLiteral("t%1").arg(i), state);
        view.setTaskList(&list);
        view.rebuildRows();
    }
    TaskListOBJ list;
    TaskQListWidget view;
};

} // namespace

class TestTaskRows : public QObject
{
    Q_OBJECT

private slots:
    void rowShowsTheTask()
    {
        TaskListOBJ list;
        Di_riror_adiRIZ *task = handMadeTask(list, "/videos/talk.mp4", TaskState::Done);
        rewrite(task, [&](TaskRecord &r) { r.duration = 95000; });
        QPixmap picture(112, 63);
        picture.fill(Qt::blue);
        task->setThumbnail(picture);

        rewrite(task, [&](TaskRecord &r) {
            r.timeRange_in = 1500;
            r.timeRange_out = 62250;
            r.Frame_rate = 2.5;
        });
        TaskCustomItem row(task, 3);
        QCOMPARE(labelText(row, "name_label"), QStringLiteral("talk.mp4"));
        QCOMPARE(labelText(row, "durationlabel"), QStringLiteral("00:01:35"));
        // The range to the millisecond, the rate in the editor's words.
        const QString details = labelText(row, "info_label");
        QVERIFY2(details.contains(QStringLiteral("时间范围：00:00:01,500 - 00:01:02,250\n")), qPrintable(details));
        QVERIFY2(details.contains(QStringLiteral("识别间隔：2.50\n")), qPrintable(details));
        auto *thumbnail = row.findChild<QLabel *>("thumbnaillabel");
        QCOMPARE(thumbnail->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));

        // A thumbnail that arrives later shows without a rebuild.
        picture.fill(Qt::red);
        task->setThumbnail(picture);
        QCOMPARE(thumbnail->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));

        // A name too long for its place is cut in the middle, the whole path in the tooltip.
        const QString longPath = QStringLiteral("/videos/a very long name of a lecture recorded in 2024, part 12.mp4");
        rewrite(task, [&](TaskRecord &r) {
            r.videoPath = longPath;
            r.videoFileName = longPath.section(QLatin1Char('/'), -1);
        });
        row.refresh();
        const QString shown = labelText(row, "name_label");
        QVERIFY2(shown.startsWith(QStringLiteral("a ")) && shown.contains(QChar(0x2026)) && shown.endsWith(QStringLiteral(".mp4")),
                 qPrintable(shown));
        QCOMPARE(row.findChild<QLabel *>("name_label")->toolTip(), longPath);
    }

    // A row made for one state follows the task into another; a value out of range keeps what
    // was shown.
    void rowShowsEachState_data()
    {
        QTest::addColumn<TaskState>("state");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QColor>("dot");
        QTest::newRow("unknown") << TaskState::Unknown << QStringLiteral("未知状态") << QColor(81, 79, 189);
        QTest::newRow("ready") << TaskState::Ready << QStringLiteral("读取") << QColor(142, 142, 146);
        QTest::newRow("running") << TaskState::Running << QStringLiteral("识别中") << QColor(78, 201, 176);
        QTest::newRow("done") << TaskState::Done << QStringLiteral("完成") << QColor(0, 220, 84);
        QTest::newRow("failed") << TaskState::Failed << QStringLiteral("错误") << QColor(255, 59, 48);
        QTest::newRow("cancelled") << TaskState::Cancelled << QStringLiteral("取消") << QColor(255, 142, 0);
        QTest::newRow("out of range") << TaskState(9) << QStringLiteral("完成") << QColor(0, 220, 84);
    }
    void rowShowsEachState()
    {
        QFETCH(TaskState, state);
        QFETCH(QString, word);
        QFETCH(QColor, dot);
        TaskListOBJ list;
        Di_riror_adiRIZ *task = handMadeTask(list, "/v/a.mp4", TaskState::Done);
        TaskCustomItem row(task, 0);
        rewrite(task, [&](TaskRecord &r) {
            r.state = TaskState(state);
            r.progress = 0.456f;
        });
        row.refresh();
        QCOMPARE(labelText(row, "state_label"), word);
        QCOMPARE(centreOf(row.findChild<QLabel *>("state_image_label")), dot);
        // Progress shows only while the task runs.
        auto *bar = row.findChild<QProgressBar *>("progressBar");
        QCOMPARE(bar->isVisibleTo(&row), state == TaskState::Running);
        if (state == TaskState::Running)
            QCOMPARE(bar->value(), 45);
        QVERIFY(!row.findChild<QPushButton *>("Relink_pushButton")->isVisibleTo(&row));
    }

    // A finished or failed task's error text reaches its row: the words in the details and as
    // tooltip, and the state marked by the icon and colour of its weight; a text that went away, or
    // that an earlier run left on a task ready again, leaves no mark.
    void rowShowsTheTasksProblem_data()
    {
        QTest::addColumn<TaskState>("state");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("finished with a warning") << TaskState::Done << QStringLiteral("警告：") << QColor(255, 142, 0);
        QTest::newRow("failed") << TaskState::Failed << QStringLiteral("错误：") << QColor(255, 59, 48);
        QTest::newRow("ready again: the old words go") << TaskState::Ready << QString() << QColor();
    }
    void rowShowsTheTasksProblem()
    {
        QFETCH(TaskState, state);
        QFETCH(QString, prefix);
        QFETCH(QColor, colour);
        const bool shown = !prefix.isEmpty();
        const QString problem = QStringLiteral("the video ended early, at 00:00:02,320 of 00:00:06,000");
        TaskListOBJ list;
        Di_riror_adiRIZ *task = handMadeTask(list, "/v/cut.mp4", state);
        TaskCustomItem row(task, 0);
        const QImage dot = row.findChild<QLabel *>("state_image_label")->pixmap().toImage();
        rewrite(task, [&](TaskRecord &r) { r.errorText = problem; });
        row.refresh();

        auto *stateLabel = row.findChild<QLabel *>("state_label");
        QCOMPARE(stateLabel->toolTip(), shown ? problem : QString());
        QCOMPARE(row.toolTip(), shown ? problem : QString());
        QCOMPARE(labelText(row, "info_label").contains(problem), shown);
        QCOMPARE(row.findChild<QLabel *>("state_image_label")->pixmap().toImage() != dot, shown);
        if (!shown)
            return;
        QVERIFY(labelText(row, "info_label").endsWith(prefix + problem));
        QVERIFY(stateLabel->styleSheet().contains(colour.name()));

        rewrite(task, [&](TaskRecord &r) { r.errorText.clear(); });
        row.refresh();
        QVERIFY(row.toolTip().isEmpty());
        QVERIFY(!labelText(row, "info_label").contains(prefix));
        QVERIFY(stateLabel->styleSheet().isEmpty());
        QCOMPARE(row.findChild<QLabel *>("state_image_label")->pixmap().toImage(), dot);
    }

    void missingFileOffersRelink()
    {
        TaskListOBJ list;
        Di_riror_adiRIZ *task = handMadeTask(list, "/gone/a.mp4", TaskState::Done);
        task->setFileMissing(true);
        TaskCustomItem row(task, 0);
        auto *relink = row.findChild<QPushButton *>("Relink_pushButton");
        QCOMPARE(labelText(row, "state_label"), QStringLiteral("文件丢失"));
        QCOMPARE(centreOf(row.findChild<QLabel *>("state_image_label")), StateDot::colour(StateDot::Red));
        QVERIFY(relink->isVisibleTo(&row));

        {
            FileAnswers cancelled;
            QTest::mouseClick(relink, Qt::LeftButton);
            QCOMPARE(cancelled.asked.size(), 1);
            QVERIFY(task->fileMissing);
        }
        FileAnswers answer({QStringLiteral("/moved/b.mp4")});
        QTest::mouseClick(relink, Qt::LeftButton);
        QVERIFY(!task->fileMissing);
        QCOMPARE(task->videoPath, QStringLiteral("/moved/b.mp4"));
        QCOMPARE(task->state, TaskState::Done);
        QCOMPARE(labelText(row, "name_label"), QStringLiteral("b.mp4"));
        QCOMPARE(labelText(row, "state_label"), QStringLiteral("完成"));
        QVERIFY(!relink->isVisibleTo(&row));
    }

    void rebuildMakesRememberedRowCurrent_data()
    {
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("current");
        QTest::newRow("last") << 3 << 3;
        QTest::newRow("past the end") << 4 << -1;
        QTest::newRow("none") << -1 << -1;
    }
    void rebuildMakesRememberedRowCurrent()
    {
        QFETCH(int, remembered);
        QFETCH(int, current);
        ViewOf v(4);
        v.view.setRememberedRow(remembered);
        v.view.rebuildRows();
        QCOMPARE(tagsOf(v.view), (QList<int>{0, 1, 2, 3}));
        QCOMPARE(v.view.currentRow(), current);
    }

    void deletingRowsRenumbersTheRest_data()
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
    void deletingRowsRenumbersTheRest()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QStringList, left);
        QFETCH(QList<int>, deletedTags);
        QFETCH(int, current);

        ViewOf v(6, TaskState::Ready);
        QSignalSpy deleted(&v.view, &TaskQListWidget::delitemSig);
        selectRows(v.view, first, last);
        v.view.deleteSelected();

        QCOMPARE(pathsOf(v.list), left);
        QList<int> tags;
        for (const QList<QVariant> &arguments : std::as_const(deleted))
            tags.append(arguments.first().toInt());
        QCOMPARE(tags, deletedTags);
        QList<int> expectedTags;
        for (int i = 0; i < left.size(); ++i)
            expectedTags.append(i);
        QCOMPARE(tagsOf(v.view), expectedTags);
        QCOMPARE(v.view.currentRow(), current);
    }

    // Results cannot come back once their task is gone: deleting them is asked first, tasks
    // without results go at once.
    void deletingResultsAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("yes deletes") << int(QMessageBox::Yes) << QStringList{"t2"};
        QTest::newRow("no keeps them") << int(QMessageBox::No) << QStringList{"t0", "t1", "t2"};
    }
    void deletingResultsAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        ViewOf v(3);
        rewrite(v.list.taskList().at(1), [](TaskRecord &r) { r.samples = {FrameSample{500, {"a"}}}; });
        v.view.show();
        auto question = answerMessageBox(QMessageBox::StandardButton(answer));
        selectRows(v.view, 0, 1);
        v.view.deleteSelected();
        QTRY_VERIFY(question->seen);
        QCOMPARE(question->title, QStringLiteral("删除任务"));
        QTRY_COMPARE(pathsOf(v.list), left);

        selectRows(v.view, int(v.list.taskList().size()) - 1, int(v.list.taskList().size()) - 1);
        auto noQuestion = answerMessageBox(QMessageBox::No);
        v.view.deleteSelected();
        QCOMPARE(pathsOf(v.list), left.mid(0, left.size() - 1));
        QVERIFY(!noQuestion->seen);
    }

    void resetModes()
    {
        ViewOf v(2);
        Di_riror_adiRIZ *stateOnly = v.list.taskList().at(0);
        Di_riror_adiRIZ *whole = v.list.taskList().at(1);
        rewrite(whole, [&](TaskRecord &r) { r.state = TaskState(TaskState::Cancelled); });
        for (Di_riror_adiRIZ *task : {stateOnly, whole}) {
            rewrite(task, [&](TaskRecord &r) {
                r.entries = {SRTEntry{0, 1000, "a\n", {}, {}}};
                r.lastPosition = 700;
            });
        }

        selectRows(v.view, 0, 0);
        v.view.resetSelected(1);
        QCOMPARE(stateOnly->state, TaskState::Ready);
        QCOMPARE(stateOnly->entries.size(), 1);
        QCOMPARE(stateOnly->lastPosition, 700);
        QCOMPARE(labelText(*v.view.rowWidget(0), "state_label"), QStringLiteral("读取"));

        selectRows(v.view, 1, 1);
        v.view.resetSelected(0);
        QCOMPARE(whole->state, TaskState::Ready);
        QVERIFY(whole->entries.isEmpty());
        QCOMPARE(whole->lastPosition, 0);
    }

    void contextMenu()
    {
        ViewOf v(3);
        QSignalSpy edits(&v.view, &TaskQListWidget::editpushButt);
        v.view.clearSelection();
        QVERIFY(!v.view.createContextMenu());
        selectRows(v.view, 1, 2);
        std::unique_ptr<QMenu> menu(v.view.createContextMenu());
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries.append(action->isSeparator() ? QStringLiteral("|") : action->text());
        QCOMPARE(entries, (QStringList{"显示源文件", "显示输出文件", "|", "打开编辑器", "|", "检测字幕区域", "|", "重置",
                                       "仅重置状态", "|",
                                       "导出srt字幕", "导出txt文本", "导出vtt字幕", "导出ass字幕", "导出json", "导出内嵌文字字幕", "|",
                                       "删除"}));

        menu->actions().at(3)->trigger();
        QCOMPARE(edits.count(), 1);
        QCOMPARE(edits.first().first().toInt(), 1);
        menu->actions().last()->trigger();
        QCOMPARE(pathsOf(v.list), QStringList{"t0"});
    }

    void revealPaths()
    {
        ViewOf v(2);
        rewrite(v.list.taskList().at(0), [&](TaskRecord &r) { r.exportPath = QStringLiteral("/out/a.srt"); });
        selectRows(v.view, 0, 1);
        QCOMPARE(v.view.pathsToReveal(0), (QStringList{"t0", "t1"}));
        QCOMPARE(v.view.pathsToReveal(1), (QStringList{"/out/a.srt", QString()}));
    }

    void exportOneTask_data()
    {
        QTest::addColumn<SubtitleFormat>("format");
        QTest::addColumn<bool>("intoFolder");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("srt over a longer file, the typed extension kept")
            << SubtitleFormat::Srt << false << "mine.out" << "mine.out"
            << QByteArray("1\r\n00:00:00,500 --> 00:00:02,500\r\nHello world\r\n\r\n");
        QTest::newRow("a name without extension gets the format's") << SubtitleFormat::Vtt << false << "mine" << "mine.vtt"
                                                                     << QByteArray("WEBVTT\r\n\r\n1\r\n00:00:00.500 --> 00:00:02.500\r\nHello world\r\n\r\n");
        QTest::newRow("a folder cannot be written") << SubtitleFormat::Srt << true << QString() << QString() << QByteArray();
    }
    void exportOneTask()
    {
        QFETCH(SubtitleFormat, format);
        QFETCH(bool, intoFolder);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, content);

        ViewOf v(2);
        Di_riror_adiRIZ *task = v.list.taskList().at(1);
        rewrite(task, [](TaskRecord &r) { r.videoPath = QStringLiteral("/videos/a talk.v2.mp4"); });
        rewrite(task, [&](TaskRecord &r) { r.entries = {SRTEntry{500, 2500, "Hello world", {}, {}}}; });
        selectRows(v.view, 1, 1);
        QTemporaryDir dir;
        const QString target = intoFolder ? dir.path() : dir.filePath(typed);
        if (!intoFolder)
            QVERIFY(writeAll(dir.filePath(written), "previous content that is longer than the new one"));
        FileAnswers answer({target});
        auto failure = answerMessageBox(QMessageBox::Ok);

        v.view.exportSelected(format);

        QCOMPARE(answer.asked.size(), 1);
        QCOMPARE(answer.asked.first().kind, FileDialogs::Kind::SaveFile);
        const QString extension = SubtitleFormats::extension(format);
        QCOMPARE(answer.asked.first().filter, QStringLiteral("Files (*.%1)").arg(extension));
        // The video's name with the format's extension, beside the video.
        QCOMPARE(answer.asked.first().directory, QStringLiteral("/videos/a talk.v2.") + extension);
        QCOMPARE(failure->seen, intoFolder);
        if (intoFolder) {
            QCOMPARE(failure->title, QStringLiteral("导出失败"));
            QVERIFY(failure->text.contains(QDir::toNativeSeparators(dir.path())));
        } else {
            QCOMPARE(readAll(dir.filePath(written)), content);
        }
        QVERIFY(task->exportPath.isNull()); // only export-all remembers where it wrote
    }
};


QTEST_MAIN(TestTaskRows)
#include "tst_taskrows.moc"
