#include "mediabackend.h"

#include <QMediaPlayer>

void MediaBackend::load()
{
    // The back end stays loaded for the rest of the process once a player has been made.
    QMediaPlayer player;
}
