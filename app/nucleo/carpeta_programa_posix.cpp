// Linux: the kernel's link to the running executable.
#include <system_error>

#include "app/nucleo/carpeta_programa.h"

namespace r27 {

std::filesystem::path Carpeta_programa() {
  std::error_code ec;
  const std::filesystem::path programa = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return programa.parent_path();
}

const char* Carpeta_datos_instalados() { return "../share/r27"; }

}  // namespace r27
