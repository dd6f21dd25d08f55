#pragma once

#include <QString>

// Writes subtitle text the way every export does: UTF-8 without byte-order mark and CR LF line
// ends on every platform, through a temporary file so a failed write never leaves half a file.
class TextFileWriter
{
public:
    static bool write(const QString &path, const QString &text, QString *errorText = nullptr);
    static QByteArray encode(const QString &text);
};
