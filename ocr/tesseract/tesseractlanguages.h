#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// What the installed Tesseract models mean as languages: the tessdata folder, which of its
// models are languages, their BCP 47 tags and display names, and which of them the user prefers.
class TesseractLanguages
{
public:
    // TESSDATA_PREFIX when set (the folder holding the .traineddata files, or its parent),
    // else the Debian location.
    static QString dataDirectory();
    // Names of the .traineddata files found there, sorted.
    static QStringList installedModels(const QString &dataDirectory);

    // "eng" -> "en", "chi_sim" -> "zh-Hans"; empty for models that are not a language of their
    // own (orientation, equations, script models, vertical and historic variants).
    static QString tagForModel(const QString &model);
    // The first of `models` whose tag is exactly `tag` (case-sensitive); empty when none.
    static QString modelForTag(const QString &tag, const QStringList &models);
    // Language entries {tag, display name} for the models, sorted by tag, one per tag.
    static QList<QStringList> languageEntries(const QStringList &models, const QLocale &uiLocale);
    // Chinese names for a Chinese interface, English names otherwise.
    static QString displayName(const QString &tag, const QLocale &uiLocale);
    // Whether the language is written in an alphabet of separate letters (Latin, Cyrillic, Greek,
    // ...), where nothing small stands inside a letter's box.
    static bool usesSeparateLetters(const QString &tag);
    // The first interface language for which one of `installedTags` recognises the same language
    // (and script), spelled as that tag; else the first interface language as it is.
    static QString preferredTag(const QStringList &uiLanguages, const QStringList &installedTags);
};
