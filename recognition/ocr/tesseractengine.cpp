#include "tesseractengine.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <string>
#include <vector>

TesseractEngine::TesseractEngine() : api(std::make_unique<tesseract::TessBaseAPI>()) {}

TesseractEngine::~TesseractEngine()
{
    if (api)
        api->End();
}

std::unique_ptr<TesseractEngine> TesseractEngine::create(const QString &dataDirectory, const QString &model)
{
    std::unique_ptr<TesseractEngine> engine(new TesseractEngine);
    // Set at initialisation so that nothing reaches the console, not even the loading messages.
    const std::vector<std::string> names{"debug_file", "user_defined_dpi"};
    const std::vector<std::string> values{"/dev/null", "300"};
    const QByteArray path = dataDirectory.toUtf8();
    const QByteArray language = model.toUtf8();
    if (engine->api->Init(path.constData(), language.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                          &names, &values, false) != 0)
        return nullptr;
    engine->api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    return engine;
}

QStringList TesseractEngine::recognizeLines(const QImage &greyscale)
{
    const QImage grey = greyscale.convertToFormat(QImage::Format_Grayscale8);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    QStringList lines;
    if (api->Recognize(nullptr) != 0)
        return lines;
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (!it)
        return lines;
    do {
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
        if (text)
            lines << QString::fromUtf8(text.get()).trimmed();
    } while (it->Next(tesseract::RIL_TEXTLINE));
    return lines;
}
