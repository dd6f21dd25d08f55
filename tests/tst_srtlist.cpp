#include "taskrewrite.h"
#include "editor/srt_qtextedit.h"
#include "editor/srtcustomitem.h"
#include "editor/srtqlistwidget.h"
#include "task/di_riror_adiriz.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

namespace {

QString style(const QString &name, bool green)
{
    return QStringLiteral("#") + name + (green ? QStringLiteral("{\nborder: 1px solid rgb(0, 85, 0);\nborder-radius:3px;\n}")
                                               : QStringLiteral("{\nborder: 1px solid red;\nborder-radius:3px;\n}"));
}

QList<SRTEntry> threeEntries()
{
    return {
        SRTEntry{1000, 2000, QStringLiteral("Hello\n"), {}, {}},
        SRTEntry{3000, 5000, QStringLiteral("World\n"), {}, {}},
        SRTEntry{4500, 6000, QStringLiteral("Overlap\n"), {}, {}},
    };
}

void typeTime(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class TestSrtList : public QObject
{
    Q_OBJECT

    SRTCustomItem *row(int i) const { return list->rowWidget(i); }
    template<typename T>
    T *field(int i, const char *name) const { return row(i)->findChild<T *>(QLatin1String(name)); }

    Di_riror_adiRIZ *worker = nullptr;
    SRTQListWidget *list = nullptr;

private slots:
    void init()
    {
        worker = new Di_riror_adiRIZ;
        rewrite(worker, [&](TaskRecord &r) {
            r.state = TaskState(TaskState::Done);
            r.entries = threeEntries();
        });
        list = new SRTQListWidget;
        list->resize(420, 400);
        list->setTask(worker);
        list->refreshItems();
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
    }
    void cleanup()
    {
        delete list;
        delete worker;
    }

    void rowsShowEntries()
    {
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(field<QLabel>(1, "index_label")->text(), QStringLiteral("2"));
        QCOMPARE(field<QLineEdit>(1, "lineEdit")->text(), QStringLiteral("00:00:03,000"));
        QCOMPARE(field<QLineEdit>(1, "lineEdit_2")->text(), QStringLiteral("00:00:05,000"));
        QCOMPARE(field<QTextEdit>(1, "textEdit")->toPlainText(), QStringLiteral("World\n"));

        QSignalSpy seeks(list, &SRTQListWidget::setVideoPosition);
        QTest::mouseClick(field<QPushButton>(1, "seektoolButton"), Qt::LeftButton);
        QCOMPARE(seeks.count(), 1);
        QCOMPARE(seeks.first().first().toLongLong(), 3000);
        // A click into an entry's text seeks as well.
        QTest::mouseClick(field<QTextEdit>(2, "textEdit")->viewport(), Qt::LeftButton);
        QCOMPARE(seeks.count(), 2);
        QCOMPARE(seeks.last().first().toLongLong(), threeEntries().at(2).intime);

        // A negative time has no clock form.
        rewrite(worker, [&](TaskRecord &r) { r.entries[2].intime = -5; });
        list->refreshItems();
        QCOMPARE(field<QLineEdit>(2, "lineEdit")->text(), QString());
    }

    void timeFields_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("expectedIn");
        QTest::addColumn<qint64>("expectedOut");

        QTest::newRow("start time") << "lineEdit" << "00:01:02,345" << true << qint64(62345) << qint64(5000);
        QTest::newRow("end time") << "lineEdit_2" << "00:01:02,345" << true << qint64(3000) << qint64(62345);
        QTest::newRow("end before start is accepted") << "lineEdit_2" << "00:00:01,000" << true << qint64(3000)
                                                      << qint64(1000);
        QTest::newRow("61 seconds") << "lineEdit" << "00:00:61,000" << false << qint64(3000) << qint64(5000);
        QTest::newRow("letters are not typed") << "lineEdit" << "00:0a0:02,000" << true << qint64(2000)
                                               << qint64(5000);
        QTest::newRow("emptied field stores nothing") << "lineEdit" << "" << true << qint64(3000) << qint64(5000);
    }
    void timeFields()
    {
        QFETCH(QString, fieldName);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, expectedIn);
        QFETCH(qint64, expectedOut);

        QLineEdit *edit = row(1)->findChild<QLineEdit *>(fieldName);
        QVERIFY(edit);
        typeTime(edit, text);

        QCOMPARE(worker->entries[1].intime, expectedIn);
        QCOMPARE(worker->entries[1].outtime, expectedOut);
        QCOMPARE(edit->styleSheet(), style(fieldName, valid));
        if (!valid) {
            QCOMPARE(edit->text(), text); // the wrong text stays for correction
            QCOMPARE(QToolTip::text(), QStringLiteral("error format '00:00:00,000'"));
            // A corrected text turns the field green again.
            typeTime(edit, QStringLiteral("00:00:09,000"));
            QCOMPARE(edit->styleSheet(), style(fieldName, true));
        }
        // Other entries are left alone.
        QCOMPARE(worker->entries[0].intime, 1000);
        QCOMPARE(worker->entries[2].outtime, 6000);
    }

    void textField()
    {
        auto *text = field<SRT_QTextEdit>(2, "textEdit");
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, QStringLiteral("again"));
        QCOMPARE(worker->entries[2].text, QStringLiteral("Overlap\nagain"));
        QCOMPARE(text->styleSheet(), style(QStringLiteral("textEdit"), true));

        text->selectAll();
        QTest::keyClick(text, Qt::Key_Delete);
        QCOMPARE(text->toPlainText(), QString());
        QCOMPARE(text->styleSheet(), style(QStringLiteral("textEdit"), false));
        QCOMPARE(worker->entries[2].text, QStringLiteral("Overlap\nagain")); // an empty text is not stored

        QTest::keyClicks(text, QStringLiteral("X"));
        QCOMPARE(worker->entries[2].text, QStringLiteral("X"));
        QCOMPARE(text->styleSheet(), style(QStringLiteral("textEdit"), true));
    }

    void insertAndDelete_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("onRow");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("current");

        QTest::newRow("add on the first row") << "addpushButton" << 0
                                              << QStringList{"", "Hello\n", "World\n", "Overlap\n"} << 0;
        QTest::newRow("add on row 3") << "addpushButton" << 2 << QStringList{"Hello\n", "World\n", "", "Overlap\n"}
                                      << 2;
        QTest::newRow("delete the first row") << "delpushButton" << 0 << QStringList{"World\n", "Overlap\n"} << 0;
        QTest::newRow("delete the middle row") << "delpushButton" << 1 << QStringList{"Hello\n", "Overlap\n"} << 1;
        QTest::newRow("delete the last row") << "delpushButton" << 2 << QStringList{"Hello\n", "World\n"} << -1;
    }
    void insertAndDelete()
    {
        QFETCH(QString, button);
        QFETCH(int, onRow);
        QFETCH(QStringList, texts);
        QFETCH(int, current);

        QTest::mouseClick(row(onRow)->findChild<QPushButton *>(button), Qt::LeftButton);

        QStringList stored;
        for (const SRTEntry &entry : std::as_const(worker->entries))
            stored << entry.text;
        QCOMPARE(stored, texts);
        QCOMPARE(list->count(), texts.size());
        QCOMPARE(list->currentRow(), current);
        for (int i = 0; i < list->count(); ++i) {
            QCOMPARE(row(i)->entryIndex(), i);
            QCOMPARE(field<QLabel>(i, "index_label")->text(), QString::number(i + 1));
            QCOMPARE(field<QTextEdit>(i, "textEdit")->toPlainText(), texts.at(i));
        }
        if (button == "addpushButton") {
            QCOMPARE(worker->entries[onRow].intime, 0);
            QCOMPARE(worker->entries[onRow].outtime, 0);
            QCOMPARE(field<QLineEdit>(onRow, "lineEdit")->text(), QStringLiteral("00:00:00,000"));
        }
    }

    void deletingOnlyEntryLeavesNoCurrentRow()
    {
        rewrite(worker, [&](TaskRecord &r) { r.entries = {SRTEntry{0, 100, QStringLiteral("One\n"), {}, {}}}; });
        list->refreshItems();
        QTest::mouseClick(field<QPushButton>(0, "delpushButton"), Qt::LeftButton);
        QVERIFY(worker->entries.isEmpty());
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->currentRow(), -1);

        // Out-of-range positions are ignored.
        list->insertBlankEntry(1);
        list->removeEntry(0);
        list->removeEntry(-1);
        QVERIFY(worker->entries.isEmpty());
        list->insertBlankEntry(0);
        QCOMPARE(worker->entries.size(), 1);
    }

    void nowTimeSelectsFirstContainingEntry_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<int>("current");
        QTest::newRow("inside the first") << qint64(1500) << 0;
        QTest::newRow("start is inclusive") << qint64(3000) << 1;
        QTest::newRow("end is inclusive") << qint64(6000) << 2;
        QTest::newRow("overlap picks the earlier entry") << qint64(4700) << 1;
        QTest::newRow("between entries keeps the row") << qint64(2500) << 2;
        QTest::newRow("after the last keeps the row") << qint64(9000) << 2;
    }
    void nowTimeSelectsFirstContainingEntry()
    {
        QFETCH(qint64, time);
        QFETCH(int, current);
        list->setCurrentRow(2);
        list->nowTime(time);
        QCOMPARE(list->currentRow(), current);
    }

    void listKeys_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("down") << 0 << int(Qt::Key_Down) << 1 << true;
        QTest::newRow("up") << 2 << int(Qt::Key_Up) << 1 << true;
        QTest::newRow("up on the first row") << 0 << int(Qt::Key_Up) << -1 << true;
        QTest::newRow("down on the last row") << 2 << int(Qt::Key_Down) << -1 << true;
        QTest::newRow("editor keys travel on") << 1 << int(Qt::Key_I) << 1 << false;
        QTest::newRow("left travels on") << 1 << int(Qt::Key_Left) << 1 << false;
    }
    void listKeys()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        QFETCH(bool, accepted);
        list->setCurrentRow(from);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
        QCOMPARE(list->currentRow(), to);
        QCOMPARE(press.isAccepted(), accepted);
    }

    void textFieldKeys()
    {
        // Return on the list goes into the current entry's text field.
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list));
        list->setFocus();
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Return);
        auto *text = field<SRT_QTextEdit>(2, "textEdit");
        QTRY_VERIFY(text->hasFocus());

        QTest::keyClick(text, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(list->currentRow(), 1); // travelled up to the list

        // Without Control, Up is the text field's own: the cursor moves up a line.
        list->setCurrentRow(2);
        text->moveCursor(QTextCursor::End);
        QTest::keyClick(text, Qt::Key_Up);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(text->textCursor().blockNumber(), 0);

        // Tab is passed on to the parents (focus chain) instead of being typed.
        QTest::keyClick(text, Qt::Key_Tab);
        QCOMPARE(text->toPlainText(), QStringLiteral("Overlap\n"));
        QCOMPARE(worker->entries[2].text, QStringLiteral("Overlap\n"));
    }

    void entriesChangedBehindTheList()
    {
        QSignalSpy seeks(list, &SRTQListWidget::setVideoPosition);
        rewrite(worker, [&](TaskRecord &r) { r.entries.clear(); }); // a reset from the task list

        // The stale rows must neither read nor write the missing entries.
        typeTime(field<QLineEdit>(2, "lineEdit"), QStringLiteral("00:00:07,000"));
        QTest::keyClicks(field<QTextEdit>(1, "textEdit"), QStringLiteral("x"));
        QTest::mouseClick(field<QPushButton>(2, "seektoolButton"), Qt::LeftButton);
        QTest::mouseClick(field<QPushButton>(2, "delpushButton"), Qt::LeftButton);
        QTest::mouseClick(field<QPushButton>(2, "addpushButton"), Qt::LeftButton);
        QVERIFY(worker->entries.isEmpty());
        QCOMPARE(seeks.count(), 0);

        // The next playhead report rebuilds the list from what is there now.
        list->nowTime(1500);
        QCOMPARE(list->count(), 0);

        rewrite(worker, [&](TaskRecord &r) { r.entries = {SRTEntry{1000, 2000, QStringLiteral("Only\n"), {}, {}}}; });
        list->nowTime(1500);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(field<QTextEdit>(0, "textEdit")->toPlainText(), QStringLiteral("Only\n"));

        // Entries replaced by a finished run are shown at once.
        rewrite(worker, [&](TaskRecord &r) {
            r.entries = threeEntries();
            r.entries[1].text = QStringLiteral("Fresh\n");
        });
        emit worker->completedSig();
        QCOMPARE(list->count(), 3);
        QCOMPARE(field<QTextEdit>(1, "textEdit")->toPlainText(), QStringLiteral("Fresh\n"));
    }

    void deletedTask()
    {
        SRTCustomItem *stale = row(1);
        QSignalSpy seeks(list, &SRTQListWidget::setVideoPosition);
        delete worker;
        worker = nullptr;
        QVERIFY(list->currentTask() == nullptr);
        list->nowTime(1500);
        list->insertBlankEntry(0);
        QTest::keyClicks(stale->findChild<QTextEdit *>(QStringLiteral("textEdit")), QStringLiteral("x"));
        QTest::mouseClick(stale->findChild<QPushButton *>(QStringLiteral("seektoolButton")), Qt::LeftButton);
        QCOMPARE(seeks.count(), 0);
    }
};


QTEST_MAIN(TestSrtList)
#include "tst_srtlist.moc"
