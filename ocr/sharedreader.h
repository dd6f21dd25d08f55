#pragma once

#include "linereading.h"

#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

class PpocrEngine;
class TesseractEngine;

// A loaded OCR engine for one language set, with the preparation its pictures need. Loading takes
// tens of megabytes and a good part of a second, so every recogniser asking for the same set shares
// one while any of them holds it. An engine object must not read on two threads at once: reading
// takes the reader's lock, so sharing is safe and readers that must run in parallel (the fast
// scan's pool) load their own.
class SharedReader
{
public:
    enum class Sharing { Shared, Own };

    ~SharedReader();
    SharedReader(const SharedReader &) = delete;
    SharedReader &operator=(const SharedReader &) = delete;

    // Tesseract with `models` ("chi_sim+eng"); `spacedModel`, when given, rereads Latin lines (see
    // TesseractEngine::setSpacedReader). Null when the model cannot be loaded.
    static std::shared_ptr<SharedReader> tesseract(const QString &directory, const QString &models,
                                                   const QString &spacedModel, bool separateLetters, Sharing sharing);
    // PP-OCR from `directory`; null with `problem` set when its models cannot be read.
    // `latinOnly` for a language written in Latin script alone (PpocrEngine::Settings).
    static std::shared_ptr<SharedReader> ppocr(const QString &directory, bool latinOnly, Sharing sharing,
                                               QString *problem);

    bool isPpocr() const { return ppocrEngine != nullptr; }
    // Lines top to bottom; waits while another thread reads with this reader.
    QStringList read(const QImage &image);
    // The same lines with their boxes and confidences where the engine tells them (PP-OCR).
    QList<LineReading> readDetailed(const QImage &image);

private:
    SharedReader();

    QMutex mutex;
    std::unique_ptr<TesseractEngine> tesseractEngine;
    std::unique_ptr<PpocrEngine> ppocrEngine;
    bool separateLetters = true; // the language's script, for the image preparation
};
