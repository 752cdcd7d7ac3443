// On Windows a port is its COM number: device paths are not taken.
#include "app/linea/mensajes_linea.h"
#include "app/linea/ruta_puerto.h"

namespace r27 {

std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos&,
                                  const Idioma_linea& t, std::string& error) {
  error = t(kTl_ruta_windows, {ruta});
  return std::nullopt;
}

}  // namespace r27
