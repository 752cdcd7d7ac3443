#pragma once
// The FPGA set's flash image for the five embedded configurations, written out
// by hand: where each starts, its directory entry byte for byte, and the whole
// image put together from those numbers (not by the builder under test).
#include <array>
#include <cstdint>
#include <vector>

#include "components/configuraciones_fpga.h"

namespace r27::pruebas {

struct Entrada_dorada {
  const char* nombre;
  uint32_t tamano;
  uint32_t inicio;
  std::array<uint8_t, 16> entrada;
};

// PDP starts at 275,406: MER ends at the odd 275,405.
inline const std::array<Entrada_dorada, 5> kDirectorio_dorado{{
    {"TV",
     92'314,
     258,
     {0x00, 0x00, 0x68, 0x01, 0x9A, '0', 0x02, 0x01, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF}},
    {"DFT",
     92'536,
     92'572,
     {0x01, 0x00, 0x69, 0x01, 0x78, '1', 0x9C, 0x69, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF}},
    {"MER",
     90'297,
     185'108,
     {0x02, 0x00, 0x60, 0x01, 0xB9, '2', 0x14, 0xD3, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF}},
    {"PDP",
     81'842,
     275'406,
     {0x03, 0x00, 0x3F, 0x01, 0xB2, '4', 0xCE, 0x33, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF}},
    {"ET2",
     89'133,
     357'248,
     {0x04, 0x00, 0x5C, 0x01, 0x2D, '5', 0x80, 0x73, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF}},
}};
inline constexpr uint32_t kLongitud_dorada = 446'381;

// The image of the five, 0xFF past its end up to `tamano` bytes.
inline std::vector<uint8_t> Imagen_dorada(size_t tamano = 7 * 0x10000) {
  std::vector<uint8_t> v(tamano, 0xFF);
  v[0] = 5;
  v[1] = 0;
  const auto conjunto = Configuraciones_fpga();
  for (size_t i = 0; i < kDirectorio_dorado.size(); ++i) {
    const Entrada_dorada& e = kDirectorio_dorado[i];
    std::copy(e.entrada.begin(), e.entrada.end(), v.begin() + 2 + 16 * static_cast<long>(i));
    std::copy(conjunto[i].datos.begin(), conjunto[i].datos.end(), v.begin() + e.inicio);
  }
  return v;
}

}  // namespace r27::pruebas
