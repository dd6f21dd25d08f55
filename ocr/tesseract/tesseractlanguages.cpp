#include "tesseractlanguages.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace {

struct ModelLanguage
{
    const char *model;
    const char *tag;
    const char *englishName;
    const char *chineseName;
};

// Tesseract names its models after ISO 639-2/T codes (a few old packs use the /B codes, listed
// after the main table), with suffixes for a script ("_cyrl", "_latn") or the Fraktur typeface.
// Tags use the ISO 639-1 code where one exists and a script subtag only where the model's
// script is not the language's usual one. Fraktur models get the registered "Latf" script;
// vertical ("_vert") and historic-orthography ("_old") models are left out: they would show as a
// second entry of the same language and do not suit horizontal subtitle lines.
// When several models share a tag, the first one listed and installed is used.
const ModelLanguage modelLanguages[] = {
    {"afr", "af", "Afrikaans", "南非荷兰语"},
    {"amh", "am", "Amharic", "阿姆哈拉语"},
    {"ara", "ar", "Arabic", "阿拉伯语"},
    {"asm", "as", "Assamese", "阿萨姆语"},
    {"aze", "az", "Azerbaijani", "阿塞拜疆语"},
    {"aze_cyrl", "az-Cyrl", "Azerbaijani (Cyrillic)", "阿塞拜疆语（西里尔字母）"},
    {"bel", "be", "Belarusian", "白俄罗斯语"},
    {"ben", "bn", "Bengali", "孟加拉语"},
    {"bod", "bo", "Tibetan", "藏语"},
    {"bos", "bs", "Bosnian", "波斯尼亚语"},
    {"bre", "br", "Breton", "布列塔尼语"},
    {"bul", "bg", "Bulgarian", "保加利亚语"},
    {"cat", "ca", "Catalan", "加泰罗尼亚语"},
    {"ceb", "ceb", "Cebuano", "宿务语"},
    {"ces", "cs", "Czech", "捷克语"},
    {"chi_sim", "zh-Hans", "Chinese (Simplified)", "简体中文"},
    {"chi_tra", "zh-Hant", "Chinese (Traditional)", "繁体中文"},
    {"chr", "chr", "Cherokee", "切罗基语"},
    {"cos", "co", "Corsican", "科西嘉语"},
    {"cym", "cy", "Welsh", "威尔士语"},
    {"dan", "da", "Danish", "丹麦语"},
    {"dan_frak", "da-Latf", "Danish (Fraktur)", "丹麦语（哥特体）"},
    {"deu", "de", "German", "德语"},
    {"deu_latf", "de-Latf", "German (Fraktur)", "德语（哥特体）"},
    {"frk", "de-Latf", "German (Fraktur)", "德语（哥特体）"},
    {"deu_frak", "de-Latf", "German (Fraktur)", "德语（哥特体）"},
    {"div", "dv", "Divehi", "迪维希语"},
    {"dzo", "dz", "Dzongkha", "宗卡语"},
    {"ell", "el", "Greek", "希腊语"},
    {"eng", "en", "English", "英语"},
    {"enm", "enm", "Middle English", "中古英语"},
    {"epo", "eo", "Esperanto", "世界语"},
    {"est", "et", "Estonian", "爱沙尼亚语"},
    {"eus", "eu", "Basque", "巴斯克语"},
    {"fao", "fo", "Faroese", "法罗语"},
    {"fas", "fa", "Persian", "波斯语"},
    {"fil", "fil", "Filipino", "菲律宾语"},
    {"fin", "fi", "Finnish", "芬兰语"},
    {"fra", "fr", "French", "法语"},
    {"frm", "frm", "Middle French", "中古法语"},
    {"fry", "fy", "Western Frisian", "西弗里西亚语"},
    {"gla", "gd", "Scottish Gaelic", "苏格兰盖尔语"},
    {"gle", "ga", "Irish", "爱尔兰语"},
    {"glg", "gl", "Galician", "加利西亚语"},
    {"grc", "grc", "Ancient Greek", "古希腊语"},
    {"guj", "gu", "Gujarati", "古吉拉特语"},
    {"hat", "ht", "Haitian Creole", "海地克里奥尔语"},
    {"heb", "he", "Hebrew", "希伯来语"},
    {"hin", "hi", "Hindi", "印地语"},
    {"hrv", "hr", "Croatian", "克罗地亚语"},
    {"hun", "hu", "Hungarian", "匈牙利语"},
    {"hye", "hy", "Armenian", "亚美尼亚语"},
    {"iku", "iu", "Inuktitut", "因纽特语"},
    {"ind", "id", "Indonesian", "印度尼西亚语"},
    {"isl", "is", "Icelandic", "冰岛语"},
    {"ita", "it", "Italian", "意大利语"},
    {"jav", "jv", "Javanese", "爪哇语"},
    {"jpn", "ja", "Japanese", "日语"},
    {"kan", "kn", "Kannada", "卡纳达语"},
    {"kat", "ka", "Georgian", "格鲁吉亚语"},
    {"kaz", "kk", "Kazakh", "哈萨克语"},
    {"khm", "km", "Khmer", "高棉语"},
    {"kir", "ky", "Kyrgyz", "吉尔吉斯语"},
    {"kmr", "kmr", "Northern Kurdish", "北库尔德语"},
    {"kur", "ku", "Kurdish", "库尔德语"},
    {"kor", "ko", "Korean", "韩语"},
    {"lao", "lo", "Lao", "老挝语"},
    {"lat", "la", "Latin", "拉丁语"},
    {"lav", "lv", "Latvian", "拉脱维亚语"},
    {"lit", "lt", "Lithuanian", "立陶宛语"},
    {"ltz", "lb", "Luxembourgish", "卢森堡语"},
    {"mal", "ml", "Malayalam", "马拉雅拉姆语"},
    {"mar", "mr", "Marathi", "马拉地语"},
    {"mkd", "mk", "Macedonian", "马其顿语"},
    {"mlt", "mt", "Maltese", "马耳他语"},
    {"mon", "mn", "Mongolian", "蒙古语"},
    {"mri", "mi", "Maori", "毛利语"},
    {"msa", "ms", "Malay", "马来语"},
    {"mya", "my", "Burmese", "缅甸语"},
    {"nep", "ne", "Nepali", "尼泊尔语"},
    {"nld", "nl", "Dutch", "荷兰语"},
    {"nor", "no", "Norwegian", "挪威语"},
    {"oci", "oc", "Occitan", "奥克语"},
    {"ori", "or", "Odia", "奥里亚语"},
    {"pan", "pa", "Punjabi", "旁遮普语"},
    {"pol", "pl", "Polish", "波兰语"},
    {"por", "pt", "Portuguese", "葡萄牙语"},
    {"pus", "ps", "Pashto", "普什图语"},
    {"que", "qu", "Quechua", "克丘亚语"},
    {"ron", "ro", "Romanian", "罗马尼亚语"},
    {"rus", "ru", "Russian", "俄语"},
    {"san", "sa", "Sanskrit", "梵语"},
    {"sin", "si", "Sinhala", "僧伽罗语"},
    {"slk", "sk", "Slovak", "斯洛伐克语"},
    {"slk_frak", "sk-Latf", "Slovak (Fraktur)", "斯洛伐克语（哥特体）"},
    {"slv", "sl", "Slovenian", "斯洛文尼亚语"},
    {"snd", "sd", "Sindhi", "信德语"},
    {"spa", "es", "Spanish", "西班牙语"},
    {"sqi", "sq", "Albanian", "阿尔巴尼亚语"},
    {"srp", "sr", "Serbian", "塞尔维亚语"},
    {"srp_latn", "sr-Latn", "Serbian (Latin)", "塞尔维亚语（拉丁字母）"},
    {"sun", "su", "Sundanese", "巽他语"},
    {"swa", "sw", "Swahili", "斯瓦希里语"},
    {"swe", "sv", "Swedish", "瑞典语"},
    {"syr", "syr", "Syriac", "叙利亚语"},
    {"tam", "ta", "Tamil", "泰米尔语"},
    {"tat", "tt", "Tatar", "鞑靼语"},
    {"tel", "te", "Telugu", "泰卢固语"},
    {"tgk", "tg", "Tajik", "塔吉克语"},
    {"tgl", "tl", "Tagalog", "他加禄语"},
    {"tha", "th", "Thai", "泰语"},
    {"tir", "ti", "Tigrinya", "提格里尼亚语"},
    {"ton", "to", "Tongan", "汤加语"},
    {"tur", "tr", "Turkish", "土耳其语"},
    {"uig", "ug", "Uyghur", "维吾尔语"},
    {"ukr", "uk", "Ukrainian", "乌克兰语"},
    {"urd", "ur", "Urdu", "乌尔都语"},
    {"uzb", "uz", "Uzbek", "乌兹别克语"},
    {"uzb_cyrl", "uz-Cyrl", "Uzbek (Cyrillic)", "乌兹别克语（西里尔字母）"},
    {"vie", "vi", "Vietnamese", "越南语"},
    {"yid", "yi", "Yiddish", "意第绪语"},
    {"yor", "yo", "Yoruba", "约鲁巴语"},
    // ISO 639-2/B spellings found in older packs.
    {"alb", "sq", "Albanian", "阿尔巴尼亚语"},
    {"arm", "hy", "Armenian", "亚美尼亚语"},
    {"baq", "eu", "Basque", "巴斯克语"},
    {"bur", "my", "Burmese", "缅甸语"},
    {"cze", "cs", "Czech", "捷克语"},
    {"dut", "nl", "Dutch", "荷兰语"},
    {"fre", "fr", "French", "法语"},
    {"geo", "ka", "Georgian", "格鲁吉亚语"},
    {"ger", "de", "German", "德语"},
    {"gre", "el", "Greek", "希腊语"},
    {"ice", "is", "Icelandic", "冰岛语"},
    {"mac", "mk", "Macedonian", "马其顿语"},
    {"mao", "mi", "Maori", "毛利语"},
    {"may", "ms", "Malay", "马来语"},
    {"per", "fa", "Persian", "波斯语"},
    {"rum", "ro", "Romanian", "罗马尼亚语"},
    {"slo", "sk", "Slovak", "斯洛伐克语"},
    {"tib", "bo", "Tibetan", "藏语"},
    {"wel", "cy", "Welsh", "威尔士语"},
};

// Models that are not languages even though they look like language codes.
const char *const nonLanguageModels[] = {"osd", "equ"};

const ModelLanguage *findModel(const QString &model)
{
    const auto found = std::find_if(std::begin(modelLanguages), std::end(modelLanguages),
                                    [&](const ModelLanguage &entry) { return model == QLatin1String(entry.model); });
    return found == std::end(modelLanguages) ? nullptr : found;
}

const ModelLanguage *findTag(const QString &tag)
{
    const auto found = std::find_if(std::begin(modelLanguages), std::end(modelLanguages),
                                    [&](const ModelLanguage &entry) { return tag == QLatin1String(entry.tag); });
    return found == std::end(modelLanguages) ? nullptr : found;
}

bool isPlainLanguageCode(const QString &model)
{
    static const QRegularExpression code(QStringLiteral("^[a-z]{3}$"));
    if (!code.match(model).hasMatch())
        return false;
    return std::none_of(std::begin(nonLanguageModels), std::end(nonLanguageModels),
                        [&](const char *name) { return model == QLatin1String(name); });
}

bool hasTrainedData(const QDir &dir)
{
    return !dir.entryList({QStringLiteral("*.traineddata")}, QDir::Files).isEmpty();
}

struct LanguageAndScript
{
    QString language;
    QString script; // empty when unknown
};

QString likelyScript(const QLocale &locale)
{
    if (locale.language() == QLocale::C || locale.script() == QLocale::AnyScript)
        return {};
    return QLocale::scriptToCode(locale.script());
}

// Interface languages come as "en-US", "zh-Hans-CN", "zh_TW" or "C".
LanguageAndScript parseInterfaceLanguage(QString name)
{
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    if (name == QLatin1String("C") || name == QLatin1String("POSIX"))
        name = QStringLiteral("en-US");
    const QStringList parts = name.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    LanguageAndScript parsed;
    parsed.language = parts.value(0).toLower();
    // Norwegian Bokmål and Nynorsk both read as the one Norwegian model.
    if (parsed.language == QLatin1String("nb") || parsed.language == QLatin1String("nn"))
        parsed.language = QStringLiteral("no");
    const QString second = parts.value(1);
    if (second.size() == 4 && second.at(0).isLetter())
        parsed.script = second.left(1).toUpper() + second.mid(1).toLower();
    else
        parsed.script = likelyScript(QLocale(name));
    return parsed;
}

LanguageAndScript parseRecognizerTag(const QString &tag)
{
    const QStringList parts = tag.split(QLatin1Char('-'));
    LanguageAndScript parsed;
    parsed.language = parts.value(0);
    parsed.script = parts.value(1).size() == 4 ? parts.value(1) : likelyScript(QLocale(parsed.language));
    return parsed;
}

bool sameLanguage(const LanguageAndScript &wanted, const LanguageAndScript &offered)
{
    if (wanted.language != offered.language)
        return false;
    return wanted.script.isEmpty() || offered.script.isEmpty() || wanted.script == offered.script;
}

} // namespace

QString TesseractLanguages::dataDirectory()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (prefix.isEmpty())
        return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
    // Tesseract 3 wanted the parent of "tessdata" here; accept both spellings.
    const QDir given(prefix);
    const QDir nested(given.filePath(QStringLiteral("tessdata")));
    if (!hasTrainedData(given) && hasTrainedData(nested))
        return nested.path();
    return given.path();
}

QStringList TesseractLanguages::installedModels(const QString &dataDirectory)
{
    QStringList models;
    const QFileInfoList files = QDir(dataDirectory).entryInfoList({QStringLiteral("*.traineddata")},
                                                                  QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &file : files)
        models << file.completeBaseName();
    return models;
}

QString TesseractLanguages::tagForModel(const QString &model)
{
    if (const ModelLanguage *entry = findModel(model))
        return QString::fromLatin1(entry->tag);
    // A three-letter model we do not list: its two-letter code where one exists, else the
    // three-letter code itself, which is a valid BCP 47 language subtag too.
    if (!isPlainLanguageCode(model))
        return {};
    const QLocale::Language language = QLocale::codeToLanguage(model, QLocale::ISO639Part2);
    const QString shortCode
        = language == QLocale::AnyLanguage ? QString() : QLocale::languageToCode(language, QLocale::ISO639Part1);
    return shortCode.isEmpty() ? model : shortCode;
}

QString TesseractLanguages::modelForTag(const QString &tag, const QStringList &models)
{
    if (tag.isEmpty())
        return {};
    for (const ModelLanguage &entry : modelLanguages) {
        if (tag == QLatin1String(entry.tag) && models.contains(QLatin1String(entry.model)))
            return QString::fromLatin1(entry.model);
    }
    for (const QString &model : models) {
        if (tagForModel(model) == tag)
            return model;
    }
    return {};
}

QList<QStringList> TesseractLanguages::languageEntries(const QStringList &models, const QLocale &uiLocale)
{
    QStringList tags;
    for (const QString &model : models) {
        const QString tag = tagForModel(model);
        if (!tag.isEmpty() && !tags.contains(tag))
            tags << tag;
    }
    tags.sort();
    QList<QStringList> entries;
    for (const QString &tag : std::as_const(tags))
        entries << QStringList{tag, displayName(tag, uiLocale)};
    return entries;
}

QString TesseractLanguages::displayName(const QString &tag, const QLocale &uiLocale)
{
    const bool chinese = uiLocale.language() == QLocale::Chinese;
    if (const ModelLanguage *entry = findTag(tag))
        return QString::fromUtf8(chinese ? entry->chineseName : entry->englishName);
    const QLocale::Language language = QLocale::codeToLanguage(tag);
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return tag;
    return QLocale::languageToString(language);
}

QString TesseractLanguages::preferredTag(const QStringList &uiLanguages, const QStringList &installedTags)
{
    for (const QString &uiLanguage : uiLanguages) {
        const LanguageAndScript wanted = parseInterfaceLanguage(uiLanguage);
        for (const QString &tag : installedTags) {
            if (sameLanguage(wanted, parseRecognizerTag(tag)))
                return tag;
        }
    }
    return uiLanguages.value(0);
}

bool TesseractLanguages::usesSeparateLetters(const QString &tag)
{
    static const QStringList alphabets{QStringLiteral("Latn"), QStringLiteral("Latf"), QStringLiteral("Cyrl"),
                                       QStringLiteral("Grek"), QStringLiteral("Armn"), QStringLiteral("Geor")};
    const QString script = parseRecognizerTag(tag).script;
    if (!script.isEmpty())
        return alphabets.contains(script);
    // Old and unlisted models QLocale does not know: English, French and Greek of other ages.
    static const QStringList historic{QStringLiteral("enm"), QStringLiteral("frm"), QStringLiteral("grc")};
    return historic.contains(tag);
}
