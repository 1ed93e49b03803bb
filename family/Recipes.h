#pragma once

#include "BlockCommands.h"
#include "Family.h"
#include "link/Timings.h"
#include "transfer/ProgramLines.h"

#include <QList>

namespace kvt {

class BlockDownload;
class BlockUpload;
class Kvt7Download;
class Kvt7Upload;
class SerialLink;

// The jobs a family's transfers are made of, with the waits and limits its
// controllers need; the windows and the headless commands build them here
// so both move a program the same way.
namespace recipes {

// A KVT31/KVT33 or four-model download. A line the handshake holds back for
// the whole send limit means the controller is off or the cable out: the
// download stops instead of hanging.
BlockDownload* blockDownload(SerialLink& link, const Timings& timings, Family family,
                             QList<program::ProgramLine> lines,
                             BlockKind kind = BlockKind::Program);
// A KVT31/KVT33 upload keyed in on the controller, or a four-model one asked for.
// The same for a read-back.
BlockUpload* blockUpload(SerialLink& link, const Timings& timings, Family family,
                         BlockKind kind = BlockKind::Program);
Kvt7Download* kvt7Download(SerialLink& link, const Timings& timings,
                           QList<program::ProgramLine> lines);
Kvt7Upload* kvt7Upload(SerialLink& link, const Timings& timings, int program);
// The longest silence a family's upload waits through.
milliseconds uploadLimit(Family family, const Timings& timings);

} // namespace recipes
} // namespace kvt
