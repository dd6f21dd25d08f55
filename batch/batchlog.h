#pragma once

#include <QLoggingCategory>

// The batch page's diagnostics, off unless asked for (QT_LOGGING_RULES="tarnix.batch.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcBatch)
