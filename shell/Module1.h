#pragma once

#include <QtGlobal>

namespace kvt {

// Flags are 16-bit integers where only -1 counts as true; a flag holding 1 is false.
using Flag = qint16;
inline constexpr Flag True = -1;
inline constexpr Flag False = 0;
inline constexpr bool isTrue(Flag flag)
{
    return flag == True;
}

// The program-wide variables shared by the start-up window, the front ends and
// the message window. They live for the whole run and are never stored.
struct Module1 {
    static inline qint16 ModelNo = 0;
    static inline qint16 UploadProgramNo = 0;
    static inline Flag UploadActive = False;
    static inline Flag DownloadActive = False;
    static inline Flag TransferAborted = False;
    static inline Flag HomeSpeedMode = False;
    static inline qint16 SpeedMaxLimit = 0;
    static inline qint16 JogSpeed = 0;
    static inline qint16 RunStartSpeed = 0;
    static inline qint16 RunMaxSpeed = 0;
    static inline qint16 RunAccel = 0;
    static inline qint16 HomeStartSpeed = 0;
    static inline qint16 HomeMaxSpeed = 0;
    static inline qint16 HomeAccel = 0;

    // Back to the values of a fresh start; tests call it between cases.
    static void reset();
};

} // namespace kvt
