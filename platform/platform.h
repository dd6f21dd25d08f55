#pragma once

#include <QString>

#include <string>

// The few places the program touches the desktop. Nothing else in the code knows the platform.

// Opens a web address in the user's browser; false when nothing could take it.
bool openWebPage(const std::string &address);
// Shows a file selected in the desktop's file manager, or opens a folder; false when nothing could be started.
bool revealFile(const QString &path);
// Opens a folder in the desktop's file manager.
bool openFolder(const QString &path);
// The program's own version as "a.b.c.d".
QString versionString();
// Gives memory freed by finished work back to the system. The C library keeps freed memory for
// reuse by the thread that freed it, so a batch whose every scan ran on new threads grew by a
// scan's buffers with every task.
void returnFreedMemory();
