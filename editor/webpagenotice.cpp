#include "webpagenotice.h"

#include "platform/platform.h"

#include <QMessageBox>

void WebPageNotice::open(QWidget *window, const std::string &address)
{
    if (openWebPage(address))
        return;
    const QString text = QString::fromStdString(address);
    auto *box = new QMessageBox(QMessageBox::Information, tr("无法打开网页"),
                                tr("没有可以打开网页的浏览器。请手动打开这个地址：") + QLatin1Char('\n') + text,
                                QMessageBox::Ok, window);
    // The address can be selected and copied.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
