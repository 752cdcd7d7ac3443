// The FPGA set's flash image, its block plan and its two frames, against numbers
// worked out by hand.
#include "components/imagen_fpga.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "components/configuraciones_fpga.h"
#include "tests/fpga/dorado_fpga.h"

namespace r27 {
namespace {

using pruebas::kDirectorio_dorado;
using pruebas::kLongitud_dorada;
using Bytes = std::vector<uint8_t>;

std::vector<std::span<const uint8_t>> Incrustadas() {
  std::vector<std::span<const uint8_t>> v;
  for (const auto& c : Configuraciones_fpga()) v.push_back(c.datos);
  return v;
}

TEST(Configuraciones_fpga, FiveDistinctBitstreamsOfTheirSizes) {
  const auto conjunto = Configuraciones_fpga();
  ASSERT_EQ(conjunto.size(), kDirectorio_dorado.size());
  std::set<Bytes> distintas;
  for (size_t i = 0; i < conjunto.size(); ++i) {
    const auto& c = conjunto[i];
    EXPECT_EQ(c.nombre, kDirectorio_dorado[i].nombre);
    ASSERT_EQ(c.datos.size(), kDirectorio_dorado[i].tamano) << c.nombre;
    std::set<uint8_t> valores(c.datos.begin(), c.datos.end());
    EXPECT_GT(valores.size(), 200u) << c.nombre;  // data, not a filler
    distintas.emplace(c.datos.begin(), c.datos.end());
  }
  EXPECT_EQ(distintas.size(), conjunto.size());
}

TEST(Imagen_fpga, TheFiveEmbeddedConfigurations) {
  const auto imagen = Construir_imagen_fpga(Incrustadas());
  ASSERT_TRUE(imagen.has_value());
  EXPECT_EQ(imagen->longitud_total, kLongitud_dorada);
  ASSERT_EQ(imagen->bytes.size(), kTamano_imagen_fpga);
  const Bytes esperada = pruebas::Imagen_dorada(kTamano_imagen_fpga);
  for (size_t i = 0; i < kDirectorio_dorado.size(); ++i) {
    const auto& e = kDirectorio_dorado[i];
    EXPECT_EQ(imagen->inicios[i], e.inicio) << e.nombre;
    EXPECT_EQ(
        Bytes(imagen->bytes.begin() + 2 + 16 * long(i), imagen->bytes.begin() + 18 + 16 * long(i)),
        Bytes(e.entrada.begin(), e.entrada.end()))
        << e.nombre;
  }
  // Count, the unused directory entries, the gap byte at 275,405 and everything
  // past the end: the whole buffer as worked out by hand.
  EXPECT_TRUE(imagen->bytes == esperada);
  EXPECT_EQ(imagen->bytes[275'405], 0xFF);
}

TEST(Imagen_fpga, StartsRoundUpToEvenOffsets) {
  struct Caso {
    const char* nombre;
    std::vector<uint32_t> tamanos;
    std::vector<uint32_t> inicios;
    uint32_t total;
  };
  const Caso casos[] = {
      {"even end", {100, 10}, {258, 358}, 368},
      {"odd end", {101, 10}, {258, 360}, 370},
      {"end at low part 0xFFFF", {0xFFFF - 258, 10}, {258, 0x10000}, 0x1000A},
      {"end at 64 KiB", {0x10000 - 258, 10}, {258, 0x10000}, 0x1000A},
      {"second ends at 0x1FFFF", {100, 0x1FFFF - 358, 3}, {258, 358, 0x20000}, 0x20003},
      {"last odd end is not rounded", {101}, {258}, 359},
  };
  for (const Caso& c : casos) {
    std::vector<Bytes> datos;
    std::vector<std::span<const uint8_t>> vistas;
    for (size_t i = 0; i < c.tamanos.size(); ++i)
      datos.emplace_back(c.tamanos[i], uint8_t(0x10 + i));
    for (const Bytes& d : datos) vistas.emplace_back(d);
    const auto imagen = Construir_imagen_fpga(vistas);
    ASSERT_TRUE(imagen.has_value()) << c.nombre;
    EXPECT_EQ(imagen->inicios, c.inicios) << c.nombre;
    EXPECT_EQ(imagen->longitud_total, c.total) << c.nombre;
    for (size_t i = 0; i < c.inicios.size(); ++i) {
      const uint8_t* e = imagen->bytes.data() + 2 + 16 * i;
      EXPECT_EQ(e[5], '0' + (c.inicios[i] >> 16)) << c.nombre << " " << i;
      EXPECT_EQ(e[6] | e[7] << 8, int(c.inicios[i] & 0xFFFF)) << c.nombre << " " << i;
      EXPECT_EQ(imagen->bytes[c.inicios[i]], 0x10 + i) << c.nombre << " " << i;
      EXPECT_EQ(imagen->bytes[c.inicios[i] + c.tamanos[i] - 1], 0x10 + i) << c.nombre;
    }
    EXPECT_EQ(imagen->bytes[c.total], 0xFF) << c.nombre;
  }
}

TEST(Imagen_fpga, DescriptionsKeepFourCharacters) {
  const Bytes d(4, 0x55);
  const std::vector<std::span<const uint8_t>> vistas(4, d);
  const std::vector<std::string_view> descripciones{"ABCDEFGH", "xy", ""};
  const auto imagen = Construir_imagen_fpga(vistas, descripciones);
  ASSERT_TRUE(imagen.has_value());
  const Bytes esperadas[] = {{'A', 'B', 'C', 'D'}, {'x', 'y', 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  for (size_t i = 0; i < 4; ++i) {
    const auto e = imagen->bytes.begin() + 2 + 16 * long(i);
    EXPECT_EQ(Bytes(e + 10, e + 14), esperadas[i]) << i;
    EXPECT_EQ(Bytes(e + 14, e + 16), Bytes({0xFF, 0xFF})) << i;
  }
}

TEST(Imagen_fpga, SetsThatDoNotFitAreRefused) {
  const Bytes pequena(10, 1);
  const Bytes grande(kTamano_imagen_fpga - 258, 2);  // exactly fills the buffer
  struct Caso {
    const char* nombre;
    std::vector<std::span<const uint8_t>> configuraciones;
    bool construida;
  };
  const Caso casos[] = {
      {"none", {}, false},
      {"16", std::vector<std::span<const uint8_t>>(16, pequena), true},
      {"17", std::vector<std::span<const uint8_t>>(17, pequena), false},
      {"exactly the buffer", {grande}, true},
      {"one byte more", {pequena, grande}, false},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(Construir_imagen_fpga(c.configuraciones).has_value(), c.construida) << c.nombre;
}

TEST(Tramas_fpga, StagingErase) {
  struct Caso {
    uint32_t total;
    uint8_t fin;
  };
  for (const Caso& c : {Caso{kLongitud_dorada, 0xE2}, Caso{858, 0xDC}, Caso{0xFFFF, 0xDC},
                        Caso{0x10000, 0xDD}, Caso{0x23FFFF, 0xFF}, Caso{0x240000, 0x00}}) {
    const auto o = Orden_borrado_fpga(c.total);
    EXPECT_EQ(Bytes(o.begin(), o.end()), Bytes({0x07, 0x06, 0x00, 0x00, 0xDB, 0xFD, 0xFF, c.fin}))
        << c.total;
  }
}

TEST(Tramas_fpga, FlashWriteMapsTheSetsSegments) {
  struct Caso {
    uint32_t total;
    int primero, ultimo;
  };
  for (const Caso& c : {Caso{kLongitud_dorada, 48, 54}, Caso{858, 48, 48}, Caso{0x10000, 48, 49},
                        Caso{uint32_t(kTamano_imagen_fpga), 48, 63}}) {
    const auto o = Orden_grabar_flash_fpga(c.total);
    Bytes esperada(66, 0x00);
    esperada[0] = 0x09;
    esperada[1] = 0x40;
    for (int k = c.primero; k <= c.ultimo; ++k) esperada[size_t(2 + k)] = 0x01;
    EXPECT_EQ(Bytes(o.begin(), o.end()), esperada) << c.total;
  }
}

TEST(Bloques_fpga, PlanOfTheEmbeddedSet) {
  const auto plan = Plan_bloques_fpga(kLongitud_dorada);
  ASSERT_EQ(plan.size(), 1786u);
  EXPECT_EQ(plan.back().desplazamiento, 446'250u);
  EXPECT_EQ(plan.back().longitud, 131u);
  EXPECT_EQ(plan.back().segmento, 0xE1);
  uint32_t siguiente = 0;
  for (const Bloque_fpga& b : plan) {
    EXPECT_EQ(b.desplazamiento, siguiente);  // no gaps
    siguiente += b.longitud;
  }
  EXPECT_EQ(siguiente, kLongitud_dorada);
  // A block crossing 64 KiB keeps the segment of its first byte; the next one
  // has the next segment byte.
  struct Caso {
    size_t indice;
    uint8_t segmento;
    uint16_t direccion;
  };
  const Caso casos[] = {
      {0, 0xDB, 0x0000},    {261, 0xDB, 0xFEE2},
      {262, 0xDB, 0xFFDC},  // crosses 0x10000
      {263, 0xDC, 0x00D6},  {524, 0xDC, 0xFFB8},
      {525, 0xDD, 0x00B2},   // after 0x20000
      {1572, 0xE0, 0xFF28},  // crosses 0x60000
      {1573, 0xE1, 0x0022}, {1785, 0xE1, uint16_t(446'250 - 0x60000)},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(plan[c.indice].segmento, c.segmento) << c.indice;
    EXPECT_EQ(plan[c.indice].direccion, c.direccion) << c.indice;
  }
  int cambios = 0;
  for (size_t i = 1; i < plan.size(); ++i) cambios += plan[i].segmento != plan[i - 1].segmento;
  EXPECT_EQ(cambios, 6);
}

}  // namespace
}  // namespace r27
