#include "dashesbetweenwords.h"

#include "linecolours.h"
#include "markpieces.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

Q_LOGGING_CATEGORY(lcDashes, "tarnix.ocr.dashes", QtWarningMsg)

namespace {

// A space is about a quarter of the line's height wide, the gap between a compound's hyphen and
// its letters a twentieth.
constexpr double spaceOfLine = 0.14;
constexpr int mostBars = 3;

struct Dash
{
    int bars = 0;
    bool spaced = false;
    // Set apart from the letters either side with no other ink over the bars' stretch of the
    // line, texture running out of the crop aside.
    bool alone = false;
};

// Whether the bars `bars` stand apart by `space` from the nearest letters among `others`, the
// pieces of their colour in a region `height` high, and no letter lies over them.
bool aloneBetweenLetters(const std::vector<PixelBox> &bars, const std::vector<PixelBox> &others, int height,
                         double space)
{
    int before = -1, after = std::numeric_limits<int>::max();
    for (const PixelBox &b : others) {
        if (b.top <= 0 || b.bottom >= height - 1)
            continue;
        if (b.right < bars.front().left)
            before = std::max(before, b.right);
        else if (b.left > bars.back().right)
            after = std::min(after, b.left);
        else
            return false;
    }
    return before >= 0 && after < std::numeric_limits<int>::max() && bars.front().left - before - 1 >= space
           && after - bars.back().right - 1 >= space;
}

// Bars of `colour` in `region`: pieces half as wide again as high (a narrow face's hyphen is
// barely more), between an eighth and a half of the line wide (less is a crumb of a hyphen broken
// by the video's compression), at most a quarter of the line high, in its middle, in one row. The
// pieces either side of them are letters.
std::optional<Dash> dashIn(const QImage &picture, const QRect &region, QRgb colour, int tolerance, const QRect &line)
{
    const ComponentLabelling::Labels labels = MarkPieces::piecesOf(picture, region, colour, tolerance);
    const int h = line.height();
    const int top = line.top() + h / 3 - region.top(), bottom = line.bottom() - h / 4 - region.top();
    std::vector<PixelBox> bars, others;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        const int middle = (b.top + b.bottom) / 2;
        const bool bar = 2 * b.width() >= 3 * b.height() && b.height() * 4 <= h && b.width() * 8 >= h
                         && b.width() * 2 <= h && middle >= top && middle <= bottom && b.left > 0
                         && b.right < region.width() - 1;
        (bar ? bars : others).push_back(b);
    }
    // A dash's bars are alike; one far shorter than the longest is a crumb of it.
    int longest = 0;
    for (const PixelBox &b : bars)
        longest = std::max(longest, b.width());
    const auto crumb = [longest](const PixelBox &b) { return 2 * b.width() < longest; };
    bars.erase(std::remove_if(bars.begin(), bars.end(), crumb), bars.end());
    if (bars.empty() || int(bars.size()) > mostBars)
        return std::nullopt;
    std::sort(bars.begin(), bars.end(), [](const PixelBox &a, const PixelBox &b) { return a.left < b.left; });
    if (std::any_of(bars.cbegin(), bars.cend(), [&](const PixelBox &b) { return std::abs(b.top - bars.front().top) > 1; }))
        return std::nullopt;
    // The letters' ink nearest the bars on either side.
    int before = -1, after = region.width();
    for (const PixelBox &b : others) {
        if (b.right < bars.front().left)
            before = std::max(before, b.right);
        else if (b.left > bars.back().right)
            after = std::min(after, b.left);
    }
    if (before < 0 || after >= region.width())
        return std::nullopt;
    const double space = spaceOfLine * h;
    const bool spaced = bars.front().left - before - 1 >= space && after - bars.back().right - 1 >= space;
    return Dash{int(bars.size()), spaced, aloneBetweenLetters(bars, others, region.height(), space)};
}

// The dash of bars the picture shows between the letter before `first` and the one at `end` in
// `read`, from the middle of one to the middle of the other.
std::optional<Dash> dashBetween(const QImage &picture, const QRect &line, const QRect &crop,
                                const CtcDecoder::Result &read, const LineColours &colours, qsizetype first,
                                qsizetype end)
{
    const QList<CtcDecoder::Character> &characters = read.characters;
    const QRect region = QRect(QPoint(MarkPieces::pixelAt(crop, read, characters[first - 1].first), crop.top()),
                               QPoint(MarkPieces::pixelAt(crop, read, characters[end].last), crop.bottom()))
                         & picture.rect();
    std::optional<Dash> dash = dashIn(picture, region, colours.light, colours.tolerance, line);
    return dash ? dash : dashIn(picture, region, colours.dark, colours.tolerance, line);
}

// A dash whose bars the recogniser read as letters ("word co you"): a token of one or two
// characters alone between two words, where the picture shows two or three bars set apart from
// both and nothing else. Whether any changed.
bool mendBarsReadAsLetters(const QImage &picture, const QRect &line, const QRect &crop, const LineColours &colours,
                           CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    bool changed = false;
    for (qsizetype i = 1; i + 1 < characters.size(); ++i) {
        qsizetype end = i + 1;
        while (end < characters.size() && !characters[end].spaceBefore)
            ++end;
        const bool alone = characters[i].spaceBefore && end < characters.size() && end - i <= 2
                           && characters[i - 1].isLetter() && characters[end].isLetter()
                           && characters[i].text != QLatin1String("-");
        if (!alone)
            continue;
        const std::optional<Dash> dash = dashBetween(picture, line, crop, read, colours, i, end);
        if (!dash || dash->bars < 2 || !dash->alone)
            continue;
        qCDebug(lcDashes) << "bars read as" << CtcDecoder::Result::joined(characters.mid(i, end - i));
        CtcDecoder::Character hyphen = characters[i];
        hyphen.text = QStringLiteral("-");
        hyphen.spaceBefore = false;
        characters.erase(characters.begin() + i, characters.begin() + end);
        for (int bar = 0; bar < dash->bars; ++bar)
            characters.insert(i, hyphen);
        characters[i].spaceBefore = true;
        changed = true;
        i += dash->bars;
    }
    return changed;
}

} // namespace

bool DashesBetweenWords::mend(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (read.pixelsPerStep <= 0 || !colours)
        return false;
    bool changed = mendBarsReadAsLetters(picture, line, crop, *colours, read);
    for (qsizetype i = 1; i + 1 < characters.size(); ++i) {
        if (characters[i].text != QLatin1String("-") || !characters[i - 1].isLetter())
            continue;
        qsizetype end = i + 1;
        while (end < characters.size() && characters[end].text == QLatin1String("-"))
            ++end;
        if (end == characters.size() || !characters[end].isLetter())
            continue;
        const std::optional<Dash> dash = dashBetween(picture, line, crop, read, *colours, i, end);
        qCDebug(lcDashes) << "hyphens" << end - i << "bars" << (dash ? dash->bars : 0) << "spaced" << (dash && dash->spaced);
        // A dash read as two hyphens is set apart on both sides or on neither, whatever the bars:
        // at a small size the two run together, and a space read on one side only ("act
        // --hesitate") is one the recogniser lost on the other.
        const bool spacedOnOneSide = characters[i].spaceBefore != characters[end].spaceBefore;
        if ((!dash || dash->bars < 2) && end - i == 2 && spacedOnOneSide) {
            characters[i].spaceBefore = characters[end].spaceBefore = true;
            changed = true;
            i = end;
            continue;
        }
        // One bar may be a compound's hyphen, its gaps widened by a shadow or a bold face; two
        // are a dash.
        if (!dash || dash->bars < 2)
            continue;
        const bool spacedBefore = characters[i].spaceBefore || dash->spaced;
        const bool spacedAfter = characters[end].spaceBefore || dash->spaced;
        if (dash->bars == end - i && spacedBefore == characters[i].spaceBefore
            && spacedAfter == characters[end].spaceBefore)
            continue;
        CtcDecoder::Character hyphen = characters[i];
        hyphen.spaceBefore = false;
        characters.erase(characters.begin() + i, characters.begin() + end);
        for (int bar = 0; bar < dash->bars; ++bar)
            characters.insert(i, hyphen);
        characters[i].spaceBefore = spacedBefore;
        end = i + dash->bars;
        characters[end].spaceBefore = spacedAfter;
        changed = true;
        i = end;
    }
    if (changed)
        read.text = CtcDecoder::Result::joined(characters);
    return changed;
}
