#include "editorlog.h"

Q_LOGGING_CATEGORY(lcEditor, "tarnix.editor", QtWarningMsg)
