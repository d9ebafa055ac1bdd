#include "rendering/RenderLog.h"

Q_LOGGING_CATEGORY(lcRender, "quillmark.render", QtWarningMsg)
