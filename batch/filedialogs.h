#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every file and folder question of the batch page and its rows goes through here, so that a
// session without a desktop (the tests) can answer them with a handler of its own.
class FileDialogs
{
public:
    enum class Kind { OpenFile, OpenFiles, SaveFile, Folder };

    struct Request
    {
        Kind kind;
        QWidget *parent;
        QString title;
        QString directory;
        QString filter;
    };

    // Answers with the chosen paths; an empty list means the user cancelled.
    using Handler = std::function<QStringList(const Request &)>;

    // An empty handler brings the real dialogs back.
    static void setHandler(Handler handler);

    static QString openFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter);
    static QStringList openFiles(QWidget *parent, const QString &title, const QString &directory);
    static QString saveFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter);
    static QString folder(QWidget *parent, const QString &title, const QString &directory);

    // The first standard video folder, or the home folder when there is none.
    static QString moviesDirectory();

private:
    static QStringList ask(const Request &request);
    static QStringList askDesktop(const Request &request);
};
