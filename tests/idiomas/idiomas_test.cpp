// The INI reader answers as the Windows profile functions do.
#include "app/nucleo/idiomas.h"

#include <gtest/gtest.h>

#include <string>

namespace r27 {
namespace {

struct Caso_ini {
  const char* nombre;
  std::string texto;
  const char* seccion;
  const char* clave;
  std::string esperado;  // "<defecto>" when the default must come back
};

class Lectura_ini : public ::testing::TestWithParam<Caso_ini> {};

TEST_P(Lectura_ini, AnswersLikeTheProfileFunctions) {
  const Caso_ini& c = GetParam();
  const Fichero_ini ini = Fichero_ini::Desde_texto(c.texto);
  EXPECT_EQ(ini.Leer(c.seccion, c.clave, "<defecto>"), c.esperado);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Lectura_ini, ::testing::Values(
    Caso_ini{"plain", "[ES]\nMENU1=Archivo\n", "ES", "MENU1", "Archivo"},
    Caso_ini{"section_case", "[es]\nMENU1=Archivo\n", "ES", "MENU1", "Archivo"},
    Caso_ini{"key_case", "[ES]\nmenu1=Archivo\n", "es", "Menu1", "Archivo"},
    Caso_ini{"blanks_trimmed", "  [ ES ]  \n \t MENU1 \t=  Archivo  \t\n", "ES", "MENU1", "Archivo"},
    Caso_ini{"inner_blanks_kept", "[ES]\nK=a  b\n", "ES", "K", "a  b"},
    Caso_ini{"crlf", "[ES]\r\nMENU1=Archivo\r\nMENU2=Configurar\r\n", "ES", "MENU2", "Configurar"},
    Caso_ini{"lone_cr", "[ES]\rMENU1=Archivo\r", "ES", "MENU1", "Archivo"},
    Caso_ini{"no_final_newline", "[ES]\nMENU1=Archivo", "ES", "MENU1", "Archivo"},
    Caso_ini{"bom", "\xEF\xBB\xBF[ES]\nMENU1=Archivo\n", "ES", "MENU1", "Archivo"},
    Caso_ini{"comment_line", "[ES]\n;MENU1=Comentario\nMENU1=Archivo\n", "ES", "MENU1", "Archivo"},
    Caso_ini{"indented_comment", "[ES]\n   ; MENU1=x\n", "ES", "MENU1", "<defecto>"},
    Caso_ini{"semicolon_inside_value", "[ES]\nK=a;b\n", "ES", "K", "a;b"},
    Caso_ini{"double_quotes", "[ES]\nK=\"Trying port \"\n", "ES", "K", "Trying port "},
    Caso_ini{"single_quotes", "[ES]\nK='x y '\n", "ES", "K", "x y "},
    Caso_ini{"unmatched_quotes", "[ES]\nK=\"abc'\n", "ES", "K", "\"abc'"},
    Caso_ini{"lone_quote", "[ES]\nK=\"\n", "ES", "K", "\""},
    Caso_ini{"equals_in_value", "[ES]\nK=a=b\n", "ES", "K", "a=b"},
    Caso_ini{"empty_value_is_a_value", "[ES]\nK=\n", "ES", "K", ""},
    Caso_ini{"duplicate_key_first_wins", "[ES]\nK=uno\nK=dos\n", "ES", "K", "uno"},
    Caso_ini{"repeated_section_first_wins", "[ES]\nK=uno\n[EN]\nK=x\n[es]\nK=dos\nJ=tres\n", "ES", "K", "uno"},
    Caso_ini{"repeated_section_adds_keys", "[ES]\nK=uno\n[EN]\nK=x\n[ES]\nJ=tres\n", "ES", "J", "tres"},
    Caso_ini{"other_section", "[EN]\nK=x\n", "ES", "K", "<defecto>"},
    Caso_ini{"key_before_any_section", "K=x\n[ES]\n", "ES", "K", "<defecto>"},
    Caso_ini{"line_without_equals", "[ES]\nK\nJ=y\n", "ES", "K", "<defecto>"},
    Caso_ini{"empty_key", "[ES]\n=x\n", "ES", "", "<defecto>"},
    Caso_ini{"broken_header_keeps_section", "[ES]\n[EN\nK=x\n", "ES", "K", "x"},
    Caso_ini{"utf8_value", "[ES]\nK=Actualización ¿Continuar?\n", "ES", "K", "Actualización ¿Continuar?"},
    Caso_ini{"nul_inside_value", std::string("[ES]\nK=a\0b\n", 11), "ES", "K", std::string("a\0b", 3)},
    Caso_ini{"empty_text", "", "ES", "K", "<defecto>"}),
    [](const auto& caso) { return std::string(caso.param.nombre); });
// clang-format on

TEST(Lectura_ini, LongValuesAreCutWithoutSplittingACharacter) {
  // 2046 ASCII bytes then a two-byte character that would straddle the limit.
  const std::string valor = std::string(2046, 'a') + "ñ" + "zz";
  const Fichero_ini ini = Fichero_ini::Desde_texto("[ES]\nK=" + valor + "\n");
  const std::string leido = ini.Leer("ES", "K", "");
  EXPECT_EQ(leido, std::string(2046, 'a'));

  const std::string justo = std::string(Fichero_ini::kLongitud_maxima_valor, 'b');
  EXPECT_EQ(Fichero_ini::Desde_texto("[ES]\nK=" + justo + "\n").Leer("ES", "K", ""), justo);
}

TEST(Lectura_ini, TextBeyondTheSizeLimitIsNotRead) {
  std::string texto = "[ES]\nK=dentro\n";
  texto.resize(Fichero_ini::kTamano_maximo_fichero, ' ');
  texto += "\nJ=fuera\n";
  const Fichero_ini ini = Fichero_ini::Desde_texto(texto);
  EXPECT_EQ(ini.Leer("ES", "K", "-"), "dentro");
  EXPECT_EQ(ini.Leer("ES", "J", "-"), "-");
}

Textos_idioma Textos_de(const std::string& texto) {
  return Leer_idioma(Fichero_ini::Desde_texto(texto));
}

void Esperar_defectos(const Textos_idioma& t) {
  EXPECT_EQ(t.menu.MenuArchivo, "Archivo");
  EXPECT_EQ(t.menu.Actualizar1, "Actualizar");
  EXPECT_EQ(t.menu.MenuSalir, "Salir");
  EXPECT_EQ(t.menu.MenuConfigurar, "Configurar");
  EXPECT_EQ(t.menu.Auto1, "Auto");
  EXPECT_EQ(t.menu.MenuPuerto, "Manual");
  EXPECT_EQ(t.menu.MenuAyuda, "Ayuda");
  EXPECT_EQ(t.menu.Ayuda, "Ayuda");
  EXPECT_EQ(t.menu.About1, "Acerca de");
  for (std::size_t i = 0; i < kNumero_textos; ++i) EXPECT_EQ(t.textos[i], "") << kClaves_textos[i];
}

TEST(Textos_idioma, TheLanguageIsEnglishUnlessCommonSaysOtherwise) {
  EXPECT_EQ(Textos_de("").seccion, "EN");
  EXPECT_EQ(Textos_de("[COMUN]\nOTRA=1\n").seccion, "EN");
  EXPECT_EQ(Textos_de("[comun]\nidioma = FR \n").seccion, "FR");
}

TEST(Textos_idioma, AMissingSectionGivesSpanishMenusAndEmptyTexts) {
  Esperar_defectos(Textos_de(""));
  Esperar_defectos(Textos_de("[COMUN]\nIDIOMA=XX\n[EN]\nMENU1=File\nPASO1_L1=Hello\n"));
  // Keys of the English section are not read when another language is chosen.
  Esperar_defectos(Textos_de("[COMUN]\nIDIOMA=DE\n[EN]\nMENU1=File\n"));
}

TEST(Textos_idioma, TheChosenSectionFillsEveryKeyByName) {
  std::string texto = "[COMUN]\nIDIOMA=FR\n[EN]\nMENU1=File\nPASO1_L1=Hello\n[FR]\n";
  const char* menus[] = {"MENU1",    "MENU1_L1", "MENU1_L2", "MENU2",   "MENU2_L1",
                         "MENU2_L2", "MENU3",    "MENU3_L1", "MENU3_L2"};
  for (const char* m : menus) texto += std::string(m) + "=fr_" + m + "\n";
  // Written backwards: the order in the file does not matter, only the key.
  for (std::size_t i = kNumero_textos; i-- > 0;)
    texto += std::string(kClaves_textos[i]) + "=fr_" + kClaves_textos[i] + "\n";

  const Textos_idioma t = Textos_de(texto);
  EXPECT_EQ(t.seccion, "FR");
  EXPECT_EQ(t.menu.MenuArchivo, "fr_MENU1");
  EXPECT_EQ(t.menu.Actualizar1, "fr_MENU1_L1");
  EXPECT_EQ(t.menu.MenuSalir, "fr_MENU1_L2");
  EXPECT_EQ(t.menu.MenuConfigurar, "fr_MENU2");
  EXPECT_EQ(t.menu.Auto1, "fr_MENU2_L1");
  EXPECT_EQ(t.menu.MenuPuerto, "fr_MENU2_L2");
  EXPECT_EQ(t.menu.MenuAyuda, "fr_MENU3");
  EXPECT_EQ(t.menu.Ayuda, "fr_MENU3_L1");
  EXPECT_EQ(t.menu.About1, "fr_MENU3_L2");
  for (std::size_t i = 0; i < kNumero_textos; ++i)
    EXPECT_EQ(t.textos[i], std::string("fr_") + kClaves_textos[i]);
  EXPECT_EQ(t[Texto::PASO3_L2], "fr_PASO3_L2");
  EXPECT_EQ(t[Texto::TIEMPO_TOTAL2], "fr_TIEMPO_TOTAL2");
}

TEST(Textos_idioma, KeysFollowTheTableOrder) {
  EXPECT_STREQ(kClaves_textos[static_cast<std::size_t>(Texto::PASO1_L1)], "PASO1_L1");
  EXPECT_STREQ(kClaves_textos[static_cast<std::size_t>(Texto::P6_E1_L1)], "P6_E1_L1");
  EXPECT_STREQ(kClaves_textos[static_cast<std::size_t>(Texto::PASO7_L1)], "PASO7_L1");
  EXPECT_STREQ(kClaves_textos[static_cast<std::size_t>(Texto::AVISOMEM1)], "AVISOMEM1");
  EXPECT_STREQ(kClaves_textos[static_cast<std::size_t>(Texto::TIEMPO_TOTAL2)], "TIEMPO_TOTAL2");
  EXPECT_EQ(static_cast<std::size_t>(Texto::TIEMPO_TOTAL2) + 1, kNumero_textos);
}

TEST(Textos_idioma, AMissingKeyFallsBackAloneAndTextsStayVerbatim) {
  const Textos_idioma t =
      Textos_de("[COMUN]\nIDIOMA=EN\n[EN]\nMENU1=File\nPASO1_L1=Line\\nwith escape\n");
  EXPECT_EQ(t.menu.MenuArchivo, "File");
  EXPECT_EQ(t.menu.MenuSalir, "Salir");
  EXPECT_EQ(t[Texto::PASO1_L1], "Line\\nwith escape");
  EXPECT_EQ(t[Texto::PASO1_L3], "");
}

}  // namespace
}  // namespace r27
