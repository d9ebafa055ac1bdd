#include "settings/RunPreferencesHolder.h"

RunPreferencesHolder::RunPreferencesHolder(const RunPreferences& values, const QString& path, QObject* parent)
    : QObject(parent), m_values(values), m_path(path)
{}

SaveOutcome RunPreferencesHolder::change(const RunPreferences& values)
{
    if (values == m_values)
        return SaveOutcome::success(m_path);
    m_values = values;
    Q_EMIT changed(m_values);
    return m_path.isEmpty() ? SaveOutcome::success(m_path) : m_values.save(m_path);
}
