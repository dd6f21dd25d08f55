#include "interfacelanguage.h"

#include <QCoreApplication>
#include <QTranslator>

bool InterfaceLanguage::keepsChineseTexts(QLocale::Language language)
{
    // Only Chinese itself: the raw values 228 and 107 that older builds also kept are Persian
    // and Hungarian in Qt 6, whose users read the English catalogue better than Chinese.
    return language == QLocale::Chinese;
}

bool InterfaceLanguage::install(QTranslator &translator, const QLocale &locale)
{
    if (keepsChineseTexts(locale.language()))
        return false;
    if (!translator.load(QStringLiteral(":/new/i18n/Translation_en.qm")))
        return false;
    return QCoreApplication::installTranslator(&translator);
}
