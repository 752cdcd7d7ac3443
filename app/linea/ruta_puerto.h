#pragma once
// --puerto with a device path: the port opens by COM number, so the path gets
// one. A path the port directory already numbers keeps its number; otherwise the
// first free number is added to the directory's explicit map (R27_PUERTOS) for
// this process.
#include <optional>
#include <string>

#include "app/linea/textos_linea.h"
#include "link/directorio_puertos.h"
#include "link/ruta_estable.h"

namespace r27 {

// The COM number `ruta` opens as; none, with the reason in `error`, when the path
// leads to no device or cannot be given one (on Windows a port is named by its COM number only).
// The reason is told in `idioma`.
std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos& directorio,
                                  const Idioma_linea& idioma, std::string& error);

}  // namespace r27
