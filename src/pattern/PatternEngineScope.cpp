#include "pattern/PatternEngineScope.h"

namespace {
thread_local PatternEngine* t_engine = nullptr;
} // namespace

PatternEngineScope::PatternEngineScope(PatternEngine& engine) : m_previous(t_engine)
{
    t_engine = &engine;
}

PatternEngineScope::~PatternEngineScope()
{
    t_engine = m_previous;
}

PatternEngine* PatternEngineScope::current()
{
    return t_engine;
}
