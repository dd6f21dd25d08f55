#pragma once

#include <QString>

// Spaces around quotation marks, which the recogniser leaves out more often than any other.
namespace QuoteMarks {

// `line` with a space before each opening quotation mark and after each closing one, where a word
// or a mark runs into it ('an"end"?' -> 'an "end"?', '!""Tell' -> '!" "Tell'). Only on a line of
// spaced script whose straight quotes pair up: an odd one out leaves no telling which opens.
QString spaced(const QString &line);

} // namespace QuoteMarks
