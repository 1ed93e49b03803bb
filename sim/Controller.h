#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <chrono>

namespace kvt::sim {

using std::chrono::milliseconds;

// A piece of output for the line. The wait counts from the later of two
// moments: when the piece was produced and when the piece before it went out,
// so pieces never overtake each other and a reply can be trickled out byte by
// byte by giving every byte its own small wait.
struct Reply {
    QByteArray bytes;
    milliseconds delay{0};
    // A further piece of the answer before it, such as the next line of a
    // program listing: it is lost along with that answer when replies stop,
    // and a reply delay goes before the answer only, not between its pieces.
    bool continuesAnswer = false;

    bool operator==(const Reply&) const = default;
};

using Replies = QList<Reply>;

// A block the controller sends on its own: each line and the end marker
// ended by CR, in pieces spaced as a line of that speed delivers them.
// A line stored otherwise than it came, for a host's check of what was
// stored: its last digit becomes the next one, so the line still reads as a
// number and only its value differs; anything else becomes X, an X becomes Y.
inline void spoilLastCharacter(QByteArray& line)
{
    char& c = line.back();
    c = c >= '0' && c <= '9' ? (c == '9' ? '0' : char(c + 1)) : (c == 'X' ? 'Y' : 'X');
}

inline Replies deliveredLines(const QByteArrayList& lines, const QByteArray& end,
                              qsizetype pieceSize, int bytesPerSecond)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + '\r';
    bytes += end + '\r';
    Replies pieces;
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        Reply piece{bytes.mid(at, pieceSize)};
        if (!pieces.isEmpty()) {
            piece.delay = milliseconds(pieces.constLast().bytes.size() * 1000 / bytesPerSecond);
            piece.continuesAnswer = true;
        }
        pieces.append(piece);
    }
    return pieces;
}

class Keypad;

// The firmware side of one controller family: fed whatever arrived on the
// line, in whatever pieces the tty handed it over, it answers with the bytes
// the controller would send back. Knows nothing about ptys or event loops.
class Controller {
public:
    virtual ~Controller() = default;

    virtual Replies receive(const QByteArray& bytes) = 0;
    // What the controller says when a host opens the line.
    virtual Replies greeting() = 0;
    // The host closed the line; what it left half-typed is not the next host's.
    virtual void discardPartialInput() = 0;
    // The controller's own keys and display; nullptr for one worked only
    // over the line.
    virtual Keypad* keypad() { return nullptr; }
    // What whoever runs the controller should hear about since the last call,
    // oldest first, such as a block stored or refused.
    virtual QStringList takeNotices() { return {}; }
};

} // namespace kvt::sim
