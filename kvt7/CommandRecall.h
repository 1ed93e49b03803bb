#pragma once

#include <QString>
#include <QStringList>

namespace kvt {

// Up and Down in the ONLINE box, as in a terminal: Up walks back through the
// commands sent, Down forward again, and Down past the newest gives an empty
// line to type a new one.
class CommandRecall {
public:
    explicit CommandRecall(qsizetype kept = 100) : m_kept(kept) {}

    // A command that went out; the walk starts again after the newest.
    void add(const QString& command);
    // The line to show for Up, or for Down; an empty string below the newest.
    QString older();
    QString newer();

private:
    QStringList m_commands;
    qsizetype m_kept;
    qsizetype m_at = 0; // m_commands.size() means the empty line below the newest
};

} // namespace kvt
