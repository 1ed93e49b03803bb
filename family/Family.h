#pragma once

namespace kvt {

// The three kinds of controller the program talks to, each with a window of
// its own: the KVT7; the KVT31 and KVT33, worked from their keypad; and the
// KVT52, KVT54, PX52 and PX54, which take block commands.
enum class Family { Kvt7, Kvt31_33, Kvt52 };

} // namespace kvt
