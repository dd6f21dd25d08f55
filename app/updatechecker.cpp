#include "updatechecker.h"

void checkForUpdates()
{
}

void showAboutBox()
{
}
