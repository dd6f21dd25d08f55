#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

namespace tesseract {
class TessBaseAPI;
class ResultIterator;
}

// One initialised Tesseract instance for one traineddata model. Takes black-on-white greyscale
// pictures and gives the recognised lines.
class TesseractEngine
{
public:
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine &) = delete;
    TesseractEngine &operator=(const TesseractEngine &) = delete;

    // Null when the model cannot be loaded.
    static std::unique_ptr<TesseractEngine> create(const QString &dataDirectory, const QString &model);

    QStringList recognizeLines(const QImage &greyscale);
    // For a model of several scripts ("chi_sim+eng"): lines written in Latin letters are read once
    // more by this engine alone, because the Chinese model runs Latin words together ("Itis").
    void setSpacedReader(std::unique_ptr<TesseractEngine> reader);

private:
    TesseractEngine();
    QString readOneLine(const QImage &greyscale);
    QString rereadIfLatin(const QString &line, const QImage &grey, tesseract::ResultIterator &it);

    std::unique_ptr<tesseract::TessBaseAPI> api;
    std::unique_ptr<TesseractEngine> spacedReader;
};
