#include "textrecognizer.h"

#include "imagepreparation.h"
#include "ppocrengine.h"
#include "ppocrmodels.h"
#include "tesseractengine.h"
#include "tesseractlanguages.h"

#include "app/appconstants.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>
#include <QLoggingCategory>
#include <QSettings>

#include <algorithm>
#include <atomic>

Q_LOGGING_CATEGORY(lcOcr, "tarnix.ocr", QtWarningMsg)

namespace {

// Languages PP-OCR's dictionary covers, and those it reads better than Tesseract on the
// benchmark (bench/ocr): the engine for them unless another is chosen.
const QStringList ppocrLanguages{QStringLiteral("en"), QStringLiteral("zh-Hans")};
const QStringList ppocrPreferred{QStringLiteral("en"), QStringLiteral("zh-Hans")};

std::atomic<int> engineOverride{int(TextRecognizer::Engine::Automatic)};
std::atomic<bool> problemReported{false};

} // namespace

const char *const TextRecognizer::engineSettingKey = "info/ocrEngine";

TextRecognizer::TextRecognizer() = default;
TextRecognizer::~TextRecognizer() = default;

QList<QStringList> TextRecognizer::availableLanguages() const
{
    const QStringList models = TesseractLanguages::installedModels(TesseractLanguages::dataDirectory());
    QList<QStringList> entries = TesseractLanguages::languageEntries(models, QLocale());
    if (!PpocrModels::problem(PpocrModels::directory()).isEmpty())
        return entries;
    for (const QString &tag : ppocrLanguages) {
        const bool listed = std::any_of(entries.cbegin(), entries.cend(),
                                        [&tag](const QStringList &entry) { return entry.value(0) == tag; });
        if (!listed)
            entries << QStringList{tag, TesseractLanguages::displayName(tag, QLocale())};
    }
    std::sort(entries.begin(), entries.end(),
              [](const QStringList &a, const QStringList &b) { return a.value(0) < b.value(0); });
    return entries;
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
    const Engine preference = preferredEngine();
    if (preference != Engine::Tesseract && selectPpocr(tag, preference))
        return QStringLiteral("ok");
    const QString directory = TesseractLanguages::dataDirectory();
    const QString model = TesseractLanguages::modelForTag(tag, TesseractLanguages::installedModels(directory));
    if (model.isEmpty())
        return tag + QStringLiteral(" Error No language");
    std::unique_ptr<TesseractEngine> created = TesseractEngine::create(directory, model);
    if (!created)
        return QStringLiteral("NULL");
    engine = std::move(created);
    ppocr.reset();
    m_separateLetters = TesseractLanguages::usesSeparateLetters(tag);
    return QStringLiteral("ok");
}

// True when PP-OCR now reads `tag`; false leaves the previous engine and asks for Tesseract.
bool TextRecognizer::selectPpocr(const QString &tag, Engine preference)
{
    const QStringList &wanted = preference == Engine::Ppocr ? ppocrLanguages : ppocrPreferred;
    m_engineNotice.clear();
    if (!wanted.contains(tag))
        return false;
    QString problem;
    std::unique_ptr<PpocrEngine> created = PpocrEngine::create(PpocrModels::directory(), &problem);
    if (!created) {
        m_engineNotice = problem;
        if (!problemReported.exchange(true))
            qCWarning(lcOcr).noquote() << "PP-OCR not available, Tesseract reads instead:" << problem;
        return false;
    }
    ppocr = std::move(created);
    engine.reset();
    return true;
}

QStringList TextRecognizer::recognize(QImage image)
{
    if (!engine && !ppocr) {
        m_lastError = QCoreApplication::translate("TextRecognizer", "未选择识别语言");
        return {};
    }
    QStringList lines;
    if (ppocr) {
        lines = ppocr->recognizeLines(image);
    } else {
        ImagePreparation::Settings settings;
        settings.piecesInsideLetters = !m_separateLetters;
        const QImage prepared = ImagePreparation(settings).prepare(image);
        lines = prepared.isNull() ? QStringList() : engine->recognizeLines(prepared);
    }
    m_lastError.clear();
    qDebug() << "length:::" << lines.size();
    qDebug() << lines;
    return lines;
}

bool TextRecognizer::hasEngine() const
{
    return engine != nullptr || ppocr != nullptr;
}

QString TextRecognizer::lastError() const
{
    return m_lastError;
}

TextRecognizer::Engine TextRecognizer::selectedEngine() const
{
    return ppocr ? Engine::Ppocr : engine ? Engine::Tesseract : Engine::Automatic;
}

QString TextRecognizer::engineNotice() const
{
    return m_engineNotice;
}

void TextRecognizer::setEngineOverride(Engine engine)
{
    engineOverride = int(engine);
}

TextRecognizer::Engine TextRecognizer::preferredEngine()
{
    const auto forced = Engine(engineOverride.load());
    if (forced != Engine::Automatic)
        return forced;
    const QSettings settings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
    return engineFromName(settings.value(engineSettingKey).toString()).value_or(Engine::Automatic);
}

QString TextRecognizer::engineName(Engine engine)
{
    switch (engine) {
    case Engine::Ppocr:
        return QStringLiteral("ppocr");
    case Engine::Tesseract:
        return QStringLiteral("tesseract");
    case Engine::Automatic:
        break;
    }
    return QStringLiteral("auto");
}

std::optional<TextRecognizer::Engine> TextRecognizer::engineFromName(const QString &name)
{
    for (Engine engine : {Engine::Automatic, Engine::Ppocr, Engine::Tesseract})
        if (name == engineName(engine))
            return engine;
    return std::nullopt;
}
