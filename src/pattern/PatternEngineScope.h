#pragma once

class PatternEngine;

// Makes the pattern primitives use the given engine on this thread while the
// object lives. Work done on a pool thread brings its owner's engine this way:
// an engine the thread made for itself would be destroyed only when the
// thread ends, and a pool thread ends while the program shuts down, after its
// owner believes it gone.
class PatternEngineScope
{
public:
    explicit PatternEngineScope(PatternEngine& engine);
    ~PatternEngineScope();
    PatternEngineScope(const PatternEngineScope&) = delete;
    PatternEngineScope& operator=(const PatternEngineScope&) = delete;

    // The engine in use on this thread, or nullptr when none was given.
    static PatternEngine* current();

private:
    PatternEngine* m_previous;
};
