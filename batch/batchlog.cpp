#include "batchlog.h"

Q_LOGGING_CATEGORY(lcBatch, "tarnix.batch", QtWarningMsg)
