#include "ReplyDisplay.h"

#include "link/ReplyText.h"

namespace kvt {

namespace {
// A controller gone wild may send without line breaks; more than this would
// only slow the label down, and nobody can read it anyway.
constexpr qsizetype maxCharacters = 8192;
} // namespace

ReplyDisplay::ReplyDisplay(int maxPieces, QWidget* parent) : QLabel(parent), m_maxPieces(maxPieces)
{
    setObjectName(QStringLiteral("lblresponse"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    // A description, not a name: a fixed name would hide the replies from screen readers.
    setAccessibleDescription(QStringLiteral("Controller replies"));
}

void ReplyDisplay::appendReceived(const QString& received)
{
    setText(keepNewestPieces(text() + received, m_maxPieces).right(maxCharacters));
}

void ReplyDisplay::appendStatus(const QString& status)
{
    setText((text() + status).right(maxCharacters));
}

} // namespace kvt
