#pragma once

#include "Controller.h"
#include "ControllerFactory.h"

#include <QByteArrayList>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

namespace kvt::sim {

// The KVT52, KVT54, PX52 and PX54 controllers as the PC's block transfers see
// them: one stored block each of program, position data and parameters.
// Lines end in CR; LF bytes and empty lines are ignored.
//
//   S00, S01, S02   receive a program, position data, parameters: every
//                   following line up to the line END, which makes the block
//                   replace the stored one of its kind
//   S03, S04, S05   send that stored block: each line and CR, then END CR
//
// The PC cancels a download with a lone "C" and no CR, always after a whole
// line, so the C begins the next line. That line ends the download unstored
// when it is "C" alone or "C" directly followed by S00-S05, which is then
// carried out: after a cancel the PC's next transfer starts with one of them.
// Any other line beginning with C ("CW") is an ordinary block line, so the
// block is not lost to the first letter of one of its lines.
//
// S00-S05 are commands even inside a block: a download that broke off
// without END or C (the PC gave up on a held line) must not swallow the
// next transfer's lines, and it is abandoned instead.
class BlockController : public Controller {
public:
    enum class Kind { Program, PositionData, Parameters };
    static constexpr int kindCount = 3;
    // Bounds on a block, so a host that never sends END cannot grow the memory.
    static constexpr int maxBlockLines = 1000;
    static constexpr int maxLineLength = 80;
    // An upload goes out in pieces this long, each after the time the one
    // before it takes on a 9600 baud line: ten bits a character.
    static constexpr int uploadPieceSize = 8;
    static constexpr int lineBytesPerSecond = 960;

    // model: the name its notices go by, e.g. "KVT54".
    BlockController(const QString& model, const ControllerSettings& settings = {});

    Replies receive(const QByteArray& bytes) override;
    Replies greeting() override { return {}; }
    // Abandons a download: the next host starts its own from the opening command.
    void discardPartialInput() override;
    QStringList takeNotices() override { return std::exchange(m_notices, {}); }

private:
    struct Download {
        Kind kind;
        QByteArrayList lines;
        // Nothing is kept once the block broke a bound; the rest is only counted off.
        bool refused = false;
    };

    Replies takeLine(QByteArray line, bool overflowed);
    Replies execute(int command);
    void takeBlockLine(const QByteArray& line, bool overflowed);
    void store();
    void refuse(const QString& reason);
    void abandon(const QString& why);
    Replies upload(Kind kind);
    void notify(Kind kind, const QString& text);

    QString m_model;
    ControllerSettings m_settings;
    QByteArray m_line;
    bool m_lineOverflowed = false;
    std::optional<Download> m_download;
    std::array<std::optional<QByteArrayList>, kindCount> m_blocks;
    QStringList m_notices;
};

} // namespace kvt::sim
