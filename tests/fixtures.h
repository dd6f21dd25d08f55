#pragma once

#include <QString>

// A file rendered by scripts/render-fixtures.sh into the build tree.
inline QString fixture(const QString &name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + name;
}
