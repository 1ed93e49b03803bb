#include "Recipes.h"

#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt7Download.h"
#include "transfer/Kvt7Upload.h"

namespace kvt::recipes {

BlockDownload* blockDownload(SerialLink& link, const Timings& timings, Family family,
                             QList<program::ProgramLine> lines, BlockKind kind)
{
    // The keypad models take no reply between lines, only a fixed pause; the
    // four models are given time to answer each line and told of a Cancel.
    const BlockDownload::Plan plan =
        family == Family::Kvt31_33
            ? BlockDownload::Plan{{}, LineWait::Kind::Fixed, timings.keypadPause, timings.watchdog}
            : BlockDownload::Plan{downloadCommand(kind), LineWait::Kind::Quiet, timings.quietPeriod,
                                  timings.blockWatchdog, timings.blockWatchdog, "C"};
    return new BlockDownload(link, std::move(lines), plan);
}

BlockUpload* blockUpload(SerialLink& link, const Timings& timings, Family family, BlockKind kind)
{
    auto* upload =
        family == Family::Kvt31_33
            ? new BlockUpload(link, timings.keypadUploadLimit)
            : new BlockUpload(link, timings.blockUploadLimit,
                              BlockUpload::Request{uploadCommand(kind), timings.blockWatchdog});
    upload->setEndLineQuiet(timings.endLineQuiet);
    return upload;
}

Kvt7Download* kvt7Download(SerialLink& link, const Timings& timings,
                           QList<program::ProgramLine> lines)
{
    return new Kvt7Download(link, std::move(lines), timings.downloadReplyQuiet);
}

Kvt7Upload* kvt7Upload(SerialLink& link, const Timings& timings, int program)
{
    return new Kvt7Upload(link, program, timings.programUploadLimit);
}

milliseconds uploadLimit(Family family, const Timings& timings)
{
    switch (family) {
    case Family::Kvt7:
        return timings.programUploadLimit;
    case Family::Kvt31_33:
        return timings.keypadUploadLimit;
    case Family::Kvt52:
        break;
    }
    return timings.blockUploadLimit;
}

} // namespace kvt::recipes
