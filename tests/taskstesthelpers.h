#pragma once

// Helpers shared by the batch page tests: fixtures, hand-made tasks, modal answers and file questions.

#include "recognition/di_riror_adiriz.h"
#include "tasks/filedialogs.h"
#include "tasks/tasklistobj.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace TasksTest {

inline QString fixture(const char *name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + QLatin1String(name);
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A task without media, as the project reader makes them, with the members a test cares about.
inline Di_riror_adiRIZ *handMadeTask(TaskListOBJ &list, const QString &videoPath, int state)
{
    auto *task = new Di_riror_adiRIZ(&list);
    task->videoPath = videoPath;
    task->videoFileName = videoPath.section(QLatin1Char('/'), -1);
    task->state = state;
    list.appendTask(task);
    return task;
}

// What a modal box showed before it was answered.
struct ModalSeen
{
    bool seen = false;
    QString title;
    QString text;
    QStringList buttons;
};

// Calls `answer` with the next modal widget that opens. The box opens inside exec(), so poll for
// it; polling ends when `watch` expires, so a test can let go of a box it expects never to see.
inline void whenModalOpens(std::weak_ptr<void> watch, std::function<void(QWidget *)> answer, int attemptsLeft = 1000)
{
    QTimer::singleShot(10, qApp, [watch, answer, attemptsLeft] {
        if (watch.expired())
            return;
        if (QWidget *modal = QApplication::activeModalWidget())
            answer(modal);
        else if (attemptsLeft > 0)
            whenModalOpens(watch, answer, attemptsLeft - 1);
    });
}

// Answers the next message box with the standard button `which` and records what it showed.
// Dropping the returned record stops waiting for the box.
inline std::shared_ptr<ModalSeen> answerMessageBox(QMessageBox::StandardButton which)
{
    auto seen = std::make_shared<ModalSeen>();
    std::weak_ptr<ModalSeen> record = seen;
    whenModalOpens(seen, [record, which](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        std::shared_ptr<ModalSeen> seen = record.lock();
        if (!box || !seen) {
            modal->close();
            return;
        }
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        for (QAbstractButton *button : box->buttons())
            seen->buttons.append(button->text());
        if (QAbstractButton *button = box->button(which))
            button->click();
        else
            box->reject();
    });
    return seen;
}

// Answers the next message boxes one after another with `answers`, in order, recording each.
inline std::shared_ptr<QList<ModalSeen>> answerMessageBoxes(QList<QMessageBox::StandardButton> answers)
{
    auto seen = std::make_shared<QList<ModalSeen>>();
    std::weak_ptr<QList<ModalSeen>> record = seen;
    auto answerNext = std::make_shared<std::function<void()>>();
    *answerNext = [record, answers, answerNext] {
        std::shared_ptr<QList<ModalSeen>> list = record.lock();
        if (!list || list->size() >= answers.size())
            return;
        whenModalOpens(list, [record, answers, answerNext](QWidget *modal) {
            std::shared_ptr<QList<ModalSeen>> list = record.lock();
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || !list) {
                modal->close();
                return;
            }
            ModalSeen now;
            now.seen = true;
            now.title = box->windowTitle();
            now.text = box->text();
            for (QAbstractButton *button : box->buttons())
                now.buttons.append(button->text());
            list->append(now);
            const QMessageBox::StandardButton which = answers.at(list->size() - 1);
            if (QAbstractButton *button = box->button(which))
                button->click();
            else
                box->reject();
            (*answerNext)();
        });
    };
    (*answerNext)();
    return seen;
}

// Answers every file question with `answers` for the lifetime of the object, recording the questions.
class FileAnswers
{
public:
    explicit FileAnswers(QStringList answers = {})
        : answers(std::move(answers))
    {
        FileDialogs::setHandler([this](const FileDialogs::Request &request) {
            asked.append(request);
            return this->answers;
        });
    }
    ~FileAnswers() { FileDialogs::setHandler({}); }
    FileAnswers(const FileAnswers &) = delete;
    FileAnswers &operator=(const FileAnswers &) = delete;

    QStringList answers;
    QList<FileDialogs::Request> asked;
};

} // namespace TasksTest
