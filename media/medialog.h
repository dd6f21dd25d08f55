#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMedia)

// ffmpeg writes its own complaints ("moov atom not found", missing hardware drivers) straight to
// standard error; our messages say what matters, so theirs are heard only when asked for.
namespace MediaLog {

// Silences libav* and Qt's multimedia logging unless the tarnix.media category is enabled
// (QT_LOGGING_RULES="tarnix.media.debug=true").
void quietLibraries();

} // namespace MediaLog
