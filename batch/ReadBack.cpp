#include "ReadBack.h"

#include "transfer/ProgramComparison.h"

namespace kvt::batch {

QString firstDifference(const QString& sentText, const QString& readBackText)
{
    const program::ProgramComparison comparison = program::compareProgram(sentText, readBackText);
    if (comparison.isEqual())
        return {};
    const program::ProgramComparison::Row& row = comparison.rows[comparison.differing.first()];
    const auto nothing = QStringLiteral("nothing");
    return QStringLiteral("line %1: sent %2, read back %3")
        .arg(row.line)
        .arg(row.editor.value_or(nothing), row.controller.value_or(nothing));
}

int programNumber(const QString& programText, int fallback)
{
    return program::programNumber(programText).value_or(fallback);
}

} // namespace kvt::batch
