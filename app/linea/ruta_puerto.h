#pragma once
// --puerto with a device path: the port opens by COM number, so the path gets
// one. A path the port directory already numbers keeps its number; otherwise the
// first free number is added to the directory's explicit map (R27_PUERTOS) for
// this process.
#include <optional>
#include <string>

#include "link/directorio_puertos.h"

namespace r27 {

// The COM number `ruta` opens as; none, with the reason in `error`, when the path
// cannot be given one (on Windows a port is named by its COM number only).
std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos& directorio,
                                  std::string& error);

// The name of `ruta`'s device that stays its own while the meter restarts and
// other devices come and go: its link in `carpeta` (the physical USB port the
// device hangs from), or `ruta` itself when no link there leads to it. On
// Windows a COM number already names its device for good: `ruta` as it is.
std::string Ruta_estable(const std::string& ruta,
                         const std::string& carpeta = "/dev/serial/by-path");

}  // namespace r27
