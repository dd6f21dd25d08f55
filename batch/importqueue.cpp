#include "importqueue.h"

#include <QDir>
#include <QMessageBox>
#include <QWidget>

namespace {

QString linesOf(const QStringList &items)
{
    return items.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

ImportQueue::ImportQueue(QWidget *window)
    : QObject(window)
    , window(window)
{
}

void ImportQueue::setKnownPaths(std::function<QStringList()> paths)
{
    knownPaths = std::move(paths);
}

void ImportQueue::add(const QStringList &paths)
{
    pending.append(paths);
    if (!isImporting())
        startNext();
}

bool ImportQueue::isImporting() const
{
    return askingAboutRepeats || (check && check->isRunning());
}

void ImportQueue::clear()
{
    pending.clear();
    askingAboutRepeats = false;
    delete check;
    check = nullptr;
}

VideoImportCheck *ImportQueue::makeCheck()
{
    if (!check) {
        check = new VideoImportCheck(this);
        connect(check, &VideoImportCheck::videoFound, this, &ImportQueue::videoFound);
        connect(check, &VideoImportCheck::finished, this, &ImportQueue::onChecked);
    }
    return check;
}

void ImportQueue::startNext()
{
    if (isImporting())
        return;
    if (pending.isEmpty()) {
        emit allChecked();
        return;
    }
    const QStringList paths = pending.takeFirst();
    const QStringList known = knownPaths ? knownPaths() : QStringList();
    const QStringList repeated = VideoImportCheck::repeatedPaths(paths, known);
    if (repeated.isEmpty()) {
        makeCheck()->start(paths);
        return;
    }
    // The same file twice is two tasks only when the user wants that (another range, say).
    askingAboutRepeats = true;
    auto *box = new QMessageBox(QMessageBox::Question, tr("重复的文件"),
                                tr("以下文件已经在列表中，是否再次添加？") + QLatin1Char('\n') + linesOf(repeated),
                                QMessageBox::Yes | QMessageBox::No, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, paths, known](int answer) {
        if (!askingAboutRepeats)
            return; // the batch was replaced meanwhile
        askingAboutRepeats = false;
        makeCheck()->start(answer == QMessageBox::Yes ? paths : VideoImportCheck::withoutRepeats(paths, known));
    });
    box->open();
}

void ImportQueue::onChecked(const QStringList &rejected, const QList<VideoImportCheck::Reason> &reasons)
{
    emit importChecked();
    // The box waits for the user; the next import goes on meanwhile.
    if (!rejected.isEmpty()) {
        QStringList refusals;
        for (qsizetype i = 0; i < rejected.size(); ++i)
            refusals.append(VideoImportCheck::refusalText(QDir::toNativeSeparators(rejected.at(i)), reasons.value(i)));
        auto *box = new QMessageBox(QMessageBox::Warning, tr("以下文件不能导入"), linesOf(refusals), QMessageBox::Ok, window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    QMetaObject::invokeMethod(this, &ImportQueue::startNext, Qt::QueuedConnection);
}
