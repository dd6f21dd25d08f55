#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class WordList;

// The dash that opens a dialogue line ("- Who is it?") is a short bar standing apart from the
// letters; the line detector often leaves it outside the line's box or misses it. It is looked
// for beside the box's left end as a bar of the line's own ink colour at its mid-height.
namespace DialogueDash {

struct Dash
{
    QRect bar; // in picture coordinates
    // Halfway between the bar and the letter after it: where a crop of the text after the dash
    // starts. The recogniser, shown the dash, often drops a narrow letter after it ("- I").
    int textStart = 0;
};

// The dash, if one stands just before or at the start of `line`. The picture must be in
// QImage::Format_RGB32.
std::optional<Dash> find(const QImage &picture, const QRect &line);

// The text read for a line with a dash found at `dash`: a leading mark the recogniser took the
// dash for (一, ·, an en dash) becomes "-", a dash it did not read at all is put back.
QString withDash(const QString &text, const QRect &dash, const QRect &line);

// A dash read without its space ("-Who is it?") as subtitles write it: "- Who is it?". Before an
// ideograph, a full-width hyphen, middle dot or full stop opening the line is the dash read in
// the ideographs' style: no Chinese sentence starts with one.
QString spacedLeadingDash(QString line);

// What the reading of a dialogue line from after its dash (`afterDash`) lost at its start, found
// in a reading from the dash itself (`fromDash`): a sentence after a dash opens with a capital, so
// where `afterDash` opens with a small letter and `fromDash` reads one capitalised word of the
// list before the same text ("-I was at work." for "was at work."), `fromDash` without its dash.
std::optional<CtcDecoder::Result> withLostFirstWord(const CtcDecoder::Result &afterDash,
                                                    CtcDecoder::Result fromDash, const WordList &words);

// Whether the bar taken for a dash is a stroke of the line's first letter: the foot serif of a
// small T whose stem is too faint to join it. Read from the bar (`fromDash`), the recogniser sees
// no dash but letters glued to the first word read after it (`afterDash`, opening with a small
// letter), and the two make a capitalised word of the list ("T" + "here is" -> "There is").
bool barIsLetterStroke(const CtcDecoder::Result &afterDash, const CtcDecoder::Result &fromDash,
                       const WordList &words);

} // namespace DialogueDash
