#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class PpocrEngine;
class TesseractEngine;

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

    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer &) = delete;
    TextRecognizer &operator=(const TextRecognizer &) = delete;

    QList<QStringList> availableLanguages() const;
    QString userProfileLanguage() const;
    // "ok", "NULL" when the engine cannot be created, or "<tag> Error No language";
    // on anything but "ok" the previous engine stays selected. Several languages read together
    // are joined by "+" ("zh-Hans+en").
    QString selectLanguage(const QString &tag);
    // The rate of the playback run this recogniser reads for (1 outside one): at rates PP-OCR
    // cannot keep up with, Automatic reads with Tesseract (EngineChoice). Selects the language
    // again when that changes its engine; the answer is selectLanguage's ("ok" when unchanged).
    QString setPlaybackRate(double rate);
    // Lines top to bottom; an empty list for a picture without text, and also (with lastError()
    // set) when no language has been selected.
    QStringList recognize(QImage image);

    bool hasEngine() const;
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
    bool selectPpocr(const QString &tag, Engine preference);

    std::unique_ptr<TesseractEngine> engine;
    std::shared_ptr<PpocrEngine> ppocr;
    QString m_lastError;
    QString m_engineNotice;
    bool m_separateLetters = true; // the selected language's script, for the image preparation
    QString m_selectedTag;
    double m_playbackRate = 1.0;
};
