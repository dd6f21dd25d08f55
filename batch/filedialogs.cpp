#include "filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

FileDialogs::Handler &installedHandler()
{
    static FileDialogs::Handler handler;
    return handler;
}

QString firstOf(const QStringList &paths)
{
    return paths.isEmpty() ? QString() : paths.first();
}

} // namespace

void FileDialogs::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QStringList FileDialogs::ask(const Request &request)
{
    const Handler &handler = installedHandler();
    return handler ? handler(request) : askDesktop(request);
}

QStringList FileDialogs::askDesktop(const Request &request)
{
    switch (request.kind) {
    case Kind::OpenFile:
        return {QFileDialog::getOpenFileName(request.parent, request.title, request.directory, request.filter)};
    case Kind::OpenFiles:
        return QFileDialog::getOpenFileNames(request.parent, request.title, request.directory, request.filter);
    case Kind::SaveFile:
        return {QFileDialog::getSaveFileName(request.parent, request.title, request.directory, request.filter)};
    case Kind::Folder:
        return {QFileDialog::getExistingDirectory(request.parent, request.title, request.directory)};
    }
    return {};
}

QString FileDialogs::openFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter)
{
    return firstOf(ask({Kind::OpenFile, parent, title, directory, filter}));
}

QStringList FileDialogs::openFiles(QWidget *parent, const QString &title, const QString &directory)
{
    QStringList paths = ask({Kind::OpenFiles, parent, title, directory, QString()});
    paths.removeAll(QString());
    return paths;
}

QString FileDialogs::saveFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter)
{
    return firstOf(ask({Kind::SaveFile, parent, title, directory, filter}));
}

QString FileDialogs::folder(QWidget *parent, const QString &title, const QString &directory)
{
    return firstOf(ask({Kind::Folder, parent, title, directory, QString()}));
}

QString FileDialogs::moviesDirectory()
{
    const QStringList movies = QStandardPaths::standardLocations(QStandardPaths::MoviesLocation);
    return movies.isEmpty() ? QDir::homePath() : movies.first();
}
