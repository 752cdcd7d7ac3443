#pragma once
// The name of a serial device that stays its own while the meter restarts and
// other devices come and go. The port's lock is named after it, and the tray
// names each meter by it.
#include <string>

namespace r27 {

// `ruta`'s link in `carpeta` (the physical USB port the device hangs from), or
// `ruta` itself when no link there leads to it. On Windows a COM number already
// names its device for good: `ruta` as it is.
std::string Ruta_estable(const std::string& ruta,
                         const std::string& carpeta = "/dev/serial/by-path");

// True when the two paths lead to the same file (the same device).
bool Misma_ruta(const std::string& a, const std::string& b);

}  // namespace r27
