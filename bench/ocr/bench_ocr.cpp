// Speed and accuracy of text recognition on subtitle strips cut from rendered video frames,
// engine against engine.
//
//   scripts/build.sh --target bench_ocr
//   build/bench/ocr/bench_ocr [--engine tesseract|ppocr|tesseract-lines]... [--strips DIR]...
//                             [--repeat N] [--only en|zh|none] [--name REGEX] [--verbose]
//
// The strips are rendered once by scripts/render-strips.sh (ffmpeg with libass) into
// build/bench-strips/seed-2024 and build/bench-strips/seed-7 (two sets with different texts,
// styles and backgrounds, so that tuning for one can be checked on the other) unless --strips
// names other folders; delete a folder to render it anew. Held-out English sets take texts and
// faces none of the others use, e.g. STRIP_ENGLISH_TEXTS=bench/ocr/heldout2-en.txt
// STRIP_ENGLISH_FONTS="DejaVu Sans Light,Liberation Mono" scripts/render-strips.sh DIR SEED.
// The cell backgrounds are drawn anew on every render (ffmpeg's cellauto takes no seed from the
// script), so figures compare only within one rendering of a set: keep the folder between runs.
// Engines (all three by default):
//   tesseract        what TextRecognizer does for Tesseract: image preparation, then Tesseract
//   ppocr            PP-OCR detection, line crops with a margin, recognition (the build's models)
//   tesseract-lines  the PP-OCR detector's line crops, each prepared and read by Tesseract
// Each strip's time (clock and this thread's CPU time) is the median of --repeat runs on one thread. Reported per engine: latency
// median and p90, model load time, resident memory the engine added, character error rate
// (Levenshtein distance over the reference length, whitespace normalised; spaces ignored for
// Chinese), word error rate (the same over words; one lost space costs two words) and exact strips
// per language, CER and WER by style and by background, dialogue dashes kept,
// and strips without text that gave text; for ppocr also its first detection pass alone, timed
// once more after the runs. Strips with errors are listed (all with --verbose).
// Targets: CER <= 1 % English, <= 0.5 % Chinese, no style above 3 %; PP-OCR median <= 120 ms.

#include "ocr/tesseract/imagepreparation.h"
#include "ocr/tesseract/tesseractengine.h"
#include "ocr/tesseract/tesseractlanguages.h"
#include "ocr/ppocr/ppocrengine.h"
#include "ocr/ppocr/ppocrmodels.h"
#include "ocr/opencvthreads.h"
#include "ocr/ppocr/linelayout.h"
#include "ocr/letters/linetextrules.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QCoreApplication>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <functional>
#include <vector>

#include <malloc.h>
#include <time.h>

namespace {

struct Strip
{
    QString directory;
    QString name;
    QString language; // "en", "zh" or "none"
    int width = 0;
    QString style;
    QString background;
    QStringList lines;
};

struct Outcome
{
    const Strip *strip = nullptr;
    QStringList lines;
    double milliseconds = 0;
    double cpuMilliseconds = 0; // this thread's CPU time: steadier than the clock on a shared machine
    double detectionCpuMilliseconds = -1; // PP-OCR's first detection pass alone, when measured
    int distance = 0;
    int referenceLength = 0;
    int wordDistance = 0;
    int referenceWords = 0;
};

QTextStream out(stdout);

QList<Strip> readManifest(const QString &directory)
{
    QList<Strip> strips;
    QFile file(QDir(directory).filePath(QStringLiteral("strips.tsv")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return strips;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).chopped(1).split(QLatin1Char('\t'));
        if (fields.size() < 6)
            continue;
        Strip strip{directory, fields[0], fields[1], fields[2].toInt(), fields[3], fields[4], {}};
        if (!fields[5].isEmpty())
            strip.lines = fields[5].split(QStringLiteral("\\N"));
        strips << strip;
    }
    return strips;
}

// A folder named "seed-N" is rendered with seed N.
bool renderStrips(const QString &directory)
{
    out << "Rendering strips into " << directory << " ..." << Qt::endl;
    const QRegularExpressionMatch seed
        = QRegularExpression(QStringLiteral("seed-(\\d+)$")).match(QDir(directory).dirName());
    QStringList arguments{directory};
    if (seed.hasMatch())
        arguments << seed.captured(1);
    QProcess render;
    render.setProcessChannelMode(QProcess::ForwardedChannels);
    render.start(QStringLiteral(TARNIX_SOURCE_DIR "/scripts/render-strips.sh"), arguments);
    return render.waitForFinished(-1) && render.exitStatus() == QProcess::NormalExit && render.exitCode() == 0;
}

QString normalised(const QStringList &lines, bool ignoreSpaces)
{
    QString text = lines.join(QLatin1Char(' ')).simplified();
    if (ignoreSpaces)
        text.remove(QLatin1Char(' '));
    return text;
}

template<typename T>
int levenshtein(const QList<T> &a, const QList<T> &b)
{
    std::vector<int> previous(std::size_t(b.size()) + 1), current(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = previous[std::size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[std::size_t(j)]
                = std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[std::size_t(b.size())];
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, std::size_t(fraction * double(values.size() - 1) + 0.5));
    return values[index];
}

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void latencyRow(const QString &label, const QList<Outcome> &outcomes, bool (*keep)(const Outcome &))
{
    std::vector<double> times, cpuTimes;
    for (const Outcome &outcome : outcomes) {
        if (keep(outcome)) {
            times.push_back(outcome.milliseconds);
            cpuTimes.push_back(outcome.cpuMilliseconds);
        }
    }
    out << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
               .arg(label, -26)
               .arg(times.size(), 4)
               .arg(percentile(times, 0.5), 9, 'f', 1)
               .arg(percentile(times, 0.9), 6, 'f', 1)
               .arg(times.empty() ? 0.0 : *std::max_element(times.begin(), times.end()), 6, 'f', 1)
               .arg(percentile(cpuTimes, 0.5), 10, 'f', 1)
               .arg(percentile(cpuTimes, 0.9), 7, 'f', 1)
        << Qt::endl;
}

// How much of the CPU time the first detection pass takes (strips with text).
void detectionShare(const QList<Outcome> &outcomes)
{
    std::vector<double> detection;
    double detectionSum = 0, sum = 0;
    for (const Outcome &outcome : outcomes) {
        if (outcome.detectionCpuMilliseconds < 0 || outcome.strip->language == QLatin1String("none"))
            continue;
        detection.push_back(outcome.detectionCpuMilliseconds);
        detectionSum += outcome.detectionCpuMilliseconds;
        sum += outcome.cpuMilliseconds;
    }
    if (detection.empty())
        return;
    out << QStringLiteral("Detection alone, strips with text: CPU median %1 ms, p90 %2 ms, %3 % of the CPU time")
               .arg(percentile(detection, 0.5), 0, 'f', 1)
               .arg(percentile(detection, 0.9), 0, 'f', 1)
               .arg(100.0 * detectionSum / std::max(1.0, sum), 0, 'f', 0)
        << Qt::endl;
}

struct Errors
{
    int distance = 0, length = 0, wordDistance = 0, words = 0, strips = 0, exact = 0;

    void add(const Outcome &outcome)
    {
        ++strips;
        distance += outcome.distance;
        length += outcome.referenceLength;
        wordDistance += outcome.wordDistance;
        words += outcome.referenceWords;
        exact += outcome.distance == 0 && outcome.lines.size() == outcome.strip->lines.size();
    }
    double cer() const { return 100.0 * distance / std::max(1, length); }
    double wer() const { return 100.0 * wordDistance / std::max(1, words); }
};

void accuracyRow(const QString &language, const QList<Outcome> &outcomes)
{
    Errors errors;
    for (const Outcome &outcome : outcomes)
        if (outcome.strip->language == language)
            errors.add(outcome);
    if (errors.strips == 0)
        return;
    out << QStringLiteral("| %1 | %2 | %3 | %4 % | %5 % |")
               .arg(language, -8)
               .arg(errors.strips, 6)
               .arg(QStringLiteral("%1/%2").arg(errors.exact).arg(errors.strips), 12)
               .arg(errors.cer(), 6, 'f', 2)
               .arg(language == QLatin1String("zh") ? QStringLiteral("     -") : QString::number(errors.wer(), 'f', 2).rightJustified(6))
        << Qt::endl;
}

// One engine under test: how it reads a strip of a language ("en", "zh", "none").
struct Engine
{
    QString name;
    std::function<QStringList(const QImage &, const QString &)> read;
    std::function<void(const QImage &)> detect; // the detection part of `read`, timed apart
    double loadMilliseconds = 0;
    double residentMegabytes = 0;
    QList<Outcome> outcomes;
};

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

ImagePreparation preparationFor(const QString &language)
{
    ImagePreparation::Settings settings;
    settings.piecesInsideLetters = language == QLatin1String("zh");
    return ImagePreparation(settings);
}

PpocrEngine::Settings ppocrSettings;

// Creates the engine's state (timed) and the function reading with it; false when it cannot be.
bool setUp(Engine &engine)
{
    QElapsedTimer timer;
    timer.start();
    const QString tessdata = TesseractLanguages::dataDirectory();
    auto tesseract = std::make_shared<QMap<QString, std::shared_ptr<TesseractEngine>>>();
    if (engine.name != QLatin1String("ppocr")) {
        (*tesseract)[QStringLiteral("en")] = TesseractEngine::create(tessdata, QStringLiteral("eng"));
        (*tesseract)[QStringLiteral("zh")] = TesseractEngine::create(tessdata, QStringLiteral("chi_sim"));
        (*tesseract)[QStringLiteral("none")] = tesseract->value(QStringLiteral("en"));
        if (!tesseract->value(QStringLiteral("en")) || !tesseract->value(QStringLiteral("zh"))) {
            out << "Tesseract models eng and chi_sim are needed." << Qt::endl;
            return false;
        }
    }
    std::shared_ptr<PpocrEngine> ppocr;
    if (engine.name != QLatin1String("tesseract")) {
        QString problem;
        ppocr = PpocrEngine::create(PpocrModels::directory(), &problem);
        if (!ppocr) {
            out << engine.name << ": " << problem << Qt::endl;
            return false;
        }
        ppocr->setSettings(ppocrSettings);
    }
    if (engine.name == QLatin1String("tesseract")) {
        engine.read = [tesseract](const QImage &image, const QString &language) {
            const QImage prepared = preparationFor(language).prepare(image);
            return prepared.isNull() ? QStringList() : tesseract->value(language)->recognizeLines(prepared);
        };
    } else if (engine.name == QLatin1String("ppocr")) {
        // As the program reads them: English strips (and blank ones) by the Latin classes alone.
        engine.read = [ppocr](const QImage &image, const QString &language) {
            PpocrEngine::Settings settings = ppocrSettings;
            settings.latinOnly = language != QLatin1String("zh");
            ppocr->setSettings(settings);
            return ppocr->recognizeLines(image);
        };
        engine.detect = [ppocr](const QImage &image) { ppocr->detectRows(image); };
    } else {
        engine.read = [tesseract, ppocr](const QImage &image, const QString &language) {
            QStringList lines;
            for (const QList<QRect> &row : ppocr->detectRows(image)) {
                QStringList pieces;
                for (const QRect &box : row) {
                    const QImage prepared = preparationFor(language).prepare(
                        image.copy(LineLayout::crop(box, image.size(), ppocrSettings.margins)));
                    if (!prepared.isNull())
                        pieces << tesseract->value(language)->recognizeLines(prepared);
                }
                const QString line = LineTextRules::joinWords(pieces);
                if (!line.isEmpty())
                    lines << line;
            }
            return lines;
        };
    }
    engine.loadMilliseconds = double(timer.nsecsElapsed()) / 1e6;
    return true;
}

int dashesIn(const QStringList &lines)
{
    int dashes = 0;
    for (const QString &line : lines)
        dashes += line.startsWith(QLatin1Char('-'));
    return dashes;
}

void summaryRow(const Engine &engine, const QString &language)
{
    Errors errors;
    std::vector<double> times, cpuTimes;
    for (const Outcome &outcome : engine.outcomes) {
        if (outcome.strip->language != language)
            continue;
        errors.add(outcome);
        cpuTimes.push_back(outcome.cpuMilliseconds);
        times.push_back(outcome.milliseconds);
    }
    if (errors.strips == 0)
        return;
    out << QStringLiteral("| %1 | %2 | %3 | %4 % | %5 | %6 | %7 | %8 | %9 | %10 | %11 |")
               .arg(engine.name, -15)
               .arg(language, -4)
               .arg(QStringLiteral("%1/%2").arg(errors.exact).arg(errors.strips), 8)
               .arg(errors.cer(), 6, 'f', 2)
               .arg(language == QLatin1String("zh") ? QStringLiteral("     -") : QStringLiteral("%1 %").arg(errors.wer(), 6, 'f', 2))
               .arg(percentile(times, 0.5), 6, 'f', 1)
               .arg(percentile(times, 0.9), 6, 'f', 1)
               .arg(percentile(cpuTimes, 0.5), 7, 'f', 1)
               .arg(percentile(cpuTimes, 0.9), 7, 'f', 1)
               .arg(engine.loadMilliseconds, 7, 'f', 0)
               .arg(engine.residentMegabytes, 6, 'f', 0)
        << Qt::endl;
}

// CER of every engine and language for each value of a strip property, side by side.
void comparison(const QString &title, const QList<Engine> &engines, QString (*property)(const Strip &))
{
    // value -> engine/language -> distance, length, word distance, words
    QMap<QString, QMap<QString, std::array<int, 4>>> sums;
    QStringList columns;
    for (const Engine &engine : engines) {
        for (const QString &language : {QStringLiteral("en"), QStringLiteral("zh")}) {
            const QString column = engine.name + QLatin1Char(' ') + language;
            columns << column;
            for (const Outcome &outcome : engine.outcomes) {
                if (outcome.strip->language != language)
                    continue;
                std::array<int, 4> &sum = sums[property(*outcome.strip)][column];
                sum[0] += outcome.distance;
                sum[1] += outcome.referenceLength;
                sum[2] += outcome.wordDistance;
                sum[3] += outcome.referenceWords;
            }
        }
    }
    out << Qt::endl << QStringLiteral("| %1 | %2 |").arg(title, -16).arg(columns.join(QStringLiteral(" | ")))
        << Qt::endl;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
        QStringList cells;
        for (const QString &column : columns) {
            const std::array<int, 4> sum = it.value().value(column);
            QString cell = sum[1] == 0 ? QStringLiteral("-") : QStringLiteral("%1 %").arg(100.0 * sum[0] / sum[1], 0, 'f', 1);
            if (sum[3] > 0 && column.endsWith(QLatin1String(" en")))
                cell += QStringLiteral(" / %1 %").arg(100.0 * sum[2] / sum[3], 0, 'f', 1);
            cells << cell.rightJustified(column.size());
        }
        out << QStringLiteral("| %1 | %2 |").arg(it.key(), -16).arg(cells.join(QStringLiteral(" | "))) << Qt::endl;
    }
}

void run(Engine &engine, const QList<Strip> &strips, const QCommandLineParser &parser, int repeat, bool labelled)
{
    bool warmedUp = false;
    const double before = residentMegabytes();
    for (const Strip &strip : strips) {
        const QImage image(QDir(strip.directory).filePath(strip.name + QStringLiteral(".png")));
        const QString label = labelled ? QDir(strip.directory).dirName() + QLatin1Char('/') + strip.name : strip.name;
        if (!warmedUp) {
            engine.read(image, strip.language);
            warmedUp = true;
        }
        Outcome outcome;
        outcome.strip = &strip;
        std::vector<double> times, cpuTimes;
        for (int i = 0; i < repeat; ++i) {
            QElapsedTimer timer;
            const double cpuBefore = threadCpuMilliseconds();
            timer.start();
            outcome.lines = engine.read(image, strip.language);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpuTimes.push_back(threadCpuMilliseconds() - cpuBefore);
        }
        outcome.milliseconds = percentile(times, 0.5);
        outcome.cpuMilliseconds = percentile(cpuTimes, 0.5);
        if (engine.detect) {
            const double cpuBefore = threadCpuMilliseconds();
            engine.detect(image);
            outcome.detectionCpuMilliseconds = threadCpuMilliseconds() - cpuBefore;
        }
        const bool chinese = strip.language == QLatin1String("zh");
        const QString reference = normalised(strip.lines, chinese);
        const QString recognised = normalised(outcome.lines, chinese);
        outcome.referenceLength = int(reference.toUcs4().size());
        outcome.distance = strip.lines.isEmpty() ? int(recognised.toUcs4().size())
                                                 : levenshtein(reference.toUcs4(), recognised.toUcs4());
        const QStringList referenceWords = reference.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        outcome.referenceWords = chinese ? 0 : int(referenceWords.size());
        outcome.wordDistance = chinese ? 0 : levenshtein(referenceWords, recognised.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        const bool verbose = parser.isSet(QStringLiteral("verbose"));
        if (verbose || (outcome.distance > 0 && strip.language != QLatin1String("none"))) {
            out << QStringLiteral("%1: %2 %3 %4/%5 %6 ms d=%7  %8 -> %9")
                       .arg(engine.name, label)
                       .arg(strip.width)
                       .arg(strip.style, strip.background)
                       .arg(outcome.milliseconds, 0, 'f', 1)
                       .arg(outcome.distance)
                       .arg(strip.lines.join(QStringLiteral(" / ")), outcome.lines.join(QStringLiteral(" / ")))
                << Qt::endl;
        } else if (strip.language == QLatin1String("none") && !outcome.lines.isEmpty()) {
            out << engine.name << ": " << label << " (no text) -> " << outcome.lines.join(QStringLiteral(" / "))
                << Qt::endl;
        }
        engine.outcomes << outcome;
    }
    engine.residentMegabytes += residentMegabytes() - before;
}

void report(const Engine &engine)
{
    const QList<Outcome> &outcomes = engine.outcomes;
    out << Qt::endl << "## " << engine.name << Qt::endl;
    out << Qt::endl
        << "| strips                     |    n | median ms | p90 ms | max ms | CPU median | CPU p90 |" << Qt::endl;
    latencyRow(QStringLiteral("all"), outcomes, [](const Outcome &) { return true; });
    latencyRow(QStringLiteral("1280 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 1280; });
    latencyRow(QStringLiteral("English"), outcomes,
               [](const Outcome &o) { return o.strip->language == QLatin1String("en"); });
    latencyRow(QStringLiteral("Chinese"), outcomes,
               [](const Outcome &o) { return o.strip->language == QLatin1String("zh"); });
    latencyRow(QStringLiteral("854 px wide (480p)"), outcomes, [](const Outcome &o) { return o.strip->width == 854; });
    latencyRow(QStringLiteral("640 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 640; });
    latencyRow(QStringLiteral("1920 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 1920; });
    latencyRow(QStringLiteral("3840 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 3840; });
    latencyRow(QStringLiteral("without text"), outcomes,
               [](const Outcome &o) { return o.strip->language == QLatin1String("none"); });
    detectionShare(outcomes);
    out << Qt::endl << "| language | strips | exact strips | CER      | WER      |" << Qt::endl;
    accuracyRow(QStringLiteral("en"), outcomes);
    accuracyRow(QStringLiteral("zh"), outcomes);
    int falseTexts = 0, blanks = 0, dashes = 0, dashesKept = 0, falseDashes = 0;
    for (const Outcome &outcome : outcomes) {
        if (outcome.strip->language == QLatin1String("none")) {
            ++blanks;
            falseTexts += !outcome.lines.isEmpty();
        }
        const int expected = dashesIn(outcome.strip->lines);
        dashes += expected;
        dashesKept += std::min(expected, dashesIn(outcome.lines));
        falseDashes += std::max(0, dashesIn(outcome.lines) - expected);
    }
    out << Qt::endl << "Dialogue dashes kept: " << dashesKept << "/" << dashes << ", dashes where there were none: "
        << falseDashes << Qt::endl;
    if (blanks > 0)
        out << "Strips without text that gave text: " << falseTexts << "/" << blanks << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption engineOption(QStringLiteral("engine"),
                                          QStringLiteral("Engine to measure (repeatable; all by default)."),
                                          QStringLiteral("tesseract|ppocr|tesseract-lines"));
    const QCommandLineOption stripsOption(QStringLiteral("strips"), QStringLiteral("Strip folder (repeatable)."),
                                          QStringLiteral("dir"));
    const QCommandLineOption repeatOption(
        QStringLiteral("repeat"), QStringLiteral("Runs per strip."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Only strips of this language."),
                                        QStringLiteral("en|zh|none"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Only strips whose name matches."),
                                        QStringLiteral("regex"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Print every strip's result."));
    const QCommandLineOption marginOption(QStringLiteral("margin"),
                                          QStringLiteral("Line crop margins, in line heights."),
                                          QStringLiteral("vertical,horizontal"));
    const QCommandLineOption threadsOption(QStringLiteral("threads"), QStringLiteral("OpenCV threads for PP-OCR."),
                                           QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption spacesOption(QStringLiteral("no-space-restoring"),
                                          QStringLiteral("Keep only the spaces PP-OCR reads."));
    parser.addOptions({engineOption, stripsOption, repeatOption, onlyOption, nameOption, verboseOption, marginOption,
                       threadsOption, spacesOption});
    parser.process(app);
    if (parser.isSet(marginOption)) {
        const QStringList margins = parser.value(marginOption).split(QLatin1Char(','));
        ppocrSettings.margins = LineLayout::Margins{margins.value(0).toDouble(), margins.value(1).toDouble()};
    }
    // Before any engine is built: the count belongs to the whole process.
    OpenCvThreads::configure(parser.value(threadsOption).toInt());
    ppocrSettings.restoreSpaces = !parser.isSet(spacesOption);
    ppocrSettings.reuseUnchangedPicture = false; // every run reads
    out << "PP-OCR: margins " << ppocrSettings.margins.vertical << " x " << ppocrSettings.margins.horizontal
        << ", " << OpenCvThreads::configured() << " thread(s), spaces restored: " << ppocrSettings.restoreSpaces << Qt::endl;

    // Two sets of strips by default: changes tuned on one must hold on the other.
    const QStringList directories = parser.isSet(stripsOption)
                                        ? parser.values(stripsOption)
                                        : QStringList{QStringLiteral(TARNIX_STRIP_DIR "/seed-2024"),
                                                      QStringLiteral(TARNIX_STRIP_DIR "/seed-7")};
    QList<Strip> strips;
    for (const QString &directory : directories) {
        if (!QFile::exists(QDir(directory).filePath(QStringLiteral("strips.tsv"))) && !renderStrips(directory)) {
            out << "Could not render the strips into " << directory << Qt::endl;
            return 1;
        }
        for (const Strip &strip : readManifest(directory)) {
            if (parser.isSet(onlyOption) && strip.language != parser.value(onlyOption))
                continue;
            if (parser.isSet(nameOption) && !QRegularExpression(parser.value(nameOption)).match(strip.name).hasMatch())
                continue;
            strips << strip;
        }
    }
    if (strips.isEmpty()) {
        out << "No strips in " << directories.join(QStringLiteral(", ")) << Qt::endl;
        return 1;
    }

    const QStringList names = parser.isSet(engineOption)
                                  ? parser.values(engineOption)
                                  : QStringList{QStringLiteral("tesseract"), QStringLiteral("ppocr"),
                                                QStringLiteral("tesseract-lines")};
    const int repeat = std::max(1, parser.value(repeatOption).toInt());
    QList<Engine> engines;
    for (const QString &name : names) {
        Engine engine;
        engine.name = name;
        malloc_trim(0);
        const double before = residentMegabytes();
        if (!setUp(engine))
            return 1;
        engine.residentMegabytes = residentMegabytes() - before;
        run(engine, strips, parser, repeat, directories.size() > 1);
        engine.read = nullptr;
        engines << engine;
    }
    for (const Engine &engine : engines)
        report(engine);
    out << Qt::endl
        << "| engine          | lang | exact    | CER      | WER      | median | p90    | CPU med | CPU p90 | load ms | RSS MB |" << Qt::endl;
    for (const Engine &engine : engines)
        for (const QString &language : {QStringLiteral("en"), QStringLiteral("zh")})
            summaryRow(engine, language);
    out << Qt::endl << "CER / WER (English) by style and background:" << Qt::endl;
    comparison(QStringLiteral("style"), engines, [](const Strip &strip) { return strip.style; });
    comparison(QStringLiteral("background"), engines, [](const Strip &strip) { return strip.background; });
    return 0;
}
