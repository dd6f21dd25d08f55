#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class TesseractEngine;

// Turns one image into lines of text for one selected language. Languages are BCP 47 tags
// ("en", "zh-Hans") compared case-sensitively; a language entry is {tag, display name}.
class TextRecognizer
{
public:
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
    // Lines top to bottom; an empty list for a picture without text, and also (with lastError()
    // set) when no language has been selected.
    QStringList recognize(QImage image);

    bool hasEngine() const;
    // Empty after a recognition that ran; the reason otherwise.
    QString lastError() const;

private:
    std::unique_ptr<TesseractEngine> engine;
    QString m_lastError;
    bool m_separateLetters = true; // the selected language's script, for the image preparation
};
