#include "textrecognizer.h"

#include "enginechoice.h"
#include "imagepreparation.h"
#include "ppocrengine.h"
#include "ppocrmodels.h"
#include "tesseractengine.h"
#include "tesseractlanguages.h"

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

// One PP-OCR engine per thread, shared by every recogniser on it: its networks take some 400 MB,
// a batch holds a recogniser per task, and recognisers on one thread never read at once.
std::shared_ptr<PpocrEngine> sharedPpocrEngine(QString *problem)
{
    thread_local std::weak_ptr<PpocrEngine> cached;
    thread_local QString cachedDirectory;
    const QString directory = PpocrModels::directory();
    if (std::shared_ptr<PpocrEngine> engine = cached.lock(); engine && directory == cachedDirectory)
        return engine;
    std::shared_ptr<PpocrEngine> created = PpocrEngine::create(directory, problem);
    if (created) {
        cached = created;
        cachedDirectory = directory;
    }
    return created;
}

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

QString TextRecognizer::setPlaybackRate(double rate)
{
    const Engine before = EngineChoice::forPlayback(preferredEngine(), m_playbackRate);
    m_playbackRate = rate;
    if (m_selectedTag.isEmpty() || EngineChoice::forPlayback(preferredEngine(), rate) == before)
        return QStringLiteral("ok");
    return selectLanguage(m_selectedTag);
}

QString TextRecognizer::selectLanguage(const QString &tag)
{
    const Engine preference = EngineChoice::forPlayback(preferredEngine(), m_playbackRate);
    if (preference != Engine::Tesseract && selectPpocr(tag, preference)) {
        m_selectedTag = tag;
        return QStringLiteral("ok");
    }
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
    ppocr.reset();
    m_separateLetters = separateLetters;
    m_selectedTag = tag;
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
    std::shared_ptr<PpocrEngine> created = sharedPpocrEngine(&problem);
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
