#include "srt_qtextedit.h"

#include <QKeyEvent>

SRT_QTextEdit::SRT_QTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
}

void SRT_QTextEdit::keyPressEvent(QKeyEvent *event)
{
    const bool previousRow = event->key() == Qt::Key_Up && event->modifiers() == Qt::ControlModifier;
    if (previousRow || event->key() == Qt::Key_Tab) {
        // QWidget's handling ignores the key, so it travels up to the list.
        QWidget::keyPressEvent(event);
        return;
    }
    QTextEdit::keyPressEvent(event);
}
