#include "platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

bool openWebPage(const std::string &address)
{
#ifdef Q_OS_WIN
    const std::wstring wide(address.begin(), address.end());
    // Values above 32 mean success.
    return reinterpret_cast<quintptr>(ShellExecuteW(nullptr, L"open", L"explorer.exe", wide.c_str(), nullptr, SW_SHOW)) > 32;
#else
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
#endif
}

bool openFolder(const QString &path)
{
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("explorer"), {QDir::toNativeSeparators(path)});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

bool revealFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isDir())
        return openFolder(path);
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("explorer"),
                                   {QStringLiteral("/select,"), QDir::toNativeSeparators(path)});
#else
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    // No file manager on the bus: the folder that holds the file is the next best thing.
    return info.dir().exists() && openFolder(info.absolutePath());
#endif
}

void returnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
