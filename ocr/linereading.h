#pragma once

#include <QList>
#include <QRect>
#include <QString>

// One line as the recogniser read it, with what the picture says about it: where its pieces were
// found (in the picture read) and how sure the recogniser was. Engines that cannot tell leave the
// box empty and the confidence negative.
struct LineReading
{
    struct Piece
    {
        QString text;
        QRect box;
        float confidence = -1;
    };

    QString text;
    QRect box;              // the pieces' bounds
    float confidence = -1;  // over the line's characters
    QList<Piece> pieces;    // left to right, those that gave text
};
