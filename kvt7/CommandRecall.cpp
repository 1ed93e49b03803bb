#include "CommandRecall.h"

namespace kvt {

void CommandRecall::add(const QString& command)
{
    // A repeated command is one step back, not several.
    if (!command.isEmpty() && (m_commands.isEmpty() || m_commands.constLast() != command))
        m_commands.append(command);
    if (m_commands.size() > m_kept)
        m_commands.removeFirst();
    m_at = m_commands.size();
}

QString CommandRecall::older()
{
    if (m_commands.isEmpty())
        return {};
    m_at = qMax<qsizetype>(m_at - 1, 0);
    return m_commands.at(m_at);
}

QString CommandRecall::newer()
{
    m_at = qMin(m_at + 1, m_commands.size());
    return m_at == m_commands.size() ? QString() : m_commands.at(m_at);
}

} // namespace kvt
