#pragma once

#include "linelook.h"

#include "core/framesample.h"
#include "core/refusedentry.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// What the subtitles of one video look like, learnt from the lines it is sure of (long, clearly
// read, steady): how tall they are, where they stand across the picture (centred, or aligned
// left or right) and their colours. Lines read from the picture itself are refused: lettering
// that moves with it, and lines unlike the subtitles in two respects (or in one and read unsure
// or as a mere letter or two, as texture is). A line unlike them in one respect alone is kept,
// and so is every line the recogniser told nothing about.
class SubtitleLook
{
public:
    // The readings with the refused lines taken out, and those lines apart (same times, so
    // both segment alike); `reasons` by refused line.
    struct Sorted
    {
        QList<FrameSample> kept;
        QList<FrameSample> refused;
        QHash<QString, QString> reasons;
    };
    struct Verdict
    {
        QList<SRTEntry> accepted;
        QList<RefusedEntry> refused;
    };

    SubtitleLook(const QList<FrameSample> &samples, const LineLooks &looks);

    // Enough sure lines were seen to know the look.
    bool isKnown() const { return model.known; }
    Sorted sort() const;
    // The fast scan's entries with what does not look like a subtitle set apart.
    static Verdict judge(const QList<FrameSample> &samples, const LineLooks &looks);
    // The same for the samples of several subtitle areas, each judged by its own look: signs at
    // the top are neither the dialogue's size nor in its place.
    static Verdict judge(const QList<FrameSample> &samples, const AreaLineLooks &looks);

private:
    enum class Anchor { Centre, Left, Right };
    struct Model
    {
        bool known = false;
        double height = 0;
        Anchor anchor = Anchor::Centre;
        double position = 0;
        double spread = 0;
        QColor light, dark;
    };
    struct Line
    {
        int reading = 0; // index in `readings`
        int index = 0;   // of the line in its reading
        const LineLook *look = nullptr;
        QString text; // as read, less lettering of the picture glued to it
        QRect box;    // of `text`
        QString cut;  // the glued lettering taken off
        bool moving = false;
        bool outlasts = false; // read on while two or more other lines came
        int chain = -1;     // lines of the same text read one after another share one
        qint64 shownMs = 0; // how long the same text was read in a row
    };

    void markMoving();
    void markOutlasting(const std::vector<std::vector<int>> &chains);
    bool isPicture(const Line &line) const;
    void cutGlued();
    void cutGlued(Line &line, const Line &lettering);
    void learn();
    QStringList pictureMisfits(const QRect &box, const LineLook &look) const;
    bool fitsPlacement(const QRect &box) const;
    QString refusal(const Line &line) const;
    bool cutPieces(const LineLook &look, QString *kept, QString *cut) const;
    double positionOf(const QRect &box, Anchor anchor) const;

    const LineLooks looks;
    QList<FrameSample> readings; // one per time
    QList<qint64> durations;
    QList<Line> lines;
    Model model;
};
