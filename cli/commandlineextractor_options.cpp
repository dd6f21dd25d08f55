#include "commandlineextractor.h"

#include "task/subtitleformat.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#include <cmath>

// Reading tarnix-cli's arguments: the options and their values, and the one-line errors.

namespace {

// The recognition rates the editor offers.
constexpr double minimumRate = 1.0;
constexpr double maximumRate = 10.0;

// The first name of each option is the one its value is asked for by.
const QList<QStringList> optionNames = {
    {QStringLiteral("help"), QStringLiteral("h")}, {QStringLiteral("list-languages")}, {QStringLiteral("lang")},
    {QStringLiteral("crop")}, {QStringLiteral("range")}, {QStringLiteral("rate")}, {QStringLiteral("scan")},
    {QStringLiteral("format")}, {QStringLiteral("engine")}, {QStringLiteral("o")}, {QStringLiteral("manifest")},
    {QStringLiteral("index")}, {QStringLiteral("manifest-from")}, {QStringLiteral("collect")},
    {QStringLiteral("prefer-streams")},
};

bool takesValue(const QStringList &names)
{
    static const QStringList switches{QStringLiteral("help"), QStringLiteral("list-languages"),
                                      QStringLiteral("prefer-streams")};
    return !switches.contains(names.constFirst());
}

QString canonicalName(const QString &name)
{
    return name == QLatin1String("h") ? QStringLiteral("help") : name;
}

// An argument as the user wrote it ("--bogus", "-x", "--help=1") for the option the parser names.
QString asWritten(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')))
            continue;
        const qsizetype dashes = argument.startsWith(QLatin1String("--")) ? 2 : 1;
        if (argument.mid(dashes).section(QLatin1Char('='), 0, 0) == name)
            return argument;
    }
    return QStringLiteral("--") + name;
}

// The parser's own complaint, in our words: an unknown option, a value given to a switch, or a
// value missing after the last argument.
QString syntaxError(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("unknown option %1").arg(asWritten(arguments, parser.unknownOptionNames().constFirst()));
    for (const QStringList &names : optionNames) {
        for (const QString &name : names) {
            const QString written = asWritten(arguments, name);
            if (!takesValue(names) && written.contains(QLatin1Char('=')))
                return QStringLiteral("unknown option %1").arg(written);
        }
    }
    return QStringLiteral("option %1 needs a value").arg(arguments.constLast());
}

bool parseCrop(const QString &text, QRect *crop)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || values[i] < 0)
            return false;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return false;
    *crop = QRect(values[0], values[1], values[2], values[3]);
    return true;
}

bool parseRange(const QString &text, qint64 *in, qint64 *out)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)-(\\d+)$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    bool okIn = false;
    bool okOut = false;
    *in = match.captured(1).toLongLong(&okIn);
    *out = match.captured(2).toLongLong(&okOut);
    return okIn && okOut && *in < *out;
}

QString applyRate(const QString &value, CommandLineExtractor::Options *options)
{
    bool ok = false;
    options->rate = value.toDouble(&ok);
    if (!ok || !std::isfinite(options->rate) || options->rate < minimumRate || options->rate > maximumRate)
        return QStringLiteral("--rate: '%1' is not a number from 1 to 10").arg(value);
    options->rateGiven = true;
    return {};
}

// Takes one option given on the command line; the error for a value not allowed, else empty.
QString applyOption(const QString &option, const QString &value, CommandLineExtractor::Options *options)
{
    if (option == QLatin1String("help")) {
        options->help = true;
    } else if (option == QLatin1String("list-languages")) {
        options->listLanguages = true;
    } else if (option == QLatin1String("prefer-streams")) {
        options->preferStreams = true;
    } else if (option == QLatin1String("lang")) {
        options->language = value;
    } else if (option == QLatin1String("crop")) {
        options->moreCrops.clear();
        if (value == QLatin1String("auto"))
            options->crop = QRect();
        else if (!parseCrop(value, &options->crop))
            return QStringLiteral("--crop: '%1' is not X,Y,W,H with a positive width and height").arg(value);
    } else if (option == QLatin1String("range")) {
        if (!parseRange(value, &options->rangeIn, &options->rangeOut))
            return QStringLiteral("--range: '%1' is not IN_MS-OUT_MS with IN_MS < OUT_MS").arg(value);
    } else if (option == QLatin1String("rate")) {
        return applyRate(value, options);
    } else if (option == QLatin1String("scan")) {
        if (value != QLatin1String("fast") && value != QLatin1String("playback"))
            return QStringLiteral("--scan: '%1' is neither fast nor playback").arg(value);
        options->scan = value == QLatin1String("fast") ? ScanMode::Fast : ScanMode::Playback;
    } else if (option == QLatin1String("format")) {
        const std::optional<SubtitleFormat> format = SubtitleFormats::fromExtension(value);
        if (!format)
            return QStringLiteral("--format: '%1' is not one of srt, txt, vtt, ass, json").arg(value);
        options->format = *format;
    } else if (option == QLatin1String("engine")) {
        options->engine = value;
        if (value != QLatin1String("ppocr") && value != QLatin1String("tesseract"))
            return QStringLiteral("--engine: '%1' is neither ppocr nor tesseract").arg(value);
    } else if (option == QLatin1String("o")) {
        options->output = value;
    } else if (option == QLatin1String("manifest")) {
        options->manifest = value;
    } else if (option == QLatin1String("index")) {
        bool ok = false;
        options->index = value.toInt(&ok);
        if (!ok || options->index < 0)
            return QStringLiteral("--index: '%1' is not a line index (0, 1, 2...)").arg(value);
    } else if (option == QLatin1String("manifest-from")) {
        options->manifestFrom = value;
    } else if (option == QLatin1String("collect")) {
        options->collect = value;
    }
    return {};
}

// The batch options against each other and the videos; the error, else empty.
QString batchError(const CommandLineExtractor::Options &options)
{
    const int modes = int(!options.manifest.isEmpty()) + int(!options.manifestFrom.isEmpty())
                      + int(!options.collect.isEmpty());
    if (modes > 1)
        return QStringLiteral("--manifest, --manifest-from and --collect are used one at a time");
    if (options.index >= 0 && options.manifest.isEmpty())
        return QStringLiteral("--index: only with --manifest");
    if ((!options.manifest.isEmpty() || !options.manifestFrom.isEmpty()) && !options.videos.isEmpty())
        return QStringLiteral("%1: the videos come from the manifest, not the command line")
            .arg(options.manifest.isEmpty() ? QStringLiteral("--manifest-from") : QStringLiteral("--manifest"));
    if (!options.collect.isEmpty() && options.videos.size() != 1)
        return QStringLiteral("--collect: give the project, then the one manifest");
    if (modes == 0 && !options.listLanguages && !options.help && options.videos.isEmpty())
        return QStringLiteral("no video given");
    return {};
}

} // namespace

bool CommandLineExtractor::parseArguments(const QStringList &arguments, Options *options, QString *error)
{
    QCommandLineParser parser;
    // "-o" and "-h" are the only short names; "-xyz" is one unknown option, not three.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QStringList &names : optionNames)
        parser.addOption(QCommandLineOption(names, QString(), takesValue(names) ? names.constFirst() : QString()));
    if (!parser.parse(QStringList{QStringLiteral("tarnix-cli")} + arguments)) {
        *error = syntaxError(parser, arguments);
        return false;
    }
    // Each occurrence in the order given, so the first bad value is the one reported.
    QHash<QString, qsizetype> used;
    for (const QString &name : parser.optionNames()) {
        const QString option = canonicalName(name);
        const QString value = parser.values(option).value(used[option]++);
        const QString problem = option == QLatin1String("crop") && used[option] > 1 ? addCropSetting(value, options)
                                                                                  : applyOption(option, value, options);
        if (!problem.isEmpty()) {
            *error = problem;
            return false;
        }
    }
    options->videos = parser.positionalArguments();
    if (options->rateGiven && options->scan == ScanMode::Fast) {
        *error = QStringLiteral("--rate: only for --scan playback (the fast scan reads every frame)");
        return false;
    }
    *error = batchError(*options);
    return error->isEmpty();
}

QString CommandLineExtractor::applySetting(const QString &option, const QString &value, Options *options)
{
    static const QStringList settings = {QStringLiteral("lang"), QStringLiteral("crop"), QStringLiteral("range"),
                                         QStringLiteral("rate"), QStringLiteral("scan"), QStringLiteral("format"),
                                         QStringLiteral("engine")};
    if (!settings.contains(option))
        return QStringLiteral("%1: not a setting").arg(option);
    return applyOption(option, value, options);
}

// "auto" finds every area, so it stands alone.
QString CommandLineExtractor::addCropSetting(const QString &value, Options *options)
{
    QRect area;
    if (value == QLatin1String("auto") || options->crop.isNull())
        return QStringLiteral("--crop: auto finds every subtitle area, give it alone or give rectangles only");
    if (!parseCrop(value, &area))
        return QStringLiteral("--crop: '%1' is not X,Y,W,H with a positive width and height").arg(value);
    options->moreCrops.append(area);
    return {};
}
