#pragma once

#include <QTextEdit>

// A subtitle's text field. Control+Up and Tab are left to the list, which moves between rows.
class SRT_QTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit SRT_QTextEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
