#include "mediasource.h"

#include <QFile>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace {

const char *const sourceFileName = "tarnix-media-source-file";

void dropPreviousFile(QMediaPlayer *player)
{
    const auto files = player->findChildren<QFile *>(QLatin1String(sourceFileName), Qt::FindDirectChildrenOnly);
    for (QFile *file : files)
        file->deleteLater();
}

} // namespace

bool MediaSource::nameIsSafeForUrl(const QString &path)
{
    for (const QChar c : path) {
        if (c.unicode() > 0x7e || c.unicode() < 0x20)
            return false;
    }
    return true;
}

bool MediaSource::setPlayerSource(QMediaPlayer *player, const QString &name)
{
    // A relative name with a colon would reach the back end as a protocol.
    const QString path = QFileInfo(name).absoluteFilePath();
    const QUrl url = QUrl::fromLocalFile(path);
    if (nameIsSafeForUrl(path)) {
        player->setSource(url);
        dropPreviousFile(player);
        return true;
    }
    auto *file = new QFile(path);
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        player->setSource(QUrl());
        dropPreviousFile(player);
        return false;
    }
    dropPreviousFile(player);
    // The player neither owns nor closes the device; as its child the file lives exactly as long.
    file->setParent(player);
    file->setObjectName(QLatin1String(sourceFileName));
    player->setSourceDevice(file, url);
    return true;
}
