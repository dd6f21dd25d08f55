#pragma once

#include "task/di_riror_adiriz.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLineEdit;
class SRT_QTextEdit;
struct SRTEntry;

namespace Ui {
class SRTCustomItemClass;
}

// One row of the subtitle list: start time, end time and text of the entry at `index` of the
// task's entries. Every valid edit is written into the task at once.
class SRTCustomItem : public QWidget
{
    Q_OBJECT
public:
    explicit SRTCustomItem(Di_riror_adiRIZ *shownTask, int index, QWidget *parent = nullptr);
    ~SRTCustomItem() override;

    int entryIndex() const { return index; }
    SRT_QTextEdit *textField() const;

    // The exact border style of a field, green when its content is valid, red otherwise.
    static QString fieldStyle(const QString &objectName, bool valid);

signals:
    void setVideoPosition(qlonglong time);
    void del_obj(qlonglong tag);
    void add_obj(qlonglong tag);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The entry this row edits, or nullptr when the task is gone or its list got shorter.
    const SRTEntry *entry() const;
    void showEntry();
    void checkTime(QLineEdit *field, qint64 SRTEntry::*member);
    void checkText();
    void seek();

    std::unique_ptr<Ui::SRTCustomItemClass> ui;
    QPointer<Di_riror_adiRIZ> shownTask;
    int index = -1;
};
