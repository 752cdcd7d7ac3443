// A device path as a COM number on Linux, through the explicit port map.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "app/linea/ruta_puerto.h"
#include "app/nucleo/asistente.h"
#include "link/directorio_puertos_mapa.h"

namespace r27 {

namespace {

bool Misma_ruta(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

std::string Ruta_estable(const std::string& ruta, const std::string& carpeta) {
  std::error_code ec;
  std::filesystem::directory_iterator it(carpeta, ec);
  if (ec) return ruta;  // no such folder: no USB serial device, or no udev
  std::vector<std::string> enlaces;
  for (const auto& entrada : it) enlaces.push_back(entrada.path().string());
  // The same device under several links: the first by name, so that the choice
  // does not depend on the folder's order.
  std::sort(enlaces.begin(), enlaces.end());
  for (const std::string& enlace : enlaces)
    if (enlace != ruta && Misma_ruta(enlace, ruta)) return enlace;
  return ruta;
}

std::optional<int> Numero_de_ruta(const std::string& ruta, const Directorio_puertos& directorio,
                                  std::string& error) {
  // The map is a list separated by blanks, commas and semicolons.
  if (ruta.find_first_of(" \t\n,;") != std::string::npos) {
    error = "the port path \"" + ruta + "\" holds a blank, comma or semicolon";
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
    error = "no COM number is free for " + ruta;
    return std::nullopt;
  }
  const char* actual = std::getenv(kVariable_puertos);
  std::string mapa = actual ? actual : "";
  if (!mapa.empty()) mapa += ' ';
  mapa += "COM" + std::to_string(libre) + "=" + ruta;
  if (setenv(kVariable_puertos, mapa.c_str(), 1) != 0 || directorio.Ruta(libre) != ruta) {
    error = "the port directory did not take " + ruta;
    return std::nullopt;
  }
  return libre;
}

}  // namespace r27
