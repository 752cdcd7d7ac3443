#pragma once
// Whether the program runs as 32-bit code on 64-bit Windows (WOW64). There the
// line stays at 115,200 baud during an update and the long steps get more time.
namespace r27 {

// True only for a 32-bit process on 64-bit Windows; false on every other system
// and when the system cannot tell.
bool Es_windows64();

}  // namespace r27
