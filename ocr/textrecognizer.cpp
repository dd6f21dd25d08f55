#include "textrecognizer.h"

#include "imagepreparation.h"
#include "tesseractengine.h"
#include "tesseractlanguages.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>

TextRecognizer::TextRecognizer() = default;
TextRecognizer::~TextRecognizer() = default;

QList<QStringList> TextRecognizer::availableLanguages() const
{
    const QStringList models = TesseractLanguages::installedModels(TesseractLanguages::dataDirectory());
    return TesseractLanguages::languageEntries(models, QLocale());
}

QString TextRecognizer::userProfileLanguage() const
{
    QStringList installedTags;
    for (const QStringList &language : availableLanguages())
        installedTags << language.value(0);
    return TesseractLanguages::preferredTag(QLocale::system().uiLanguages(), installedTags);
}

QString TextRecognizer::selectLanguage(const QString &tag)
{
    const QString directory = TesseractLanguages::dataDirectory();
    const QString model = TesseractLanguages::modelForTag(tag, TesseractLanguages::installedModels(directory));
    if (model.isEmpty())
        return tag + QStringLiteral(" Error No language");
    std::unique_ptr<TesseractEngine> created = TesseractEngine::create(directory, model);
    if (!created)
        return QStringLiteral("NULL");
    engine = std::move(created);
    m_separateLetters = TesseractLanguages::usesSeparateLetters(tag);
    return QStringLiteral("ok");
}

QStringList TextRecognizer::recognize(QImage image)
{
    if (!engine) {
        m_lastError = QCoreApplication::translate("TextRecognizer", "未选择识别语言");
        return {};
    }
    ImagePreparation::Settings settings;
    settings.piecesInsideLetters = !m_separateLetters;
    const QImage prepared = ImagePreparation(settings).prepare(image);
    const QStringList lines = prepared.isNull() ? QStringList() : engine->recognizeLines(prepared);
    m_lastError.clear();
    qDebug() << "length:::" << lines.size();
    qDebug() << lines;
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
