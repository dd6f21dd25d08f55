#pragma once

// Answers the message boxes a test makes the program open, recording what each showed.

#include <QAbstractButton>
#include <QApplication>
#include <QMap>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>

struct ModalSeen
{
    bool seen = false;
    QString title;
    QString text;
    QMap<QMessageBox::StandardButton, QString> buttons;
};

// While it lives, answers the message boxes that open with `answers` in turn (NoButton presses
// Escape) and records each in its place; another modal window is closed. A box opens inside
// exec(), so it is looked for from a timer.
class MessageBoxAnswers : public QObject
{
public:
    explicit MessageBoxAnswers(QList<QMessageBox::StandardButton> answers)
        : answers(std::move(answers))
        , log(this->answers.size())
    {
        connect(&poll, &QTimer::timeout, this, [this] { answerVisibleBox(); });
        poll.start(10);
    }
    const ModalSeen &at(qsizetype i) const { return log.at(i); }
    ModalSeen *seenAt(qsizetype i) { return &log[i]; }

private:
    void answerVisibleBox()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || next == answers.size())
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close();
            return;
        }
        ModalSeen &now = log[next];
        now = {true, box->windowTitle(), box->text(), {}};
        for (QAbstractButton *button : box->buttons())
            now.buttons.insert(box->standardButton(button), button->text());
        const QMessageBox::StandardButton answer = answers.at(next++);
        if (answer == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->reject();
    }

    QList<QMessageBox::StandardButton> answers;
    QList<ModalSeen> log;
    qsizetype next = 0;
    QTimer poll;
};

using ModalLog = std::shared_ptr<MessageBoxAnswers>;

inline ModalLog answerMessageBoxes(const QList<QMessageBox::StandardButton> &answers)
{
    return std::make_shared<MessageBoxAnswers>(answers);
}

inline std::shared_ptr<ModalSeen> answerMessageBox(QMessageBox::StandardButton which)
{
    const ModalLog log = answerMessageBoxes({which});
    return std::shared_ptr<ModalSeen>(log, log->seenAt(0));
}
