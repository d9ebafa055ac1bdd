#include "platform/LogCategories.h"

// Warnings and worse by default: debug and info lines appear only when a rule
// asks for them.
Q_LOGGING_CATEGORY(lcSettings, "quillmark.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAnalysis, "quillmark.analysis", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLinks, "quillmark.links", QtWarningMsg)
Q_LOGGING_CATEGORY(lcResults, "quillmark.results", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFilters, "quillmark.filters", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "quillmark.shell", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "quillmark.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "quillmark.store", QtWarningMsg)
