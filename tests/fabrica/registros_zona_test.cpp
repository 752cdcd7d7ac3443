// The zone records byte for byte: the two printed configuration records, the
// bytes that depend on the meter's language, edition, status bit and plan set,
// the profile names in their code pages, the profile values and the checksums.
#include "factory/registros_zona.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "factory/tablas_zona.h"

namespace r27 {
namespace {

using Bytes = std::vector<uint8_t>;

// Language 0, estado_b5 false, indice_plan 0.
const Bytes kConfiguracion = {
    0xA0, 0xCB, 0x00, 0x44, 0x05, 0x00, 0x01, 0x00, 0x01, 0x0A, 0x32, 0x32, 0x32, 0x01, 0x00, 0x32,
    0x32, 0x00, 0x52, 0xF2, 0x06, 0x00, 0x52, 0xF2, 0x06, 0x00, 0x60, 0xE3, 0x16, 0x00, 0x18, 0x73,
    0x01, 0x00, 0x00, 0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00, 0x00, 0x12, 0x00, 0x0F,
    0x0A, 0x00, 0x20, 0x00, 0x00, 0x00, 0x01, 0x3E, 0x17, 0x00, 0x00, 0x7C, 0x15, 0x00, 0x0A, 0x00,
    0x00, 0x00, 0x00, 0x02, 0x04, 0x02, 0x00, 0x00, 0x00, 0x06, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x0A, 0x06, 0x00, 0x00, 0x0A, 0x32, 0x00, 0x19, 0x00, 0x01, 0x07, 0x00, 0x01, 0x01,
    0x00, 0x01, 0x02, 0x00, 0x01, 0x32, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x32, 0xFF,
    0xFF, 0x00, 0x90, 0x06, 0x8C, 0x05, 0xF8, 0x07, 0xBA, 0x04, 0x90, 0x06, 0x8C, 0x05, 0xF8, 0x07,
    0xBA, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0A, 0x00, 0xFF,
    0x00, 0x5F, 0x00, 0xFA, 0x00, 0xC2, 0x01, 0x8A, 0x02, 0xEE, 0x02, 0xE8, 0x03, 0xB0, 0x04, 0x78,
    0x05, 0x08, 0x07, 0x34, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA, 0x4E};

const Bytes kConfiguracion_usa = {
    0xA0, 0xD8, 0x00, 0x44, 0x05, 0x0F, 0x01, 0x01, 0x01, 0x0A, 0x32, 0x32, 0x32, 0x00, 0x00, 0x32,
    0x32, 0x00, 0x52, 0xF2, 0x06, 0x00, 0x52, 0xF2, 0x06, 0x00, 0x60, 0xE3, 0x16, 0x00, 0x18, 0x73,
    0x01, 0x00, 0x00, 0x0B, 0x10, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x03, 0x00, 0x00, 0x12, 0x00, 0x0F,
    0x0A, 0x00, 0x20, 0x06, 0x03, 0x00, 0x01, 0x3E, 0x17, 0x00, 0x00, 0x94, 0x11, 0x00, 0x0A, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x06, 0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x0A, 0x06, 0x00, 0x00, 0x0A, 0x32, 0x00, 0x19, 0x00, 0x01, 0x07, 0x00, 0x01, 0x01,
    0x00, 0x01, 0x02, 0x00, 0x01, 0x32, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x32, 0xFF,
    0xFF, 0x00, 0x90, 0x06, 0x8C, 0x05, 0xF8, 0x07, 0xBA, 0x04, 0x90, 0x06, 0x8C, 0x05, 0xF8, 0x07,
    0xBA, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x0A, 0x00, 0xFF, 0x00, 0x5F, 0x00,
    0xFA, 0x00, 0xC2, 0x01, 0x8A, 0x02, 0xEE, 0x02, 0xE8, 0x03, 0xB0, 0x04, 0x78, 0x05, 0x08, 0x07,
    0x34, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA, 0xB0};

uint8_t Xor_previos(const Bytes& r) {
  uint8_t x = 0;
  for (size_t i = 0; i + 1 < r.size(); ++i) x ^= r[i];
  return x;
}

Bytes Configuracion(const Hechos_zona& h) {
  std::array<uint8_t, kTamano_ranura_registro> ranura;
  ranura.fill(0xEE);
  const size_t n = Registro_configuracion(ranura, h);
  EXPECT_TRUE(std::all_of(ranura.begin() + long(n), ranura.end(), [](uint8_t b) { return !b; }));
  return Bytes(ranura.begin(), ranura.begin() + long(n));
}

Bytes Perfil(uint8_t p, int32_t idioma, bool usa, uint8_t relleno = 0) {
  std::array<uint8_t, kTamano_ranura_registro> ranura;
  ranura.fill(relleno);
  const size_t n = Registro_perfil(ranura, p, idioma, usa);
  EXPECT_TRUE(std::all_of(ranura.begin() + long(n), ranura.end(), [](uint8_t b) { return !b; }));
  return Bytes(ranura.begin(), ranura.begin() + long(n));
}

// Band frequencies in MHz at offsets 114..129, little-endian.
void Poner_bandas(Bytes& r, std::array<uint16_t, 8> mhz) {
  for (size_t k = 0; k < 8; ++k) {
    r[114 + 2 * k] = uint8_t(mhz[k]);
    r[115 + 2 * k] = uint8_t(mhz[k] >> 8);
  }
}
const std::array<uint16_t, 8> kBandas_2 = {1178, 1280, 1382, 1484, 1586, 1688, 1790, 1892};
const std::array<uint16_t, 8> kBandas_5 = {1210, 1420, 1680, 2040, 1586, 1688, 1790, 1892};

TEST(Configuracion, ThePrintedRecordsOfLanguage0) {
  EXPECT_EQ(Configuracion({0, false, false, 0}), kConfiguracion);
  EXPECT_EQ(Configuracion({0, true, false, 0}), kConfiguracion_usa);
}

TEST(Configuracion, BytesThatFollowTheMeter) {
  struct Caso {
    const char* nombre;
    Hechos_zona hechos;
    std::vector<std::pair<size_t, uint8_t>> cambios;  // against the printed record
    const std::array<uint16_t, 8>* bandas;
  };
  const Caso casos[] = {
      {"Russian", {7, false, false, 0}, {{34, 2}, {35, 8}, {51, 1}, {59, 0x64}, {60, 0x19}}, {}},
      {"German", {2, false, false, 0}, {}, &kBandas_2},
      {"Italian", {5, false, false, 0}, {{34, 3}}, &kBandas_5},
      {"French", {4, false, false, 0}, {{34, 1}, {66, 7}}, {}},
      {"Portuguese, status bit", {3, false, true, 0}, {{35, 13}, {67, 6}, {68, 7}}, {}},
      {"English, plan set 4", {1, false, false, 4}, {{66, 7}}, {}},
      {"English, plan set 3", {1, false, false, 3}, {}, {}},
      {"Spanish, plan set 4", {0, false, false, 4}, {}, {}},
      {"US Russian, status bit, plan 4", {7, true, true, 4}, {}, {}},
      {"US English, plan set 4", {1, true, false, 4}, {}, {}},
      {"US German", {2, true, false, 0}, {}, &kBandas_2},
  };
  for (const Caso& c : casos) {
    Bytes esperado = c.hechos.region_usa ? kConfiguracion_usa : kConfiguracion;
    esperado[14] = uint8_t(c.hechos.idioma);
    for (auto [i, b] : c.cambios) esperado[i] = b;
    if (c.bandas) Poner_bandas(esperado, *c.bandas);
    esperado.back() = Xor_previos(esperado);
    EXPECT_EQ(Configuracion(c.hechos), esperado) << c.nombre;
  }
}

TEST(Configuracion, EveryLanguageChangesOnlyItsOwnBytes) {
  const std::set<size_t> propios_no_usa = {14, 34, 35, 51, 59, 60, 66, 67, 68};
  for (bool usa : {false, true}) {
    const Bytes& base = usa ? kConfiguracion_usa : kConfiguracion;
    for (int32_t idioma = 0; idioma <= 9; ++idioma) {
      for (bool b5 : {false, true}) {
        for (int32_t plan : {0, 4}) {
          const Bytes r = Configuracion({idioma, usa, b5, plan});
          ASSERT_EQ(r.size(), base.size());
          EXPECT_EQ(r[1], r.size());
          EXPECT_EQ(r[r.size() - 2], 0xFA);
          EXPECT_EQ(r.back(), Xor_previos(r));
          for (size_t i = 0; i + 1 < r.size(); ++i) {
            const bool banda = i >= 114 && i < 130;
            const bool propio = usa ? i == 14 : propios_no_usa.count(i) > 0;
            if (!banda && !propio) {
              EXPECT_EQ(r[i], base[i]) << idioma << " " << usa << " " << i;
            }
          }
        }
      }
    }
  }
}

// --- Profiles ---

// The values as listed: 96 non-US, 90 US (40, 41 not written).
const std::vector<int16_t> kValores = {
    570, 750, 470, 800, 430, 350, 80,  200, 50,   250, 400, 350, 450, 650, 350, 700,
    250, 200, 470, 730, 400, 770, 110, 60,  470,  730, 400, 770, 450, 650, 400, 700,
    380, 330, 250, 200, 450, 350, 590, 420, 230,  200, 190, 150, 550, 450, 250, 230,
    110, 60,  450, 350, 590, 420, 90,  70,  110,  60,  15,  30,  450, 350, 450, 350,
    90,  70,  450, 350, 20,  5,   -15, -20, 670,  850, 570, 900, 250, 200, 450, 350,
    590, 420, 230, 200, 60,  30,  -50, 50,  -150, 150, 520, 500, 520, 500, 200, 500};
const std::vector<int16_t> kValores_usa = {
    570, 750, 470, 800, 430, 350, 80,  200, 50,  250, 400,  350, 450, 650, 350, 700, 250, 200,
    470, 730, 400, 770, 110, 60,  470, 730, 400, 770, 450,  650, 400, 700, 380, 330, 250, 200,
    590, 420, 250, 200, 0,   0,   190, 150, 550, 450, 250,  230, 110, 60,  450, 350, 590, 420,
    90,  70,  110, 60,  15,  30,  450, 350, 450, 350, 90,   70,  450, 350, 590, 420, 50,  30,
    20,  5,   -15, -20, 670, 850, 570, 900, -50, 50,  -150, 150, 520, 500, 520, 500, 200, 500};

int16_t Valor(const Bytes& r, size_t k) { return int16_t(r[12 + 2 * k] | r[13 + 2 * k] << 8); }

TEST(Perfil, RecordOfProfile0) {
  for (bool usa : {false, true}) {
    const std::vector<int16_t>& valores = usa ? kValores_usa : kValores;
    Bytes esperado = {0xBA, 0, 0x00, 0x0C, 'T', 'o', 'm', 'a', 0, 0, 0, 0};
    for (int16_t v : valores) esperado.insert(esperado.end(), {uint8_t(v), uint8_t(v >> 8)});
    esperado.push_back(0xCA);
    esperado[1] = uint8_t(esperado.size() + 1);
    esperado.push_back(0);
    esperado.back() = Xor_previos(esperado);
    EXPECT_EQ(esperado.size(), usa ? 194u : 206u);
    // The US values 40 and 41 stay zero even where the slot held something else.
    EXPECT_EQ(Perfil(0, 0, usa, 0x77), esperado) << usa;
  }
}

TEST(Perfil, TheHeadEndProfileRaisesItsLimitsAndTheOthersShareTheList) {
  const std::map<size_t, int16_t> cabecera = {{1, 1150},  {3, 1200},  {13, 1150}, {15, 1200},
                                              {19, 1050}, {21, 1100}, {29, 1150}, {31, 1200}};
  for (bool usa : {false, true}) {
    const Bytes p0 = Perfil(0, 0, usa);
    for (uint8_t p : {1, 2, 3, 4, 200}) {
      const Bytes r = Perfil(p, 0, usa);
      ASSERT_EQ(r.size(), p0.size());
      EXPECT_EQ(r.back(), Xor_previos(r));
      const size_t n = (r.size() - 14) / 2;
      for (size_t k = 0; k < n; ++k) {
        const bool sube = p == 1 && cabecera.count(k);
        EXPECT_EQ(Valor(r, k), sube ? cabecera.at(k) : Valor(p0, k)) << int(p) << " " << k;
      }
      if (p >= 4) {
        EXPECT_EQ(r, p0);  // a larger index is profile 0
      }
    }
  }
}

// Cyrillic from UTF-8 into ISO-8859-5 (U+0410..U+044F are 0xB0..0xEF).
std::string Iso_8859_5(const std::u8string& texto) {
  std::string s;
  for (size_t i = 0; i < texto.size(); ++i) {
    const uint8_t c = uint8_t(texto[i]);
    if (c < 0x80) {
      s += char(c);
    } else {
      const unsigned u = (c & 0x1F) << 6 | (uint8_t(texto[++i]) & 0x3F);
      s += char(u - 0x410 + 0xB0);
    }
  }
  return s;
}

TEST(Perfil, NamesInTheMetersCodePages) {
  struct Caso {
    int32_t idioma;
    uint8_t perfil;
    std::string nombre;  // the 8 bytes of the record
  };
  const Caso casos[] = {
      {0, 0, std::string("Toma\0\0\0\0", 8)},
      {0, 1, "Cabecera"},
      {0, 2, std::string("Perfil1\0", 8)},
      {0, 3, std::string("Perfil2\0", 8)},
      {2, 0, "Steckdos"},
      {2, 1, "Kopfstat"},
      {4, 1, "Station "},
      {5, 3, "Profilo2"},
      {7, 0, Iso_8859_5(u8"Розетка") + '\0'},
      {7, 1, Iso_8859_5(u8"Голов ст")},
      {7, 3, Iso_8859_5(u8"Профиль2")},
      {8, 1, "Stacja c"},
      {8, 2, std::string("profil1\0", 8)},
      {9, 2, "Profile1"},
      {10, 0, std::string(8, '\0')},
      {11, 3, std::string("2\0\0\0\0\0\0\0", 8)},
      {-1, 1, std::string(8, '\0')},
      {12, 2, std::string("1\0\0\0\0\0\0\0", 8)},
  };
  for (const Caso& c : casos) {
    for (bool usa : {false, true}) {
      const Bytes r = Perfil(c.perfil, c.idioma, usa);
      EXPECT_EQ(std::string(r.begin() + 4, r.begin() + 12), c.nombre)
          << c.idioma << " " << int(c.perfil);
      EXPECT_EQ(r.back(), Xor_previos(r));
    }
  }
  // The head-end names past the 8 bytes a record takes, in their tables.
  auto entrada = [](int32_t idioma) {
    const auto& e = kNombres_cabecera[size_t(idioma)];
    return std::string(e.begin(), std::find(e.begin(), e.end(), 0));
  };
  EXPECT_EQ(entrada(7), Iso_8859_5(u8"Голов станция"));
  EXPECT_EQ(entrada(8), "Stacja czo\xB3owa");  // ISO-8859-2
  EXPECT_EQ(entrada(4), "Station de t\xEAte");
}

}  // namespace
}  // namespace r27
