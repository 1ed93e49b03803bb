#include "CharacterLimit.h"

#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace kvt {

CharacterLimit::CharacterLimit(QTextDocument* document, qsizetype limit, QObject* parent)
    : QObject(parent), m_document(document), m_limit(limit)
{
    connect(document, &QTextDocument::contentsChange, this, &CharacterLimit::noteChange);
    connect(document, &QTextDocument::contentsChanged, this, &CharacterLimit::enforce);
    if (m_limit > 0) {
        const qsizetype excess = length(*document) - m_limit;
        if (excess > 0) {
            const QScopedValueRollback trimming(m_trimming, true);
            removeTail(0, document->characterCount() - 1, excess);
        }
    }
}

qsizetype CharacterLimit::length(const QTextDocument& document)
{
    // characterCount() holds one separator per block, the last block's included.
    return document.characterCount() - 1 + document.blockCount() - 1;
}

bool CharacterLimit::fits(const QTextCursor& cursor, qsizetype weight) const
{
    if (m_limit <= 0 || !m_document)
        return true;
    const QString selected = cursor.selectedText();
    const qsizetype freed = selected.size() + selected.count(QChar::ParagraphSeparator);
    return length(*m_document) - freed + weight <= m_limit;
}

void CharacterLimit::noteChange(int position, int removed, int added)
{
    if (m_trimming)
        return;
    m_position = position;
    m_removed = removed;
    m_added = added;
}

void CharacterLimit::enforce()
{
    if (m_trimming || !m_document)
        return;
    const qsizetype excess = m_limit > 0 ? length(*m_document) - m_limit : 0;
    if (excess <= 0) {
        Q_EMIT changed();
        return;
    }
    const int end = std::clamp(m_position + m_added, 0, m_document->characterCount() - 1);
    const int start = std::clamp(m_position, 0, end);
    const int before = m_document->characterCount();
    {
        const QScopedValueRollback trimming(m_trimming, true);
        const qsizetype over = removeTail(start, end, excess);
        // Only when the text was already too long before this edit.
        if (over > 0)
            removeTail(0, m_document->characterCount() - 1, over);
    }
    const bool nothingChanged =
        m_removed == 0 && before - m_document->characterCount() == end - start;
    if (!nothingChanged)
        Q_EMIT changed();
}

qsizetype CharacterLimit::removeTail(int from, int to, qsizetype excess)
{
    int cut = to;
    qsizetype removed = 0;
    while (cut > from && removed < excess) {
        --cut;
        removed += m_document->characterAt(cut) == QChar::ParagraphSeparator ? 2 : 1;
    }
    if (cut < to) {
        QTextCursor cursor(m_document);
        cursor.joinPreviousEditBlock();
        cursor.setPosition(cut);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.endEditBlock();
    }
    return std::max<qsizetype>(0, excess - removed);
}

} // namespace kvt
