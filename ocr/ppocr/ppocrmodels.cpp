#include "ppocrmodels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

QString PpocrModels::directory()
{
    if (qEnvironmentVariableIsSet("TARNIX_PPOCR_MODELS"))
        return qEnvironmentVariable("TARNIX_PPOCR_MODELS");
    const QString installed
        = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/tarnix/ppocr"));
    if (problem(installed).isEmpty())
        return QDir::cleanPath(installed);
    return QStringLiteral(TARNIX_PPOCR_BUILD_DIR);
}

QString PpocrModels::problem(const QString &directory)
{
    QStringList missing;
    if (!QFileInfo::exists(detectorPath(directory)))
        missing << QStringLiteral("det.onnx");
    if (!QFileInfo::exists(dictionaryPath(directory)))
        missing << QStringLiteral("keys.txt");
    if (recognizerWidths(directory).isEmpty())
        missing << QStringLiteral("rec-*.onnx");
    if (missing.isEmpty())
        return {};
    return QStringLiteral("PP-OCR models missing in %1 (%2); run scripts/fetch-models.sh")
        .arg(QDir::toNativeSeparators(directory), missing.join(QStringLiteral(", ")));
}

QList<int> PpocrModels::recognizerWidths(const QString &directory)
{
    static const QRegularExpression name(QStringLiteral("^rec-(\\d+)\\.onnx$"));
    QList<int> widths;
    const QStringList files = QDir(directory).entryList({QStringLiteral("rec-*.onnx")}, QDir::Files);
    for (const QString &file : files) {
        const QRegularExpressionMatch match = name.match(file);
        if (match.hasMatch())
            widths << match.captured(1).toInt();
    }
    std::sort(widths.begin(), widths.end());
    return widths;
}

QString PpocrModels::detectorPath(const QString &directory)
{
    return QDir(directory).filePath(QStringLiteral("det.onnx"));
}

QString PpocrModels::recognizerPath(const QString &directory, int width)
{
    return QDir(directory).filePath(QStringLiteral("rec-%1.onnx").arg(width));
}

QString PpocrModels::dictionaryPath(const QString &directory)
{
    return QDir(directory).filePath(QStringLiteral("keys.txt"));
}
