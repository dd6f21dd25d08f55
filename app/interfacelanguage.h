#pragma once

#include <QLocale>

class QTranslator;

// Chinese systems keep the program's own Chinese texts; every other language gets English.
class InterfaceLanguage
{
public:
    static bool keepsChineseTexts(QLocale::Language language);
    // Loads and installs the English catalogue unless the language keeps the Chinese texts.
    // Returns whether the catalogue was installed.
    static bool install(QTranslator &translator, const QLocale &locale = QLocale());
};
