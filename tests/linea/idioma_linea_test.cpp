// The command line's language: the shipped file holds every text in each of its
// six languages with the values the code puts in; a failure's phrases come out
// in the chosen language; the language is chosen as the window's is, or by
// --idioma; and the help fits a terminal in every language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "app/linea/mensajes_linea.h"
#include "app/linea/opciones_linea.h"
#include "app/linea/textos_linea.h"
#include "tests/linea/vocabulario_idioma.h"

namespace r27::pruebas {
namespace {

// The {n} a text takes.
std::set<std::string> Huecos(const std::string& texto) {
  std::set<std::string> h;
  const std::regex hueco("\\{[1-9]\\}");
  for (auto i = std::sregex_iterator(texto.begin(), texto.end(), hueco);
       i != std::sregex_iterator(); ++i)
    h.insert(i->str());
  return h;
}

TEST(Fichero_idiomas, CadaTextoEnLosSeisIdiomasConSusValores) {
  const Fichero_ini ini = Fichero_ini::Desde_fichero(R27_IDIOMAS_INI);
  struct Texto {
    const char* clave;
    const char* defecto;
  };
  std::vector<Texto> textos;
  for (const Texto_linea* t : kTextos_linea) textos.push_back({t->clave, t->defecto});
  for (const Aviso_de_textos& a : kAvisos_idioma)
    textos.push_back({a.aviso->clave, a.aviso->defecto});
  std::set<std::string> claves;
  for (const Texto& t : textos) EXPECT_TRUE(claves.insert(t.clave).second) << t.clave;
  // The history's words: a key the command line also uses keeps its default.
  for (const Clave_historial& h : Claves_historial()) {
    const auto comun = std::find_if(textos.begin(), textos.end(), [&](const Texto& t) {
      return std::string_view(t.clave) == h.clave;
    });
    if (comun == textos.end())
      textos.push_back({h.clave, h.defecto});
    else
      EXPECT_STREQ(comun->defecto, h.defecto) << h.clave;
  }
  for (const Texto& t : textos) {
    SCOPED_TRACE(t.clave);
    for (const char* idioma : kIdiomas_incorporados) {
      SCOPED_TRACE(idioma);
      const std::string valor = ini.Leer(idioma, t.clave, "");
      ASSERT_FALSE(valor.empty());
      EXPECT_EQ(Huecos(valor), Huecos(t.defecto)) << valor;
      EXPECT_EQ(valor.find("\\n"), std::string::npos) << "no escapes in the file: " << valor;
      // English is the code's own language: the two never drift apart.
      if (std::string(idioma) == "EN") {
        EXPECT_EQ(valor, t.defecto);
      }
    }
  }
}

TEST(Fichero_idiomas, CadaFraseDeMotivoEnLosSeisIdiomas) {
  const Secciones_ini s = Leer_secciones(R27_IDIOMAS_INI);
  const auto& referencia = s.at("ES_MOTIVOS");
  ASSERT_GT(referencia.size(), 50u);
  for (const char* idioma : kIdiomas_incorporados) {
    SCOPED_TRACE(idioma);
    const auto& frases = s.at(std::string(idioma) + "_MOTIVOS");
    ASSERT_EQ(frases.size(), referencia.size());
    for (size_t i = 0; i < frases.size(); ++i) {
      const auto& [plantilla, traduccion] = frases[i];
      EXPECT_EQ(plantilla, referencia[i].first);
      // One {n} for each value the phrase holds, every value placed once.
      std::set<std::string> esperados;
      size_t n = 0;
      for (char c : plantilla) n += c == '#';
      for (size_t k = 1; k <= n; ++k) esperados.insert("{" + std::to_string(k) + "}");
      EXPECT_EQ(Huecos(traduccion), esperados) << plantilla << " = " << traduccion;
    }
  }
}

TEST(Idioma_linea, MotivoEnElIdiomaElegido) {
  struct Caso {
    const char* idioma;
    r27::Fallo fallo;
    const char* texto;
  };
  const Caso casos[] = {
      {"EN", r27::Fallo{0, "Bloque_vacio", "0x70", Llegada::nada, ""},
       "Bloque_vacio: expected 0x70, got nothing (time-out)"},
      {"EN", r27::Fallo{0, "Enviar_bloque (relleno)", "0x3F o 0x66", Llegada::bytes, "0x41"},
       "Enviar_bloque (padding): expected 0x3F or 0x66, got 0x41"},
      {"DE", r27::Fallo{0, "Enviar_bloque (relleno)", "0x3F o 0x66", Llegada::bytes, "0x41"},
       "Enviar_bloque (Auffüllung): erwartet 0x3F oder 0x66, gekommen 0x41"},
      // The values keep their order where the language puts them elsewhere.
      {"DE",
       r27::Fallo{0, "Enviar_firmware", "el segmento del registro 04", Llegada::nada,
                  "la linea 12 no lo trae"},
       "Enviar_firmware: erwartet das Segment des 04-Datensatzes, gekommen Zeile 12 enthält es "
       "nicht"},
      // A list: each item on its own; a value alone stays as it is.
      {"EN",
       r27::Fallo{26, "Comprobar_escritura",
                  "el medidor en su aplicacion, firmware 3.01.00000, FPGA 0303A1", Llegada::bytes,
                  "3.00.00000, en etapa de arranque, familia \"VMK\""},
       "Comprobar_escritura: expected the meter in its application, firmware 3.01.00000, FPGA "
       "0303A1, got 3.00.00000, in its boot stage, family \"VMK\""},
      // A detail with a list inside the parentheses; MPEG-4 is a name, not a value.
      {"FR",
       r27::Fallo{0, "Actualizar_mpeg4 (etapa 2, bloque 01:2345)", "modulo MPEG-4 al dia",
                  Llegada::dispositivo_perdido, ""},
       "Actualizar_mpeg4 (étape 2, bloc 01:2345) : attendu module MPEG-4 à jour, reçu rien (le "
       "périphérique n'est plus là)"},
      // A request named in words; the whole phrase before its parts.
      {"IT",
       r27::Fallo{0, "borrado de la zona fpga", "modo 3, 12 bytes de sitio", Llegada::nada, ""},
       "cancellazione della zona FPGA: atteso modalità 3, spazio per 12 byte, arrivato nulla "
       "(tempo "
       "scaduto)"},
      // Spanish gets its accents back.
      {"ES", r27::Fallo{0, "Paso_teclado", "un medidor conectado", Llegada::sin_conexion, ""},
       "Paso_teclado: esperaba un medidor conectado, llegó sin conexión"},
      // A phrase no language has, and a request's name with a number, stay as they are.
      {"PT", r27::Fallo{0, "Borrar_sector 5", "una frase nueva 7", Llegada::bytes, "0x00"},
       "Borrar_sector 5: esperava una frase nueva 7, chegou 0x00"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.texto);
    EXPECT_EQ(Idioma_linea(k.idioma).Motivo(k.fallo), k.texto);
  }
}

TEST(Rellenar, ValoresEnSuSitio) {
  struct Caso {
    const char* plantilla;
    const char* texto;
  };
  const Caso casos[] = {
      {"{1} of {2}", "a of b"},
      {"{2} vor {1}", "b vor a"},
      {"{1} {1}", "a a"},
      {"{3} is missing", "{3} is missing"},  // no third value
      {"ATTRS{idVendor}, {0}, {", "ATTRS{idVendor}, {0}, {"},
      {"{1}", "a"},
  };
  for (const Caso& k : casos) EXPECT_EQ(Rellenar(k.plantilla, {"a", "b"}), k.texto) << k.plantilla;
}

class Cargar_idioma : public ::testing::Test {
 protected:
  void SetUp() override {
    carpeta = std::filesystem::temp_directory_path() /
              ("r27-idioma-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(carpeta);
  }
  void TearDown() override { std::filesystem::remove_all(carpeta); }
  std::string Escribir(const std::string& texto) {
    const std::filesystem::path ruta = carpeta / "idiomas.ini";
    std::ofstream(ruta) << texto;
    return ruta.string();
  }
  std::filesystem::path carpeta;
};

TEST_F(Cargar_idioma, ComoLaVentanaOLoQueDiceIdioma) {
  struct Caso {
    const char* nombre;
    const char* fichero;  // nullptr: --idiomas names a file that is not there
    const char* idioma;   // --idioma
    const char* seccion;  // the language shown; "" when the command line is refused
    const char* pasos;    // LINEA_PASOS_HECHOS as shown
  };
  const Caso casos[] = {
      // An old file without the command line's texts: the built-in copy, in its language.
      {"the file's choice", "[COMUN]\nIDIOMA=FR\n[FR]\nPASO1_L1=x\n", "", "FR", "Étapes :"},
      {"--idioma wins, in any case", "[COMUN]\nIDIOMA=FR\n", "de", "DE", "Schritte:"},
      {"the file's own text first", "[COMUN]\nIDIOMA=EN\n[EN]\nLINEA_PASOS_HECHOS=Done:\n", "",
       "EN", "Done:"},
      {"a language of the file alone", "[COMUN]\nIDIOMA=ES\n[KL]\nPASO1_L1=x\n", "kl", "KL",
       "Steps:"},
      {"a section nobody has: English", "[COMUN]\nIDIOMA=XX\n", "", "XX", "Steps:"},
      {"--idioma names no language", "[COMUN]\nIDIOMA=ES\n", "xx", "", ""},
      {"--idiomas names no file", nullptr, "", "", ""},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const std::string ruta = k.fichero ? Escribir(k.fichero) : (carpeta / "no-esta.ini").string();
    const Carga_idioma c = Cargar_idioma_linea(ruta, k.idioma);
    if (*k.seccion == '\0') {
      EXPECT_FALSE(c.error.empty());
      continue;
    }
    EXPECT_TRUE(c.error.empty()) << c.error;
    EXPECT_TRUE(c.aviso.empty());
    EXPECT_EQ(c.idioma.Seccion(), k.seccion);
    EXPECT_EQ(c.idioma(kTl_pasos_hechos), k.pasos);
    // The wizard's texts never come out blank.
    EXPECT_FALSE(c.idioma.Asistente()[Texto::PASO3_L1].empty());
  }
}

TEST(Texto_ayuda, CadaOpcionEnOchentaColumnasEnCadaIdioma) {
  for (const char* idioma : kIdiomas_incorporados) {
    SCOPED_TRACE(idioma);
    const Idioma_linea t(idioma);
    const std::string ayuda = Texto_ayuda("r27-actualizar", t);
    for (const char* opcion :
         {"--puerto", "--si", "--solo-comprobar", "--json", "--traza", "--idiomas", "--idioma ",
          "--servicio", "--pasos", "--plan", "--version", "--help"})
      EXPECT_NE(ayuda.find(std::string("\n  ") + opcion), std::string::npos) << opcion;
    for (const Descripcion_salida& d : kDescripciones_salida)
      EXPECT_NE(ayuda.find(t(*d.texto).substr(0, 20)), std::string::npos) << d.desde;
    size_t inicio = 0;
    for (size_t fin = ayuda.find('\n'); fin != std::string::npos;
         inicio = fin + 1, fin = ayuda.find('\n', inicio))
      EXPECT_LE(Ancho_texto(ayuda.substr(inicio, fin - inicio)), 80u)
          << ayuda.substr(inicio, fin - inicio);
  }
}

}  // namespace
}  // namespace r27::pruebas
