// Windows: the module file name of the running executable.
#include <windows.h>

#include <string>

#include "app/nucleo/carpeta_programa.h"

namespace r27 {

std::filesystem::path Carpeta_programa() {
  std::wstring ruta(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    if (n == 0) return {};
    if (n < ruta.size()) {
      ruta.resize(n);
      return std::filesystem::path(ruta).parent_path();
    }
    ruta.resize(ruta.size() * 2);  // truncated: try a longer buffer
  }
}

const char* Carpeta_datos_instalados() { return "."; }

}  // namespace r27
