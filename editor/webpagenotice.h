#pragma once

#include <QCoreApplication>

#include <string>

class QWidget;

// Opens a web page from a window; where no browser takes it, the window says so and gives the
// address to open by hand.
class WebPageNotice
{
    Q_DECLARE_TR_FUNCTIONS(WebPageNotice)
public:
    static void open(QWidget *window, const std::string &address);
};
