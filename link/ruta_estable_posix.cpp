// The stable name of a device on Linux: its link under /dev/serial/by-path.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "link/ruta_estable.h"

namespace r27 {

bool Misma_ruta(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

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

}  // namespace r27
