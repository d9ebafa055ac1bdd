#include "pattern/AnalysisDeadline.h"

namespace {

thread_local AnalysisDeadline* t_current = nullptr;

} // namespace

AnalysisDeadline::AnalysisDeadline(std::chrono::milliseconds allowed, const std::atomic<bool>* cancelled)
    : m_allowed(allowed), m_end(std::chrono::steady_clock::now() + allowed), m_previous(t_current),
      m_cancelled(cancelled)
{
    t_current = this;
}

AnalysisDeadline::~AnalysisDeadline()
{
    t_current = m_previous;
}

bool AnalysisDeadline::passed()
{
    if (!m_passed && ((m_cancelled && m_cancelled->load(std::memory_order_relaxed)) ||
                      std::chrono::steady_clock::now() >= m_end))
        m_passed = true;
    return m_passed;
}

bool AnalysisDeadline::currentPassed()
{
    return t_current && t_current->passed();
}

bool AnalysisDeadline::installed()
{
    return t_current != nullptr;
}
