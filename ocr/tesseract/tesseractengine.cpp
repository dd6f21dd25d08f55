#include "tesseractengine.h"

#include "ocr/letters/linetextrules.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <string>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

constexpr int recognitionDeadlineMs = 400;

// Given at initialisation so that nothing reaches the console, not even while loading.
// The pictures come prepared as dark text on white, so Tesseract's second pass over inverted
// lines would only cost time.
const std::vector<std::string> variableNames{"debug_file", "user_defined_dpi", "tessedit_do_invert"};
const std::vector<std::string> variableValues{"/dev/null", "300", "0"};

QString wordText(tesseract::ResultIterator &it)
{
    std::unique_ptr<char[]> text(it.GetUTF8Text(tesseract::RIL_WORD));
    return text ? QString::fromUtf8(text.get()) : QString();
}

// Recognition runs once per sampled frame while the video decodes on other threads. Tesseract's
// OpenMP teams spin on every core between tiny work items: on two cores that made recognition
// three to four times slower than doing the same work on the calling thread alone.
bool isMostlyLatin(const QString &line)
{
    int latin = 0;
    int other = 0;
    for (const QChar character : line) {
        if (!character.isLetter())
            continue;
        (character.script() == QChar::Script_Latin ? latin : other)++;
    }
    return latin > 0 && latin >= 4 * other;
}

void runOnThisThreadOnly()
{
#ifdef _OPENMP
    omp_set_dynamic(0);
    omp_set_max_active_levels(0);
#endif
}

} // namespace

TesseractEngine::TesseractEngine() : api(std::make_unique<tesseract::TessBaseAPI>()) {}

TesseractEngine::~TesseractEngine()
{
    api->End();
}

std::unique_ptr<TesseractEngine> TesseractEngine::create(const QString &dataDirectory, const QString &model)
{
    std::unique_ptr<TesseractEngine> engine(new TesseractEngine);
    const QByteArray path = dataDirectory.toUtf8();
    const QByteArray language = model.toUtf8();
    if (engine->api->Init(path.constData(), language.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                          &variableNames, &variableValues, false)
        != 0)
        return nullptr;
    engine->api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    return engine;
}

QStringList TesseractEngine::recognizeLines(const QImage &picture)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QStringList lines;
    if (grey.isNull())
        return lines;
    runOnThisThreadOnly();
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(300);
    // Texture taken for text can keep Tesseract busy for seconds; the frames keep coming and a
    // line that needs this long is not worth having.
    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(recognitionDeadlineMs);
    if (api->Recognize(&monitor) != 0) {
        api->Clear();
        return lines;
    }
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it && !it->Empty(tesseract::RIL_WORD)) {
        QList<LineTextRules::Word> words;
        for (;;) {
            words << LineTextRules::Word{wordText(*it), it->Confidence(tesseract::RIL_WORD)};
            const bool lineEnds = it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD);
            if (lineEnds) {
                const QString line = LineTextRules::acceptedLine(words);
                if (!line.isEmpty())
                    lines << rereadIfLatin(line, grey, *it);
                words.clear();
            }
            if (!it->Next(tesseract::RIL_WORD))
                break;
        }
        if (!words.isEmpty()) {
            const QString line = LineTextRules::acceptedLine(words);
            if (!line.isEmpty())
                lines << line;
        }
    }
    api->Clear();
    return lines;
}

void TesseractEngine::setSpacedReader(std::unique_ptr<TesseractEngine> reader)
{
    spacedReader = std::move(reader);
}

QString TesseractEngine::rereadIfLatin(const QString &line, const QImage &grey, tesseract::ResultIterator &it)
{
    if (!spacedReader || !isMostlyLatin(line))
        return line;
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!it.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
        return line;
    const int pad = std::max(4, (bottom - top) / 3);
    const QRect box = QRect(QPoint(left - pad, top - pad), QPoint(right + pad, bottom + pad)) & grey.rect();
    const QString reread = spacedReader->readOneLine(grey.copy(box));
    return reread.isEmpty() ? line : reread;
}

QString TesseractEngine::readOneLine(const QImage &grey)
{
    api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    const QStringList lines = recognizeLines(grey);
    api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    return lines.join(QLatin1Char(' '));
}
