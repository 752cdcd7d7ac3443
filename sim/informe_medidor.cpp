#include "sim/informe_medidor.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace r27::sim {

namespace {

constexpr int kPagina_identidad = 0x18;
constexpr size_t kDesplazamiento_version = 0x10;
constexpr size_t kLargo_version = 4;
constexpr size_t kDesplazamiento_build = 0x16;
constexpr size_t kLargo_build = 5;
constexpr int kPagina_fpga = 0x30;

int Valor_hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The image's bytes per 64 KiB segment, or none when a record cannot be read.
// A parser of its own: the check must not lean on the updater's HEX reader.
std::optional<std::map<int, std::vector<uint8_t>>> Segmentos_imagen(std::span<const char> texto) {
  std::map<int, std::vector<uint8_t>> segmentos;
  int segmento = 0;
  size_t i = 0;
  while (i < texto.size()) {
    size_t fin = i;
    while (fin < texto.size() && texto[fin] != '\n') ++fin;
    if (texto[i] == ':') {
      std::vector<uint8_t> b;
      for (size_t k = i + 1; k + 1 < fin && texto[k] != '\r'; k += 2) {
        const int alto = Valor_hex(texto[k]), bajo = Valor_hex(texto[k + 1]);
        if (alto < 0 || bajo < 0) return std::nullopt;
        b.push_back(static_cast<uint8_t>(alto << 4 | bajo));
      }
      if (b.size() < 5 || b.size() != size_t(b[0]) + 5) return std::nullopt;
      const uint16_t direccion = static_cast<uint16_t>(b[1] << 8 | b[2]);
      if (b[3] == 0x04 && b[0] == 2) segmento = b[4] << 8 | b[5];
      if (b[3] == 0x00) {
        if (segmento >= kNum_segmentos_flash) return std::nullopt;
        auto& s = segmentos[segmento];
        if (s.empty()) s.assign(kTamano_segmento, 0xFF);
        for (size_t k = 0; k < b[0]; ++k) s[(direccion + k) & 0xFFFF] = b[4 + k];
      }
    }
    i = fin + 1;
  }
  return segmentos;
}

// Printable characters up to the first NUL.
std::string Texto(std::span<const uint8_t> bytes) {
  std::string t;
  for (uint8_t c : bytes) {
    if (c == 0) break;
    t += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return t;
}

}  // namespace

std::string Informe_medidor(const Medidor_simulado& medidor, std::span<const char> imagen_hex) {
  std::string informe = "firmware=";
  const auto segmentos = Segmentos_imagen(imagen_hex);
  if (!segmentos || segmentos->empty()) {
    informe += "sin-imagen";
  } else {
    std::optional<int> distinto;
    for (const auto& [k, bytes] : *segmentos) {
      if (!std::ranges::equal(bytes, medidor.Segmento_flash(k))) {
        distinto = k;
        break;
      }
    }
    informe += distinto ? "distinto segmento " + std::to_string(*distinto) : "igual";
  }

  const auto identidad = medidor.Segmento_flash(kPagina_identidad);
  informe += "\nversion=" + Texto(identidad.subspan(kDesplazamiento_version, kLargo_version)) +
             "." + Texto(identidad.subspan(kDesplazamiento_build, kLargo_build));
  const auto fpga = medidor.Segmento_flash(kPagina_fpga);
  const auto& v = medidor.Mpeg4().versiones;
  char linea[96];
  std::snprintf(linea, sizeof linea, "\nfpga=%d.%d\nmpeg4=%d,%d,%d,%d\nreinicios=%d\n", fpga[11],
                fpga[10], v.aplicacion, v.build, v.decodificadores, v.arranque,
                medidor.Reinicios());
  return informe + linea;
}

}  // namespace r27::sim
