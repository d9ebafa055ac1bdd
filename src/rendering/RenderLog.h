#pragma once

#include <QLoggingCategory>

// quillmark.render: the page renderers: starts, ends, kills and their
// processes' own messages. Silent unless switched on, as the other areas.
Q_DECLARE_LOGGING_CATEGORY(lcRender)
