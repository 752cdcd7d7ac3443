#include "tests/fuzz/imagenes_reducidas.h"

#include <algorithm>

namespace r27::fuzz {

namespace {

// The record type of a HEX line (":LLAAAATT..."); -1 when the line is too short
// or its type is not two hex digits.
int Tipo_registro(std::string_view linea) {
  auto digito = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (linea.size() < 9 || linea[0] != ':') return -1;
  const int alto = digito(linea[7]);
  const int bajo = digito(linea[8]);
  return alto < 0 || bajo < 0 ? -1 : alto * 16 + bajo;
}

constexpr int kDatos = 0x00;
constexpr int kSegmento = 0x04;

// The text's lines, each with its line end (the last one may have none).
std::vector<std::string_view> Lineas(std::string_view texto) {
  std::vector<std::string_view> lineas;
  while (!texto.empty()) {
    const size_t fin = texto.find('\n');
    const size_t n = fin == std::string_view::npos ? texto.size() : fin + 1;
    lineas.push_back(texto.substr(0, n));
    texto.remove_prefix(n);
  }
  return lineas;
}

}  // namespace

std::string Firmware_reducido(std::string_view hex, size_t primeros, size_t ultimos) {
  const std::vector<std::string_view> lineas = Lineas(hex);
  // Data records per segment, in order of the segment records (index 0: before any).
  std::vector<size_t> por_segmento{0};
  for (std::string_view l : lineas) {
    const int tipo = Tipo_registro(l);
    if (tipo == kSegmento) por_segmento.push_back(0);
    if (tipo == kDatos) ++por_segmento.back();
  }
  std::string reducido;
  size_t segmento = 0;
  size_t indice = 0;  // the data record's place in its segment
  for (std::string_view l : lineas) {
    const int tipo = Tipo_registro(l);
    if (tipo == kSegmento) {
      ++segmento;
      indice = 0;
    }
    if (tipo == kDatos) {
      const size_t total = por_segmento[segmento];
      const bool guardar = indice < primeros || indice + ultimos >= total;
      ++indice;
      if (!guardar) continue;
    }
    reducido.append(l);
  }
  return reducido;
}

std::vector<std::span<const uint8_t>> Configuraciones_reducidas(
    std::span<const std::span<const uint8_t>> configuraciones, size_t bytes) {
  std::vector<std::span<const uint8_t>> reducidas;
  for (const auto& c : configuraciones) reducidas.push_back(c.first(std::min(bytes, c.size())));
  return reducidas;
}

}  // namespace r27::fuzz
