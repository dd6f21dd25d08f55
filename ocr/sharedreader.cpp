#include "sharedreader.h"

#include "ocr/tesseract/imagepreparation.h"
#include "ocr/ppocr/ppocrengine.h"
#include "ocr/tesseract/tesseractengine.h"

#include <QHash>
#include <QMutexLocker>

namespace {

// The readers some recogniser still holds, by what was loaded; a reader nobody holds is unloaded.
QMutex cacheMutex;
QHash<QString, std::weak_ptr<SharedReader>> &cache()
{
    static QHash<QString, std::weak_ptr<SharedReader>> readers;
    return readers;
}

template<typename Load>
std::shared_ptr<SharedReader> cached(const QString &key, SharedReader::Sharing sharing, Load load)
{
    if (sharing == SharedReader::Sharing::Own)
        return load();
    // Loading under the lock: two tasks asking for one language at once must not load it twice.
    QMutexLocker lock(&cacheMutex);
    if (std::shared_ptr<SharedReader> reader = cache().value(key).lock())
        return reader;
    std::shared_ptr<SharedReader> loaded = load();
    if (loaded)
        cache().insert(key, loaded);
    return loaded;
}

} // namespace

SharedReader::SharedReader() = default;
SharedReader::~SharedReader() = default;

std::shared_ptr<SharedReader> SharedReader::tesseract(const QString &directory, const QString &models,
                                                      const QString &spacedModel, bool separateLetters, Sharing sharing)
{
    const QString key = QStringLiteral("tesseract|%1|%2|%3|%4").arg(directory, models, spacedModel).arg(separateLetters);
    return cached(key, sharing, [&]() -> std::shared_ptr<SharedReader> {
        std::unique_ptr<TesseractEngine> engine = TesseractEngine::create(directory, models);
        if (!engine)
            return nullptr;
        if (!spacedModel.isEmpty())
            engine->setSpacedReader(TesseractEngine::create(directory, spacedModel));
        std::shared_ptr<SharedReader> reader(new SharedReader);
        reader->tesseractEngine = std::move(engine);
        reader->separateLetters = separateLetters;
        return reader;
    });
}

std::shared_ptr<SharedReader> SharedReader::ppocr(const QString &directory, bool latinOnly, Sharing sharing,
                                                  QString *problem)
{
    const QString key = QStringLiteral("ppocr|%1|%2").arg(directory).arg(latinOnly);
    return cached(key, sharing, [&]() -> std::shared_ptr<SharedReader> {
        std::unique_ptr<PpocrEngine> engine = PpocrEngine::create(directory, problem);
        if (!engine)
            return nullptr;
        PpocrEngine::Settings settings;
        settings.latinOnly = latinOnly;
        engine->setSettings(settings);
        std::shared_ptr<SharedReader> reader(new SharedReader);
        reader->ppocrEngine = std::move(engine);
        return reader;
    });
}

QStringList SharedReader::read(const QImage &image)
{
    QMutexLocker lock(&mutex);
    if (ppocrEngine)
        return ppocrEngine->recognizeLines(image);
    ImagePreparation::Settings settings;
    settings.piecesInsideLetters = !separateLetters;
    const QImage prepared = ImagePreparation(settings).prepare(image);
    return prepared.isNull() ? QStringList() : tesseractEngine->recognizeLines(prepared);
}

QList<LineReading> SharedReader::readDetailed(const QImage &image)
{
    if (isPpocr()) {
        QMutexLocker lock(&mutex);
        return ppocrEngine->recognizeDetailed(image);
    }
    QList<LineReading> lines;
    for (const QString &line : read(image))
        lines << LineReading{line, QRect(), -1, {}};
    return lines;
}
