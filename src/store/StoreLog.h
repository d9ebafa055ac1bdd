#pragma once

#include <QLoggingCategory>

// quillmark.store: the run journal's opening, commits and failures. Silent
// unless switched on, like the other areas' categories.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
