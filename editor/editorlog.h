#pragma once

#include <QLoggingCategory>

// The editor's diagnostics, off unless asked for (QT_LOGGING_RULES="tarnix.editor.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcEditor)
