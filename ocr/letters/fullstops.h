#pragma once

#include "ocr/ppocr/ctcdecoder.h"
#include "wordlist.h"

#include <QImage>
#include <QRect>

// Full stops as the picture shows them. The recogniser reads texture after the end of a line
// (noise, cells) as the rest of an ellipsis ("company..."), and loses a small stop beside the
// letter before it ("ugly", "error You"). A stop shows as one dot of one of the line's colours
// enclosed by the other (its outline, shadow or panel), an ellipsis as three; a speck of texture
// has the texture around it.
namespace FullStops {

// `read` (of the crop `crop` of `picture`, whose line's box is `line`) with the stops read after
// its last letter cut to one where the picture shows exactly one dot there, and two made three
// where it shows an ellipsis. Whether any changed. The picture must be in QImage::Format_RGB32.
bool keepSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with a full stop after its last letter where the recogniser read no mark and the picture
// shows one dot beside that letter, an ellipsis where it shows three: a small dot after a letter's
// foot is lost to the letter ("ugly" for "ugly."). Whether any was added. The picture must be in
// QImage::Format_RGB32.
bool addSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with a full stop between two sentences where the recogniser read no mark ("error You"):
// after a word, before a capital opening the next, where the picture shows one dot there. A
// comma read there stays: its head alone can look like a dot where its tail is thin. Whether any
// was added.
bool addStopsBeforeCapitals(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with a comma made a full stop where a sentence follows it ("you, How unusual!"): the next
// word is one the list writes in small letters alone (no name, no "I"), and the picture shows one
// dot there, not a comma's tail. Whether any changed.
bool commasBeforeSentences(const QImage &picture, const QRect &line, const QRect &crop, const WordList &words,
                           CtcDecoder::Result &read);

// `read` without a full stop the picture does not show, read inside a line before a word in
// small letters ("If. you're", "for. itself"): a speck of texture beside a word's last letter,
// where neither a stop nor a comma stands; a comma where the mark there has a comma's shape and
// no dot's. Whether any was dropped or changed.
bool dropStopsOfNoInk(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with the closing quotation mark of a line that opens one where the recogniser lost it
// after the line's closing mark, or read it as an apostrophe ("half-lives.'"): the picture shows
// its ticks there. Whether one was added.
bool addClosingQuote(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with the commas the recogniser lost between two words ("Actually my"): the picture
// shows one there, its head above the letters' baseline and its tail well below it. Only in the
// line's fill within its outline, shadow or panel: on plain letters over texture a speck can
// look the same. Whether any was added.
bool addCommasSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

// `read` with a run of stops or exclamation marks made as long as the picture shows it, counting
// their dots: the recogniser reads a mark repeated without a gap as fewer ("but." for "but...",
// "ALERT!!!" for "ALERT!!!!"). Stops become an ellipsis only where three dots stand. Whether any
// run grew.
bool mendRunsOfMarks(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

} // namespace FullStops
