#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

namespace tesseract {
class TessBaseAPI;
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

private:
    TesseractEngine();

    std::unique_ptr<tesseract::TessBaseAPI> api;
};
