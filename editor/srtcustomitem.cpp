#include "srtcustomitem.h"

#include "ui_srtcustomitem.h"
#include "editor/editorlog.h"

#include "task/di_riror_adiriz.h"
#include "core/srtqtime.h"

#include <QDebug>
#include <QRegularExpressionValidator>
#include <QToolTip>

SRTCustomItem::SRTCustomItem(Di_riror_adiRIZ *shownTask, int index, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SRTCustomItemClass>())
    , shownTask(shownTask)
    , index(index)
{
    ui->setupUi(this);
    showEntry();

    auto *validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9:,]+$")), this);
    ui->lineEdit->setValidator(validator);
    ui->lineEdit_2->setValidator(validator);
    ui->index_label->setText(QString::number(index + 1));

    connect(ui->lineEdit, &QLineEdit::editingFinished, this,
            [this] { checkTime(ui->lineEdit, &SRTEntry::intime); });
    connect(ui->lineEdit_2, &QLineEdit::editingFinished, this,
            [this] { checkTime(ui->lineEdit_2, &SRTEntry::outtime); });
    connect(ui->textEdit, &QTextEdit::textChanged, this, &SRTCustomItem::checkText);
    connect(ui->seektoolButton, &QPushButton::clicked, this, &SRTCustomItem::seek);
    // A click into the entry's text shows its picture too, not only the small seek button.
    ui->textEdit->viewport()->installEventFilter(this);
    connect(ui->addpushButton, &QPushButton::clicked, this, [this] {
        if (this->shownTask)
            emit add_obj(this->index);
    });
    connect(ui->delpushButton, &QPushButton::clicked, this, [this] {
        if (this->shownTask)
            emit del_obj(this->index);
    });
}

SRTCustomItem::~SRTCustomItem() = default;

SRT_QTextEdit *SRTCustomItem::textField() const
{
    return ui->textEdit;
}

QString SRTCustomItem::fieldStyle(const QString &objectName, bool valid)
{
    const QString colour = valid ? QStringLiteral("rgb(0, 85, 0)") : QStringLiteral("red");
    return QStringLiteral("#%1{\nborder: 1px solid %2;\nborder-radius:3px;\n}").arg(objectName, colour);
}

const SRTEntry *SRTCustomItem::entry() const
{
    // The task's list can be replaced behind the rows (a reset, a finished run).
    if (!shownTask || index < 0 || index >= shownTask->entries.size())
        return nullptr;
    return &shownTask->entries.at(index);
}

void SRTCustomItem::showEntry()
{
    const SRTEntry *shown = entry();
    if (!shown)
        return;
    const SRTEntry copy = *shown;
    ui->lineEdit->setText(SRTQTime::clockText(copy.intime));
    ui->lineEdit_2->setText(SRTQTime::clockText(copy.outtime));
    ui->textEdit->setText(copy.text);
}

void SRTCustomItem::checkTime(QLineEdit *field, qint64 SRTEntry::*member)
{
    const QString text = field->text();
    SRTQTime time;
    if (time.parseTime(text) && !text.isEmpty()) {
        field->setStyleSheet(fieldStyle(field->objectName(), true));
        if (const SRTEntry *shown = entry()) {
            SRTEntry edited = *shown;
            edited.*member = time.toMilliseconds();
            shownTask->setEntry(index, edited);
        }
        return;
    }
    qCDebug(lcEditor) << "erro";
    QToolTip::showText(field->mapToGlobal(QPoint(100, 0)), tr("error format '00:00:00,000'"));
    field->setStyleSheet(fieldStyle(field->objectName(), false));
}

void SRTCustomItem::checkText()
{
    const QString text = ui->textEdit->toPlainText();
    if (text.isEmpty()) {
        qCDebug(lcEditor) << "erro";
        ui->textEdit->setStyleSheet(fieldStyle(ui->textEdit->objectName(), false));
        return;
    }
    ui->textEdit->setStyleSheet(fieldStyle(ui->textEdit->objectName(), true));
    if (const SRTEntry *shown = entry()) {
        SRTEntry edited = *shown;
        edited.text = text;
        shownTask->setEntry(index, edited);
    }
}

bool SRTCustomItem::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->textEdit->viewport() && event->type() == QEvent::MouseButtonPress)
        seek();
    return QWidget::eventFilter(watched, event);
}

void SRTCustomItem::seek()
{
    if (const SRTEntry *shown = entry())
        emit setVideoPosition(shown->intime);
}
