// On Windows a port is its COM number: device paths are not taken.
#include "app/linea/ruta_puerto.h"

namespace r27 {

std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos&,
                                  std::string& error) {
  error = "\"" + ruta + "\": on Windows name the port as COMn";
  return std::nullopt;
}

std::string Ruta_estable(const std::string& ruta, const std::string&) { return ruta; }

}  // namespace r27
