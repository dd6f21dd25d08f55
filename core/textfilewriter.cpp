#include "textfilewriter.h"

#include <QSaveFile>

QByteArray TextFileWriter::encode(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return crlf.toUtf8();
}

bool TextFileWriter::write(const QString &path, const QString &text, QString *errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    const QByteArray bytes = encode(text);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
