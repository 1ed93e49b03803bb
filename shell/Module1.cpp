#include "Module1.h"

namespace kvt {

void Module1::reset()
{
    ModelNo = 0;
    UploadProgramNo = 0;
    UploadActive = False;
    DownloadActive = False;
    TransferAborted = False;
    HomeSpeedMode = False;
    SpeedMaxLimit = 0;
    JogSpeed = 0;
    RunStartSpeed = 0;
    RunMaxSpeed = 0;
    RunAccel = 0;
    HomeStartSpeed = 0;
    HomeMaxSpeed = 0;
    HomeAccel = 0;
}

} // namespace kvt
