// Build-time tool: writes the main firmware HEX text.
//   r27_generar_firmware --salida <file> [--version 3.01] [--build 00000]
#include <cstdio>
#include <cstring>
#include <string>

#include "data/firmware/generador_firmware.h"

int main(int argc, char** argv) {
  r27::generador::Opciones_firmware opciones;
  std::string salida;
  for (int i = 1; i < argc; ++i) {
    const bool hay_valor = i + 1 < argc;
    if (std::strcmp(argv[i], "--salida") == 0 && hay_valor) {
      salida = argv[++i];
    } else if (std::strcmp(argv[i], "--version") == 0 && hay_valor) {
      opciones.version = argv[++i];
    } else if (std::strcmp(argv[i], "--build") == 0 && hay_valor) {
      opciones.build = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s --salida <file> [--version 3.01] [--build 00000]\n", argv[0]);
      return 2;
    }
  }
  if (salida.empty()) {
    std::fprintf(stderr, "%s: --salida is required\n", argv[0]);
    return 2;
  }

  std::string texto;
  std::string error;
  if (!r27::generador::Generar_firmware(opciones, texto, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }

  std::FILE* f = std::fopen(salida.c_str(), "wb");
  if (f == nullptr) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], salida.c_str());
    return 1;
  }
  const bool escrito = std::fwrite(texto.data(), 1, texto.size(), f) == texto.size();
  const bool cerrado = std::fclose(f) == 0;
  if (!escrito || !cerrado) {
    std::fprintf(stderr, "%s: writing %s failed\n", argv[0], salida.c_str());
    std::remove(salida.c_str());
    return 1;
  }
  return 0;
}
