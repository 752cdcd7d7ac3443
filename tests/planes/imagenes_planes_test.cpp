// The five embedded plan-area images, read by a parser of the meter's layout
// written here (not the generator's tables): every directory slot and channel
// record, the lists back to back up to the image's end, sane names, and
// frequencies inside the bands each plan claims.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "components/planes.h"

namespace r27 {
namespace {

constexpr size_t kLista0 = 0x590;
constexpr uint32_t kArea = 0x1E0000;

uint32_t Le(std::span<const uint8_t> b, size_t en, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[en + size_t(i)];
  return v;
}

// A zero-padded text field: empty when it is not text followed only by zeros or
// holds a byte that is not printable (Latin-1 letters and the degree sign allowed
// where `latin1`).
std::string Texto(std::span<const uint8_t> b, size_t en, size_t ancho, bool latin1) {
  std::string s;
  size_t i = 0;
  for (; i < ancho && b[en + i] != 0; ++i) {
    const uint8_t c = b[en + i];
    if (!((c >= 0x20 && c <= 0x7E) || (latin1 && c == 0xB0))) return "";
    s.push_back(char(c));
  }
  for (; i < ancho; ++i)
    if (b[en + i] != 0) return "";
  return s;
}

struct Canal {
  uint32_t khz;
  std::string nombre;
  uint8_t pol;
  uint16_t ancho, numero, cero, ajuste;
};
struct Plan {
  uint16_t tipo;
  std::string nombre;
  size_t inicio;  // offset of the list in the image
  std::vector<Canal> canales;
};

// Walks the layout; every inconsistency is a test failure.
std::vector<Plan> Leer(std::span<const uint8_t> b, int selector) {
  std::vector<Plan> planes;
  const size_t n = b[1];
  EXPECT_TRUE(b[0] == 0 && b[2] == 0 && b[4] == selector);
  EXPECT_TRUE(std::all_of(b.begin() + 5, b.begin() + 16, [](uint8_t x) { return x == 0; }));
  size_t cursor = kLista0;
  for (size_t i = 0; i < 64; ++i) {
    const size_t r = 16 + 22 * i;
    const uint32_t direccion = Le(b, r + 18, 4);
    if (i >= n) {
      EXPECT_EQ(direccion, kArea + kLista0) << "slot " << i;
      EXPECT_TRUE(std::all_of(b.begin() + long(r), b.begin() + long(r + 18),
                              [](uint8_t x) { return x == 0; }))
          << "slot " << i;
      continue;
    }
    Plan p{uint16_t(Le(b, r + 2, 2)), Texto(b, r + 7, 11, true), cursor, {}};
    const uint32_t cuenta = Le(b, r, 2);
    EXPECT_EQ(direccion, kArea + cursor) << p.nombre;  // lists back to back
    EXPECT_TRUE(b[r + 4] == i && b[r + 5] == 0 && b[r + 6] == 0) << p.nombre;
    EXPECT_FALSE(p.nombre.empty()) << "slot " << i;
    EXPECT_TRUE(p.tipo == 0 || p.tipo == 2 || p.tipo == 6 || p.tipo == 10) << p.nombre;
    EXPECT_GT(cuenta, 0u) << p.nombre;
    if (cursor + size_t{cuenta} * 26 > b.size()) {
      ADD_FAILURE() << p.nombre << " runs past the image";
      return planes;
    }
    for (uint32_t k = 0; k < cuenta; ++k, cursor += 26)
      p.canales.push_back({Le(b, cursor, 4), Texto(b, cursor + 4, 13, false), b[cursor + 17],
                           uint16_t(Le(b, cursor + 18, 2)), uint16_t(Le(b, cursor + 20, 2)),
                           uint16_t(Le(b, cursor + 22, 2)), uint16_t(Le(b, cursor + 24, 2))});
    planes.push_back(std::move(p));
  }
  EXPECT_EQ(cursor, b.size()) << "the last list must end at the image's end";
  return planes;
}

// Satellite bands by plan kind, in MHz.
struct Banda {
  uint16_t tipo;
  uint32_t desde, hasta;
  char letra_1, letra_2;  // polarisation 1 and 2 in channel names
};
constexpr Banda kBandas_satelite[] = {
    {2, 10'700, 12'750, 'V', 'H'},
    {6, 3'400, 4'200, 'V', 'H'},
    {10, 11'700, 12'750, 'R', 'L'},
};

void Comprobar_canales(const Plan& p, int selector) {
  const bool satelite = p.tipo != 0;
  const bool cable_eeuu = selector == 2 && !satelite;
  for (size_t k = 0; k < p.canales.size(); ++k) {
    const Canal& c = p.canales[k];
    const std::string donde = p.nombre + " " + c.nombre;
    EXPECT_FALSE(c.nombre.empty()) << p.nombre << " #" << k;
    EXPECT_EQ(c.numero, k) << donde;
    EXPECT_EQ(c.cero, 0) << donde;
    if (k > 0) {
      EXPECT_GT(c.khz, p.canales[k - 1].khz) << donde;  // ascending, no repeats
    }
    EXPECT_TRUE(cable_eeuu ? c.ajuste <= 60 : c.ajuste == 0) << donde;
    if (satelite) {
      const auto* banda = std::find_if(std::begin(kBandas_satelite), std::end(kBandas_satelite),
                                       [&](const Banda& b) { return b.tipo == p.tipo; });
      ASSERT_NE(banda, std::end(kBandas_satelite)) << donde;
      EXPECT_TRUE(c.khz >= banda->desde * 1000 && c.khz <= banda->hasta * 1000) << donde;
      EXPECT_TRUE(c.pol == 1 || c.pol == 2) << donde;
      EXPECT_TRUE(c.ancho >= 1000 && c.ancho <= 45'000) << donde;  // symbol rate, kBd
      // The name is the frequency in MHz and the polarisation letter.
      char esperado[16];
      std::snprintf(esperado, sizeof esperado, "%u %c", c.khz / 1000,
                    c.pol == 1 ? banda->letra_1 : banda->letra_2);
      EXPECT_EQ(c.nombre, esperado);
      EXPECT_EQ(c.khz % 1000, 0u) << donde;
      continue;
    }
    EXPECT_EQ(c.pol, 0) << donde;
    // The whole channel inside the band its raster belongs to.
    uint32_t desde = 44'000, hasta = 862'000;  // 7/8 MHz rasters, band I to band V
    if (p.nombre == "DAB") {
      desde = 174'000, hasta = 240'000;
      EXPECT_EQ(c.ancho, 1536) << donde;
    } else if (p.nombre == "FCC RETURN") {
      desde = 5'000, hasta = 48'000;
      EXPECT_EQ(c.ancho, 6000) << donde;
    } else if (c.ancho == 6000) {
      desde = 50'000, hasta = 1'002'000;  // System M broadcast and cable (HRC 2 from 52.75)
    } else {
      EXPECT_TRUE(c.ancho == 7000 || c.ancho == 8000) << donde;
    }
    EXPECT_TRUE(c.khz - c.ancho / 2 >= desde && c.khz + c.ancho / 2 <= hasta) << donde;
  }
}

// Published channel centres, looked up wherever the plan appears.
struct Ancla {
  const char* plan;
  const char* canal;
  uint32_t khz;
};
constexpr Ancla kAnclas[] = {
    {"CCIR", "E02", 50'500},    {"CCIR", "E05", 177'500},     {"CCIR", "E12", 226'500},
    {"CCIR", "S21", 306'000},   {"CCIR", "21", 474'000},      {"CCIR", "69", 858'000},
    {"OIRT", "R01", 52'500},    {"OIRT", "R06", 178'000},     {"STDL", "21", 474'000},
    {"CCIR-IT", "A", 56'000},   {"CCIR-IT", "H2", 226'500},   {"FCC", "2", 57'000},
    {"FCC", "7", 177'000},      {"FCC", "14", 473'000},       {"FCC OFFAIR", "69", 803'000},
    {"PH TERR", "13", 213'000}, {"FCC STD", "95", 93'000},    {"FCC STD", "100", 651'000},
    {"FCC HRC", "5", 79'750},   {"FCC IRC", "1", 75'000},     {"FCC RETURN", "T7", 8'750},
    {"DAB", "5A", 174'928},     {"DAB", "12C", 227'360},      {"DAB", "13F", 239'200},
    {"CCIR AUS", "0", 48'500},  {"CCIR AUS", "9A", 205'500},  {"CCIR AUS", "28", 529'500},
    {"CCIR NZ", "1", 47'500},   {"FOXTEL TDT", "6", 177'500},
};

struct Forma {
  uint32_t tamano;
  size_t planes;
  uint8_t byte3;
  std::vector<std::string> primeros;
};

TEST(Imagenes_planes, EveryImageReadsBackAsItsRegionalSet) {
  const Forma formas[] = {
      {60'262, 36, 0x6C, {"CCIR", "STDL", "OIRT", "CCIR-IT", "FCC", "DAB"}},
      {22'692, 24, 0x67, {"CCIR", "PH TERR", "STDL", "OIRT", "CCIR-IT", "DAB"}},
      {30'648, 24, 0x7A, {"FCC STD", "FCC RETURN", "FCC IRC", "FCC HRC", "FCC OFFAIR", "CCIR"}},
      {39'878, 44, 0x66, {"CCIR", "STDL", "OIRT", "CCIR-IT", "FCC", "DAB"}},
      {15'022, 15, 0x6E, {"CCIR AUS", "CCIR NZ", "FOXTEL TDT", "DAB"}},
  };
  for (int s = 0; s < kConjuntos_planes; ++s) {
    SCOPED_TRACE("image " + std::to_string(s));
    const Forma& f = formas[s];
    const auto b = Imagen_plan(s);
    ASSERT_EQ(b.size(), f.tamano);
    EXPECT_EQ(b[1], f.planes);
    EXPECT_EQ(b[3], f.byte3);
    const std::vector<Plan> planes = Leer(b, s);
    ASSERT_EQ(planes.size(), f.planes);
    for (size_t i = 0; i < planes.size(); ++i) {
      if (i < f.primeros.size()) {
        EXPECT_EQ(planes[i].nombre, f.primeros[i]);
        EXPECT_EQ(planes[i].tipo, 0);
      } else {
        EXPECT_NE(planes[i].tipo, 0) << planes[i].nombre << ": satellites after the first";
      }
      Comprobar_canales(planes[i], s);
    }
    for (const Ancla& a : kAnclas)
      for (const Plan& p : planes)
        if (p.nombre == a.plan) {
          const auto c = std::find_if(p.canales.begin(), p.canales.end(),
                                      [&](const Canal& x) { return x.nombre == a.canal; });
          ASSERT_NE(c, p.canales.end()) << a.plan << " " << a.canal;
          EXPECT_EQ(c->khz, a.khz) << a.plan << " " << a.canal;
        }
  }
  // The eastern set begins with the European set's first eight plans, lists and all.
  const auto europa = Imagen_plan(0), este = Imagen_plan(3);
  const size_t fin_ocho = Le(europa, 16 + 22 * 8 + 18, 4) - kArea;
  EXPECT_EQ(Le(este, 16 + 22 * 8 + 18, 4) - kArea, fin_ocho);
  EXPECT_TRUE(std::equal(europa.begin() + 16, europa.begin() + 16 + 8 * 22, este.begin() + 16));
  EXPECT_TRUE(std::equal(europa.begin() + kLista0, europa.begin() + long(fin_ocho),
                         este.begin() + kLista0));
  EXPECT_TRUE(Imagen_plan(-1).empty() && Imagen_plan(5).empty());
}

}  // namespace
}  // namespace r27
