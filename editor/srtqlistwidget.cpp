#include "srtqlistwidget.h"

#include "editor/editorlog.h"
#include "srt_qtextedit.h"
#include "srtcustomitem.h"

#include "task/di_riror_adiriz.h"

#include <QDebug>
#include <QKeyEvent>
#include <QScopedValueRollback>

SRTQListWidget::SRTQListWidget(QWidget *parent)
    : QListWidget(parent)
{
    qCDebug(lcEditor) << "yyyyy";
}

void SRTQListWidget::setTask(Di_riror_adiRIZ *shownTask)
{
    disconnect(completedConnection);
    this->shownTask = shownTask;
    if (!shownTask) {
        clear();
        return;
    }
    // A finished run replaces the entries; rows bound to the old ones would show stale texts.
    completedConnection = connect(shownTask, &Di_riror_adiRIZ::completedSig, this, &SRTQListWidget::refreshItems);
}

void SRTQListWidget::refreshItems()
{
    if (refreshing)
        return; // already rebuilding further up the stack
    const QScopedValueRollback<bool> guard(refreshing, true);

    const qsizetype count = shownTask ? shownTask->entries.size() : 0;
    // Row widgets go with their items (deferred), so a row may trigger this from its own button.
    clear();
    for (int i = 0; i < count; ++i) {
        auto *row = new SRTCustomItem(shownTask, i);
        auto *item = new QListWidgetItem;
        item->setSizeHint(row->size());
        addItem(item);
        setItemWidget(item, row);
        connectRow(row);
    }
    update();
    setCurrentRow(pendingRow);
}

void SRTQListWidget::connectRow(SRTCustomItem *row)
{
    connect(row, &SRTCustomItem::setVideoPosition, this, &SRTQListWidget::setVideoPosition);
    connect(row, &SRTCustomItem::add_obj, this, [this](qlonglong tag) { insertBlankEntry(int(tag)); });
    connect(row, &SRTCustomItem::del_obj, this, [this](qlonglong tag) { removeEntry(int(tag)); });
}

SRTCustomItem *SRTQListWidget::rowWidget(int row) const
{
    return qobject_cast<SRTCustomItem *>(itemWidget(item(row)));
}

void SRTQListWidget::insertBlankEntry(int index)
{
    if (!shownTask || !shownTask->insertEntry(index, SRTEntry{}))
        return;
    pendingRow = index;
    refreshItems();
}

void SRTQListWidget::removeEntry(int index)
{
    if (!shownTask || !shownTask->removeEntry(index))
        return;
    pendingRow = index;
    refreshItems();
}

void SRTQListWidget::nowTime(qlonglong time)
{
    if (!shownTask)
        return;
    // The entries were replaced or cleared behind the list (a reset from the task list).
    if (shownTask->entries.size() != count())
        refreshItems();
    const QList<SRTEntry> &entries = shownTask->entries;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].intime <= time && time <= entries[i].outtime) {
            setCurrentRow(i);
            return;
        }
    }
}

void SRTQListWidget::keyPressEvent(QKeyEvent *event)
{
    qCDebug(lcEditor) << event->key();
    switch (event->key()) {
    case Qt::Key_Up:
        setCurrentRow(currentRow() - 1);
        break;
    case Qt::Key_Down:
        setCurrentRow(currentRow() + 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        focusCurrentText();
        break;
    default:
        // Ignored here, so the editor gets its playback and marker keys.
        QWidget::keyPressEvent(event);
        break;
    }
}

void SRTQListWidget::focusCurrentText()
{
    if (currentRow() < 0)
        return;
    if (SRTCustomItem *row = rowWidget(currentRow()))
        row->textField()->setFocus(Qt::OtherFocusReason);
}
