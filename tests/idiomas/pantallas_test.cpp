// The wizard's screens, row by row, and the version line.
#include "app/nucleo/pantallas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace r27 {
namespace {

// Texts that name their own key, so each line shows where it came from.
Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (std::size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  return t;
}

constexpr std::optional<bool> kIgual = std::nullopt;

struct Fila {
  const char* nombre;
  std::function<Pantalla(const Textos_idioma&)> construir;
  int imagen;
  const char* l1;
  const char* l2;
  const char* l3;
  bool numeros;
  bool boton;
  std::optional<bool> progreso;
};

class Tabla_pantallas : public ::testing::TestWithParam<Fila> {};

TEST_P(Tabla_pantallas, ShowsItsPictureLinesAndControls) {
  const Fila& f = GetParam();
  const Pantalla p = f.construir(Textos_con_claves());
  EXPECT_EQ(p.imagen, f.imagen);
  EXPECT_EQ(p.lineas[0], f.l1);
  EXPECT_EQ(p.lineas[1], f.l2);
  EXPECT_EQ(p.lineas[2], f.l3);
  EXPECT_EQ(p.numeros_visibles, f.numeros);
  EXPECT_EQ(p.boton_visible, f.boton);
  EXPECT_EQ(p.progreso_general_visible, f.progreso);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Pantallas, Tabla_pantallas, ::testing::Values(
    Fila{"start", [](const Textos_idioma& textos) { return Pantalla_inicio(textos, "Version 3.01"); },
         0, "PASO1_L1", "Version 3.01", "PASO1_L3", false, true, false},
    Fila{"connect", Pantalla_conectar, 1, "PASO2_L1", "PASO2_L2", "PASO2_L3", true, true, false},
    Fila{"searching", [](const Textos_idioma& textos) { return Pantalla_buscando(textos, 12); },
         2, "PASO3_L1", "PASO3_L212", "PASO3_L3", false, false, kIgual},
    Fila{"not_found", Pantalla_no_encontrado, 3, "P6_E1_L1", "P6_E1_L2", "P6_E1_L3", false, true, kIgual},
    Fila{"not_found_m", Pantalla_no_encontrado_m, 3, "P6_E5_L1", "P6_E5_L2", "P6_E5_L3", false, true, kIgual},
    Fila{"updating", Pantalla_actualizando, 4, "PASO4_L1", "PASO4_L2", "PASO4_L3", false, false, true},
    Fila{"correct", Pantalla_correcta, 5, "PASO5_L1", "PASO5_L2", "", false, false, false},
    Fila{"failed", [](const Textos_idioma& textos) { return Pantalla_fallida(textos, 16); },
         6, "P6_E4_L1 16", "P6_E4_L2", "P6_E4_L3", false, false, false},
    Fila{"failed_code_0", [](const Textos_idioma& textos) { return Pantalla_fallida(textos, 0); },
         6, "P6_E4_L1 0", "P6_E4_L2", "P6_E4_L3", false, false, false},
    Fila{"refused_level", Pantalla_rechazo_nivel, 7, "P6_E2_L1", "P6_E2_L2", "P6_E2_L3", false, true, false},
    Fila{"refused_status", Pantalla_rechazo_estado, 7, "P6_E3_L1", "P6_E3_L2", "P6_E3_L3", false, true, false},
    Fila{"nothing_family", Pantalla_nada_familia, 7, "PASO7_L1", "PASO7_L2", "PASO7_L3", false, true, false},
    Fila{"nothing_other", Pantalla_nada_ajena, 7, "PASO8_L1", "PASO8_L2", "PASO8_L3", false, true, false}),
    [](const auto& caso) { return std::string(caso.param.nombre); });
// clang-format on

TEST(Pantallas, EmptyTextsGiveEmptyLinesButKeepTheNumbers) {
  const Textos_idioma vacios;
  EXPECT_EQ(Pantalla_buscando(vacios, 3).lineas[1], "3");
  EXPECT_EQ(Pantalla_fallida(vacios, 23).lineas[0], " 23");
  EXPECT_EQ(Pantalla_inicio(vacios, "Version 3.01").lineas,
            (std::array<std::string, 3>{"", "Version 3.01", ""}));
}

TEST(Pantallas, StepBannerAndSearchLine) {
  const Textos_idioma t = Textos_con_claves();
  EXPECT_EQ(Linea_banner_paso(t, 1, 4), "PASO4_L3: 1/4");
  EXPECT_EQ(Linea_banner_paso(t, 4, 4), "PASO4_L3: 4/4");
  EXPECT_EQ(Linea_buscando(t, 20), "PASO3_L220");
}

std::array<char, 12> Version(const char* texto, std::size_t n) {
  std::array<char, 12> v{};
  std::memcpy(v.data(), texto, n);
  return v;
}

TEST(Linea_version, ABuildOfZerosShowsOnlyTheVersion) {
  struct Caso {
    std::array<char, 12> version;
    const char* esperado;
  };
  const Caso casos[] = {
      {Version("3.01.00000", 11), "Version 3.01"},
      {Version("3.01.00012", 11), "Version 3.01.00012"},
      {Version("3.01.10000", 11), "Version 3.01.10000"},
      {Version("3.01.0000", 10), "Version 3.01.0000"},  // too short to hold the build
      {Version("", 1), "Version "},                     // a damaged image fills nothing
      {Version("3.01", 5), "Version 3.01"},
      {Version("3.01.00000ZZ", 12), "Version 3.01"},  // no terminating zero: read 12
      {Version("9.99\0"
               "00000",
               11),
       "Version 9.99"},  // the text stops at the zero
  };
  for (const Caso& c : casos) EXPECT_EQ(Linea_version(c.version), c.esperado);
}

}  // namespace
}  // namespace r27
