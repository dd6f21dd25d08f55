#include "textrecognizer.h"

#include "enginechoice.h"
#include "ocr/ppocr/ppocrmodels.h"
#include "sharedreader.h"
#include "ocr/tesseract/tesseractlanguages.h"

#include "platform/appconstants.h"

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

TextRecognizer::TextRecognizer(Sharing sharing)
    : sharing(sharing)
{
}

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

QString TextRecognizer::LanguageRefusal::text() const
{
    return reason == EngineNotCreated ? QStringLiteral("NULL") : tag + QStringLiteral(" Error No language");
}

std::optional<TextRecognizer::LanguageRefusal> TextRecognizer::setPlaybackRate(double rate)
{
    m_playbackRate = rate;
    // Choosing the language already selected is free unless the rate changes its engine.
    return m_selectedTag.isEmpty() ? std::nullopt : chooseLanguage(m_selectedTag);
}

QString TextRecognizer::selectLanguage(const QString &tag)
{
    const std::optional<LanguageRefusal> refusal = chooseLanguage(tag);
    return refusal ? refusal->text() : QStringLiteral("ok");
}

std::optional<TextRecognizer::LanguageRefusal> TextRecognizer::chooseLanguage(const QString &tag)
{
    if (!needsLoading(tag, m_playbackRate))
        return std::nullopt;
    return adopt(load(tag, sharing, m_playbackRate));
}

bool TextRecognizer::needsLoading(const QString &tag, double playbackRate) const
{
    const Engine preference = EngineChoice::forPlayback(preferredEngine(), playbackRate);
    return !m_reader || tag != m_selectedTag || preference != m_selectedPreference;
}

std::optional<TextRecognizer::LanguageRefusal> TextRecognizer::adopt(const Selection &selection)
{
    if (selection.engineNotice)
        m_engineNotice = *selection.engineNotice;
    if (selection.refusal)
        return selection.refusal;
    m_reader = selection.reader;
    m_selectedTag = selection.tag;
    m_selectedPreference = selection.preference;
    m_playbackRate = selection.playbackRate;
    return std::nullopt;
}

namespace {

struct TesseractModels
{
    QStringList models;
    QString spacedModel;
    bool separateLetters = true;
    std::optional<TextRecognizer::LanguageRefusal> refusal;
};

TesseractModels tesseractModels(const QString &tag, const QStringList &installed)
{
    // "zh-Hans+en": the engine reads both scripts, as Tesseract does with "chi_sim+eng".
    TesseractModels found;
    for (const QString &part : tag.split(QLatin1Char('+'))) {
        const QString model = TesseractLanguages::modelForTag(part, installed);
        if (model.isEmpty()) {
            found.refusal = TextRecognizer::LanguageRefusal{TextRecognizer::LanguageRefusal::NotInstalled, part};
            return found;
        }
        if (!found.models.contains(model))
            found.models << model;
        found.separateLetters = found.separateLetters && TesseractLanguages::usesSeparateLetters(part);
    }
    if (found.models.size() > 1 && !found.separateLetters) {
        for (const QString &part : tag.split(QLatin1Char('+'))) {
            if (TesseractLanguages::usesSeparateLetters(part)) {
                found.spacedModel = TesseractLanguages::modelForTag(part, installed);
                break;
            }
        }
    }
    return found;
}

bool wantsPpocr(const QString &tag, TextRecognizer::Engine preference)
{
    const QStringList &wanted = preference == TextRecognizer::Engine::Ppocr ? ppocrLanguages : ppocrPreferred;
    // One dictionary holds both scripts, so "zh-Hans+en" is read in one pass, words of both in
    // one line included; Tesseract's joined models misread short Chinese words next to Latin ones.
    const QStringList parts = tag.split(QLatin1Char('+'));
    return preference != TextRecognizer::Engine::Tesseract
           && std::all_of(parts.cbegin(), parts.cend(), [&wanted](const QString &part) { return wanted.contains(part); });
}

} // namespace

TextRecognizer::Selection TextRecognizer::load(const QString &tag, Sharing sharing, double playbackRate)
{
    Selection selection;
    selection.tag = tag;
    selection.playbackRate = playbackRate;
    selection.preference = EngineChoice::forPlayback(preferredEngine(), playbackRate);
    if (selection.preference != Engine::Tesseract)
        selection.engineNotice = QString();
    if (wantsPpocr(tag, selection.preference) && loadPpocr(&selection, sharing))
        return selection;
    const QString directory = TesseractLanguages::dataDirectory();
    const TesseractModels found = tesseractModels(tag, TesseractLanguages::installedModels(directory));
    if (found.refusal) {
        selection.refusal = found.refusal;
        return selection;
    }
    selection.reader = SharedReader::tesseract(
        directory, found.models.join(QLatin1Char('+')), found.spacedModel, found.separateLetters,
        sharing == Sharing::Own ? SharedReader::Sharing::Own : SharedReader::Sharing::Shared);
    if (!selection.reader)
        selection.refusal = LanguageRefusal{LanguageRefusal::EngineNotCreated, tag};
    return selection;
}

// True when PP-OCR reads `selection`'s tag; false asks for Tesseract, with the reason as notice.
bool TextRecognizer::loadPpocr(Selection *selection, Sharing sharing)
{
    QString problem;
    // English alone is read by the Latin classes; "zh-Hans+en" needs every class.
    const bool latinOnly = selection->tag == QLatin1String("en");
    selection->reader = SharedReader::ppocr(
        PpocrModels::directory(), latinOnly,
        sharing == Sharing::Own ? SharedReader::Sharing::Own : SharedReader::Sharing::Shared, &problem);
    if (selection->reader)
        return true;
    selection->engineNotice = problem;
    if (!problemReported.exchange(true))
        qCWarning(lcOcr).noquote() << "PP-OCR not available, Tesseract reads instead:" << problem;
    return false;
}

std::optional<TextRecognizer::LanguageRefusal> TextRecognizer::checkInstalled(const QString &tag)
{
    if (wantsPpocr(tag, preferredEngine()) && PpocrModels::problem(PpocrModels::directory()).isEmpty())
        return std::nullopt;
    const QString directory = TesseractLanguages::dataDirectory();
    return tesseractModels(tag, TesseractLanguages::installedModels(directory)).refusal;
}

QStringList TextRecognizer::recognize(QImage image)
{
    if (!m_reader) {
        m_lastError = noLanguageText();
        return {};
    }
    const QStringList lines = m_reader->read(image);
    m_lastError.clear();
    qCDebug(lcOcr) << "length:::" << lines.size();
    qCDebug(lcOcr) << lines;
    return lines;
}

QList<LineReading> TextRecognizer::recognizeDetailed(const QImage &image)
{
    if (!m_reader) {
        m_lastError = noLanguageText();
        return {};
    }
    m_lastError.clear();
    return m_reader->readDetailed(image);
}

QString TextRecognizer::noLanguageText()
{
    return QCoreApplication::translate("TextRecognizer", "未选择识别语言");
}

bool TextRecognizer::hasEngine() const
{
    return m_reader != nullptr;
}

QString TextRecognizer::lastError() const
{
    return m_lastError;
}

TextRecognizer::Engine TextRecognizer::selectedEngine() const
{
    return !m_reader ? Engine::Automatic : m_reader->isPpocr() ? Engine::Ppocr : Engine::Tesseract;
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
