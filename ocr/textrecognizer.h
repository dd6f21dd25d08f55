#pragma once

#include "linereading.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class SharedReader;

// Turns one image into lines of text for one selected language. Languages are BCP 47 tags
// ("en", "zh-Hans") compared case-sensitively; a language entry is {tag, display name}.
//
// Two engines stand behind it: PP-OCR for the languages its dictionary covers and where it reads
// better (English and simplified Chinese), Tesseract for every other installed language. The
// choice can be forced for the process (tarnix-cli --engine) or by the setting "info/ocrEngine".
class TextRecognizer
{
public:
    enum class Engine { Automatic, Ppocr, Tesseract };
    // Shared: the loaded engine of a language is shared with every other recogniser of the process
    // (reading one at a time). Own: this recogniser loads its own, for reading in parallel.
    enum class Sharing { Shared, Own };

    // Why a language could not be selected; text() is what selectLanguage answers.
    struct LanguageRefusal
    {
        enum Reason { EngineNotCreated, NotInstalled };
        Reason reason = NotInstalled;
        QString tag; // the tag, or the part of a joined tag, that is not installed
        QString text() const;
    };

    explicit TextRecognizer(Sharing sharing = Sharing::Shared);
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer &) = delete;
    TextRecognizer &operator=(const TextRecognizer &) = delete;

    QList<QStringList> availableLanguages() const;
    QString userProfileLanguage() const;
    // "ok", "NULL" when the engine cannot be created, or "<tag> Error No language";
    // on anything but "ok" the previous engine stays selected. Several languages read together
    // are joined by "+" ("zh-Hans+en").
    QString selectLanguage(const QString &tag);
    // The same choice, with the refusal as a value; selecting the language already selected
    // loads nothing.
    std::optional<LanguageRefusal> chooseLanguage(const QString &tag);

    // A choice made in two steps, so that the engine (a good part of a second to load) can be
    // loaded on another thread: load() on any thread, then adopt() on the recogniser's own.
    struct Selection
    {
        std::shared_ptr<SharedReader> reader;
        QString tag;
        Engine preference = Engine::Automatic;
        double playbackRate = 1.0;
        std::optional<QString> engineNotice; // set when PP-OCR was considered
        std::optional<LanguageRefusal> refusal;
    };
    static Selection load(const QString &tag, Sharing sharing, double playbackRate);
    // Takes a loaded selection; a refusal leaves the previous engine selected.
    std::optional<LanguageRefusal> adopt(const Selection &selection);
    // Whether reading `tag` at `playbackRate` needs an engine loaded first.
    bool needsLoading(const QString &tag, double playbackRate) const;
    // What selecting `tag` would refuse that is known without loading: a part not installed.
    static std::optional<LanguageRefusal> checkInstalled(const QString &tag);
    // What reads for the selected language, for reading on another thread while this recogniser
    // may change its language; null before a selection.
    std::shared_ptr<SharedReader> reader() const { return m_reader; }
    // The rate of the playback run this recogniser reads for (1 outside one): at rates PP-OCR
    // cannot keep up with, Automatic reads with Tesseract (EngineChoice). Selects the language
    // again when that changes its engine.
    std::optional<LanguageRefusal> setPlaybackRate(double rate);
    // Lines top to bottom; an empty list for a picture without text, and also (with lastError()
    // set) when no language has been selected.
    QStringList recognize(QImage image);
    // The same lines with their boxes (in `image`) and confidences where the engine tells them.
    QList<LineReading> recognizeDetailed(const QImage &image);

    bool hasEngine() const;
    // What recognition without a selected language fails with.
    static QString noLanguageText();
    // Empty after a recognition that ran; the reason otherwise.
    QString lastError() const;

    // The engine that reads the selected language (Automatic before a selection).
    Engine selectedEngine() const;
    // Why PP-OCR was wanted for the selected language but Tesseract reads it; empty otherwise.
    QString engineNotice() const;

    // Process-wide choice over the setting; Automatic gives the choice back to the setting.
    static void setEngineOverride(Engine engine);
    // The override if any, else the setting "info/ocrEngine" ("auto", "ppocr", "tesseract").
    static Engine preferredEngine();
    static const char *const engineSettingKey;
    static QString engineName(Engine engine);
    static std::optional<Engine> engineFromName(const QString &name);

private:
    static bool loadPpocr(Selection *selection, Sharing sharing);

    const Sharing sharing;
    std::shared_ptr<SharedReader> m_reader;
    QString m_selectedTag;
    Engine m_selectedPreference = Engine::Automatic;
    QString m_lastError;
    QString m_engineNotice;
    double m_playbackRate = 1.0;
};
