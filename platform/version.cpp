#include "platform.h"

// Apart from the shell glue, so a program that only asks for the version (tarnix-cli) does not
// pull in the D-Bus library with it.
QString versionString()
{
    return QStringLiteral(TARNIX_VERSION_TEXT);
}
