#pragma once

#include <QLoggingCategory>

// One logging category per area of the program, all silent unless switched on
// (quillmark-batch --verbose does, as does QT_LOGGING_RULES="quillmark.*=true"):
// they answer questions such as "why did this page get no row" without a
// debugger. Only debug messages go through them; the program's own messages to
// the user never do.
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // quillmark.settings: settings file loads and saves
Q_DECLARE_LOGGING_CATEGORY(lcAnalysis) // quillmark.analysis: why a page was refused
Q_DECLARE_LOGGING_CATEGORY(lcLinks)    // quillmark.links: harvests and clean-ups of the link list
Q_DECLARE_LOGGING_CATEGORY(lcResults)  // quillmark.results: results file loads and saves
Q_DECLARE_LOGGING_CATEGORY(lcFilters)  // quillmark.filters: list file loads and saves
Q_DECLARE_LOGGING_CATEGORY(lcShell)    // quillmark.shell: start-up
Q_DECLARE_LOGGING_CATEGORY(lcPlatform) // quillmark.platform: fetches: status line, size, charset, time or error
Q_DECLARE_LOGGING_CATEGORY(lcStore)    // quillmark.store: the run journal: opening, commits, failures

// The filter rule that turns every category above on.
inline constexpr char VerboseLoggingRules[] = "quillmark.*.debug=true";
