// A device path as a COM number on Linux, through the explicit port map.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "app/linea/mensajes_linea.h"
#include "app/linea/ruta_puerto.h"
#include "app/nucleo/asistente.h"
#include "link/directorio_puertos_mapa.h"
#include "link/ruta_estable.h"

namespace r27 {

std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos& directorio,
                                  const Idioma_linea& t, std::string& error) {
  // The map is a list separated by blanks, commas and semicolons.
  if (ruta.find_first_of(" \t\n,;") != std::string::npos) {
    error = t(kTl_ruta_con_blanco, {ruta});
    return std::nullopt;
  }
  // A path that leads nowhere is a mistyped name, not a meter to look for.
  std::error_code ec;
  if (!std::filesystem::exists(ruta, ec)) {
    error = t(kTl_no_existe_dispositivo, {ruta});
    return std::nullopt;
  }
  std::set<int> usados;
  for (const std::string& nombre : directorio.Nombres_sistema()) {
    const int n = Numero_de_nombre_puerto(nombre);
    if (n <= 0) continue;
    usados.insert(n);
    const auto r = directorio.Ruta(n);
    if (r && Misma_ruta(*r, ruta)) return n;
  }
  int libre = 1;
  while (usados.count(libre) != 0) ++libre;
  if (libre > kMayor_numero_com) {
    error = t(kTl_sin_com_libre, {ruta});
    return std::nullopt;
  }
  const char* actual = std::getenv(kVariable_puertos);
  std::string mapa = actual ? actual : "";
  if (!mapa.empty()) mapa += ' ';
  mapa += "COM" + std::to_string(libre) + "=" + ruta;
  if (setenv(kVariable_puertos, mapa.c_str(), 1) != 0 || directorio.Ruta(libre) != ruta) {
    error = t(kTl_directorio_no_toma, {ruta});
    return std::nullopt;
  }
  return libre;
}

}  // namespace r27
