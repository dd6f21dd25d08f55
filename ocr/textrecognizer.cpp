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
    const QStringList installed = TesseractLanguages::installedModels(directory);
    // "zh-Hans+en": the engine reads both scripts, as Tesseract does with "chi_sim+eng".
    QStringList models;
    bool separateLetters = true;
    for (const QString &part : tag.split(QLatin1Char('+'))) {
        const QString model = TesseractLanguages::modelForTag(part, installed);
        if (model.isEmpty())
            return part + QStringLiteral(" Error No language");
        if (!models.contains(model))
            models << model;
        separateLetters = separateLetters && TesseractLanguages::usesSeparateLetters(part);
    }
    std::unique_ptr<TesseractEngine> created = TesseractEngine::create(directory, models.join(QLatin1Char('+')));
    if (!created)
        return QStringLiteral("NULL");
    if (models.size() > 1 && !separateLetters) {
        for (const QString &part : tag.split(QLatin1Char('+'))) {
            if (TesseractLanguages::usesSeparateLetters(part)) {
                created->setSpacedReader(TesseractEngine::create(directory, TesseractLanguages::modelForTag(part, installed)));
                break;
            }
        }
    }
    engine = std::move(created);
    m_separateLetters = separateLetters;
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
