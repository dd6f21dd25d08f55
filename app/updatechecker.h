#pragma once

// Asks the maker's site once whether a newer version exists and offers it.
void checkForUpdates();
// The "about" box with the version and the site address.
void showAboutBox();
