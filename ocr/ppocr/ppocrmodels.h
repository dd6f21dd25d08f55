#pragma once

#include <QString>
#include <QStringList>

// Where the PP-OCR models are and whether they are complete. scripts/fetch-models.sh puts them
// into the build; `cmake --install` copies them next to the program's data.
class PpocrModels
{
public:
    // TARNIX_PPOCR_MODELS when set (even to a folder without models, so that a test or a user can
    // switch the engine off), else the installed folder, else the build's.
    static QString directory();
    // Empty when `directory` holds a detector, a dictionary and at least one recogniser width;
    // what is missing otherwise.
    static QString problem(const QString &directory);
    // Widths of the recogniser copies found, ascending.
    static QList<int> recognizerWidths(const QString &directory);
    static QString detectorPath(const QString &directory);
    static QString recognizerPath(const QString &directory, int width);
    static QString dictionaryPath(const QString &directory);
};
