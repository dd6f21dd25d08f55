#include "textrecognizer.h"

#include "tesseractengine.h"

#include <QDebug>
#include <QDir>

namespace {
QString dataDirectory()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return prefix.isEmpty() ? QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") : prefix;
}
}

TextRecognizer::TextRecognizer() = default;
TextRecognizer::~TextRecognizer() = default;

QList<QStringList> TextRecognizer::availableLanguages() const
{
    QList<QStringList> languages;
    const QDir dir(dataDirectory());
    if (dir.exists(QStringLiteral("eng.traineddata")))
        languages << QStringList{QStringLiteral("en"), QStringLiteral("English")};
    if (dir.exists(QStringLiteral("chi_sim.traineddata")))
        languages << QStringList{QStringLiteral("zh-Hans"), QStringLiteral("Chinese (Simplified)")};
    return languages;
}

QString TextRecognizer::userProfileLanguage() const
{
    return QStringLiteral("en");
}

QString TextRecognizer::selectLanguage(const QString &tag)
{
    for (const QStringList &language : availableLanguages()) {
        if (language.value(0) != tag)
            continue;
        auto created = TesseractEngine::create(dataDirectory(),
                                               tag == QLatin1String("en") ? QStringLiteral("eng")
                                                                         : QStringLiteral("chi_sim"));
        if (!created)
            return QStringLiteral("NULL");
        engine = std::move(created);
        return QStringLiteral("ok");
    }
    return tag + QStringLiteral(" Error No language");
}

QStringList TextRecognizer::recognize(QImage image)
{
    if (!engine) {
        m_lastError = QStringLiteral("no recognition language selected");
        return {};
    }
    const QStringList lines = engine->recognizeLines(image);
    m_lastError.clear();
    qDebug() << "length:::" << lines.size();
    return lines;
}

bool TextRecognizer::hasEngine() const
{
    return engine != nullptr;
}

QString TextRecognizer::lastError() const
{
    return m_lastError;
}
