// Speed and accuracy of text recognition on subtitle strips cut from rendered video frames.
//
//   scripts/build.sh --target bench_ocr
//   build/bench/ocr/bench_ocr [--strips DIR]... [--repeat N] [--letter-height PX] [--raw]
//                             [--only en|zh|none] [--name REGEX] [--verbose] [--dump DIR]
//
// The strips are rendered once by scripts/render-strips.sh (ffmpeg with libass) into
// build/bench-strips/seed-2024 and build/bench-strips/seed-7 (two sets with different texts,
// styles and backgrounds, so that tuning for one can be checked on the other) unless --strips
// names other folders; delete a folder to render it anew. Each strip goes through the same steps
// as TextRecognizer::recognize (image preparation, then Tesseract) and is timed; a strip's time is
// the median of --repeat runs. Reported: median and 90th percentile latency (all strips, by
// width, and the 1280-pixel-wide ones), character error rate per language (Levenshtein distance
// over the reference length, whitespace normalised; spaces ignored for Chinese) overall, by
// background and by style, and how many strips without text produced some. Strips with errors are
// listed (all with --verbose); --dump saves the pictures handed to Tesseract; --raw hands the
// colour strip to Tesseract unprepared, for comparison.
// Targets: 1280-px strips median < 60 ms and p90 < 120 ms; CER < 2 % English, < 5 % Chinese.

#include "ocr/imagepreparation.h"
#include "ocr/tesseractengine.h"
#include "ocr/tesseractlanguages.h"

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
#include <vector>

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
    double preparationMilliseconds = 0;
    int distance = 0;
    int referenceLength = 0;
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

int levenshtein(const QList<uint> &a, const QList<uint> &b)
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

void latencyRow(const QString &label, const QList<Outcome> &outcomes, bool (*keep)(const Outcome &))
{
    std::vector<double> times, preparationTimes;
    for (const Outcome &outcome : outcomes) {
        if (keep(outcome)) {
            times.push_back(outcome.milliseconds);
            preparationTimes.push_back(outcome.preparationMilliseconds);
        }
    }
    out << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
               .arg(label, -26)
               .arg(times.size(), 4)
               .arg(percentile(times, 0.5), 9, 'f', 1)
               .arg(percentile(times, 0.9), 6, 'f', 1)
               .arg(times.empty() ? 0.0 : *std::max_element(times.begin(), times.end()), 6, 'f', 1)
               .arg(percentile(preparationTimes, 0.5), 17, 'f', 1)
        << Qt::endl;
}

void accuracyRow(const QString &language, const QList<Outcome> &outcomes)
{
    int distance = 0, length = 0, strips = 0, exact = 0;
    for (const Outcome &outcome : outcomes) {
        if (outcome.strip->language != language)
            continue;
        ++strips;
        distance += outcome.distance;
        length += outcome.referenceLength;
        exact += outcome.distance == 0 && outcome.lines.size() == outcome.strip->lines.size();
    }
    if (strips == 0)
        return;
    out << QStringLiteral("| %1 | %2 | %3 | %4 % |")
               .arg(language, -8)
               .arg(strips, 6)
               .arg(QStringLiteral("%1/%2").arg(exact).arg(strips), 12)
               .arg(100.0 * distance / std::max(1, length), 6, 'f', 2)
        << Qt::endl;
}

// Character error rate of each language for each value of a strip property (background, style).
void breakdown(const QString &title, const QList<Outcome> &outcomes, QString (*property)(const Strip &))
{
    QMap<QString, std::array<int, 4>> sums; // en distance, en length, zh distance, zh length
    for (const Outcome &outcome : outcomes) {
        const Strip &strip = *outcome.strip;
        if (strip.language == QLatin1String("none"))
            continue;
        std::array<int, 4> &sum = sums[property(strip)];
        const std::size_t offset = strip.language == QLatin1String("en") ? 0 : 2;
        sum[offset] += outcome.distance;
        sum[offset + 1] += outcome.referenceLength;
    }
    const auto rate = [](int distance, int length) {
        return length == 0 ? QStringLiteral("-") : QStringLiteral("%1 %").arg(100.0 * distance / length, 0, 'f', 1);
    };
    out << Qt::endl << QStringLiteral("| %1 | CER en | CER zh |").arg(title, -16) << Qt::endl;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        out << QStringLiteral("| %1 | %2 | %3 |")
                   .arg(it.key(), -16)
                   .arg(rate(it.value()[0], it.value()[1]), 6)
                   .arg(rate(it.value()[2], it.value()[3]), 6)
            << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption stripsOption(QStringLiteral("strips"), QStringLiteral("Strip folder (repeatable)."),
                                          QStringLiteral("dir"));
    const QCommandLineOption repeatOption(
        QStringLiteral("repeat"), QStringLiteral("Runs per strip."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption heightOption(
        QStringLiteral("letter-height"), QStringLiteral("Letter height handed to Tesseract."), QStringLiteral("px"));
    const QCommandLineOption rawOption(QStringLiteral("raw"), QStringLiteral("Skip image preparation."));
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Only strips of this language."),
                                        QStringLiteral("en|zh|none"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Only strips whose name matches."),
                                        QStringLiteral("regex"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Print every strip's result."));
    const QCommandLineOption dumpOption(QStringLiteral("dump"), QStringLiteral("Save prepared pictures here."),
                                        QStringLiteral("dir"));
    parser.addOptions(
        {stripsOption, repeatOption, heightOption, rawOption, onlyOption, nameOption, verboseOption, dumpOption});
    parser.process(app);

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
        strips << readManifest(directory);
    }
    if (strips.isEmpty()) {
        out << "No strips in " << directories.join(QStringLiteral(", ")) << Qt::endl;
        return 1;
    }

    ImagePreparation::Settings settings;
    if (parser.isSet(heightOption))
        settings.letterHeight = parser.value(heightOption).toInt();
    ImagePreparation::Settings chineseSettings = settings;
    settings.piecesInsideLetters = false;
    chineseSettings.piecesInsideLetters = true;
    const ImagePreparation alphabetPreparation(settings);
    const ImagePreparation chinesePreparation(chineseSettings);
    const bool raw = parser.isSet(rawOption);
    const int repeat = std::max(1, parser.value(repeatOption).toInt());
    const QString dumpDirectory = parser.value(dumpOption);
    if (!dumpDirectory.isEmpty())
        QDir().mkpath(dumpDirectory);

    const QString dataDirectory = TesseractLanguages::dataDirectory();
    QMap<QString, std::shared_ptr<TesseractEngine>> engines;
    engines[QStringLiteral("en")] = TesseractEngine::create(dataDirectory, QStringLiteral("eng"));
    engines[QStringLiteral("zh")] = TesseractEngine::create(dataDirectory, QStringLiteral("chi_sim"));
    engines[QStringLiteral("none")] = engines[QStringLiteral("en")];
    if (!engines[QStringLiteral("en")] || !engines[QStringLiteral("zh")]) {
        out << "Tesseract models eng and chi_sim are needed." << Qt::endl;
        return 1;
    }

    const auto recognize = [&](TesseractEngine &engine, const QImage &image, const ImagePreparation &preparation) {
        if (raw)
            return engine.recognizeLines(image);
        const QImage prepared = preparation.prepare(image);
        return prepared.isNull() ? QStringList() : engine.recognizeLines(prepared);
    };

    QList<Outcome> outcomes;
    bool warmedUp = false;
    for (const Strip &strip : strips) {
        if (parser.isSet(onlyOption) && strip.language != parser.value(onlyOption))
            continue;
        if (parser.isSet(nameOption) && !QRegularExpression(parser.value(nameOption)).match(strip.name).hasMatch())
            continue;
        const QImage image(QDir(strip.directory).filePath(strip.name + QStringLiteral(".png")));
        const QString label
            = directories.size() > 1 ? QDir(strip.directory).dirName() + QLatin1Char('/') + strip.name : strip.name;
        TesseractEngine &engine = *engines.value(strip.language);
        const ImagePreparation &preparation =
            strip.language == QLatin1String("zh") ? chinesePreparation : alphabetPreparation;
        if (!warmedUp) {
            recognize(engine, image, preparation);
            warmedUp = true;
        }
        Outcome outcome;
        outcome.strip = &strip;
        std::vector<double> times;
        for (int run = 0; run < repeat; ++run) {
            QElapsedTimer timer;
            timer.start();
            outcome.lines = recognize(engine, image, preparation);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        outcome.milliseconds = percentile(times, 0.5);
        if (!raw) {
            QElapsedTimer timer;
            timer.start();
            preparation.prepare(image);
            outcome.preparationMilliseconds = double(timer.nsecsElapsed()) / 1e6;
        }
        const bool chinese = strip.language == QLatin1String("zh");
        const QString reference = normalised(strip.lines, chinese);
        const QString recognised = normalised(outcome.lines, chinese);
        outcome.referenceLength = int(reference.toUcs4().size());
        outcome.distance = strip.lines.isEmpty() ? int(recognised.toUcs4().size())
                                                 : levenshtein(reference.toUcs4(), recognised.toUcs4());
        if (!dumpDirectory.isEmpty() && !raw)
            preparation.prepare(image).save(
                QDir(dumpDirectory)
                    .filePath(QString(label).replace(QLatin1Char('/'), QLatin1Char('_')) + QStringLiteral(".png")));
        if (parser.isSet(verboseOption) || (outcome.distance > 0 && strip.language != QLatin1String("none"))) {
            out << QStringLiteral("%1 %2 %3/%4 %5 ms d=%6  %7 -> %8")
                       .arg(label)
                       .arg(strip.width)
                       .arg(strip.style, strip.background)
                       .arg(outcome.milliseconds, 0, 'f', 1)
                       .arg(outcome.distance)
                       .arg(strip.lines.join(QStringLiteral(" / ")), outcome.lines.join(QStringLiteral(" / ")))
                << Qt::endl;
        } else if (strip.language == QLatin1String("none") && !outcome.lines.isEmpty()) {
            out << label << " (no text) -> " << outcome.lines.join(QStringLiteral(" / ")) << Qt::endl;
        }
        outcomes << outcome;
    }

    out << Qt::endl
        << "| strips                     |    n | median ms | p90 ms | max ms | preparation median |" << Qt::endl;
    latencyRow(QStringLiteral("all"), outcomes, [](const Outcome &) { return true; });
    latencyRow(QStringLiteral("1280 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 1280; });
    latencyRow(QStringLiteral("1280 px, English"), outcomes,
               [](const Outcome &o) { return o.strip->width == 1280 && o.strip->language == QLatin1String("en"); });
    latencyRow(QStringLiteral("1280 px, Chinese"), outcomes,
               [](const Outcome &o) { return o.strip->width == 1280 && o.strip->language == QLatin1String("zh"); });
    latencyRow(QStringLiteral("640 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 640; });
    latencyRow(QStringLiteral("1920 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 1920; });
    latencyRow(QStringLiteral("3840 px wide"), outcomes, [](const Outcome &o) { return o.strip->width == 3840; });
    latencyRow(QStringLiteral("without text"), outcomes,
               [](const Outcome &o) { return o.strip->language == QLatin1String("none"); });

    out << Qt::endl << "| language | strips | exact strips | CER      |" << Qt::endl;
    accuracyRow(QStringLiteral("en"), outcomes);
    accuracyRow(QStringLiteral("zh"), outcomes);
    breakdown(QStringLiteral("background"), outcomes, [](const Strip &strip) { return strip.background; });
    breakdown(QStringLiteral("style"), outcomes, [](const Strip &strip) { return strip.style; });
    int falseTexts = 0, blanks = 0;
    for (const Outcome &outcome : outcomes) {
        if (outcome.strip->language == QLatin1String("none")) {
            ++blanks;
            falseTexts += !outcome.lines.isEmpty();
        }
    }
    if (blanks > 0)
        out << Qt::endl << "Strips without text that gave text: " << falseTexts << "/" << blanks << Qt::endl;
    return 0;
}
