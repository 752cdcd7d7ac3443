// The language file on disk: where it is looked up, what a broken or odd file
// gives, and the file shipped with the program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/nucleo/idiomas.h"

namespace r27 {
namespace {

namespace fs = std::filesystem;

class Fichero_idiomas : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("r27_idiomas_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ruta_ = dir_ / "idiomas.ini";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Escribir(const std::string& contenido) {
    std::ofstream(ruta_, std::ios::binary) << contenido;
  }

  fs::path dir_;
  fs::path ruta_;
};

void Esperar_defectos(const Textos_idioma& t) {
  EXPECT_EQ(t.seccion, "EN");
  EXPECT_EQ(t.menu.MenuArchivo, "Archivo");
  EXPECT_EQ(t.menu.MenuPuerto, "Manual");
  EXPECT_EQ(t.menu.About1, "Acerca de");
  for (const std::string& s : t.textos) EXPECT_EQ(s, "");
}

TEST_F(Fichero_idiomas, MissingFileGivesTheDefaults) { Esperar_defectos(Cargar_idioma(ruta_)); }

TEST_F(Fichero_idiomas, ADirectoryInItsPlaceGivesTheDefaults) {
  fs::create_directory(ruta_);
  Esperar_defectos(Cargar_idioma(ruta_));
}

TEST_F(Fichero_idiomas, APipeInItsPlaceIsNotWaitedFor) {
  ASSERT_EQ(::mkfifo(ruta_.c_str(), 0600), 0);
  Esperar_defectos(Cargar_idioma(ruta_));
}

TEST_F(Fichero_idiomas, BinaryJunkGivesTheDefaults) {
  std::mt19937 azar(27);
  std::string basura(256 * 1024, '\0');
  for (char& c : basura) c = static_cast<char>(azar());
  Escribir(basura);
  Esperar_defectos(Cargar_idioma(ruta_));
}

TEST_F(Fichero_idiomas, AHugeLineDoesNotHideWhatFollowsWithinTheLimit) {
  Escribir("[COMUN]\nIDIOMA=EN\n" + std::string(300 * 1024, 'x') + "\n[EN]\nMENU1=File\n");
  EXPECT_EQ(Cargar_idioma(ruta_).menu.MenuArchivo, "File");
}

TEST_F(Fichero_idiomas, AFileBiggerThanTheLimitIsReadOnlyUpToIt) {
  Escribir("[COMUN]\nIDIOMA=EN\n" + std::string(3 * 1024 * 1024, 'x') + "\n[EN]\nMENU1=File\n");
  Esperar_defectos(Cargar_idioma(ruta_));
}

TEST_F(Fichero_idiomas, TheFileIsLookedUpInTheWorkingDirectory) {
  Escribir("[COMUN]\nIDIOMA=PT\n[PT]\nMENU1=Arquivo\nPASO1_L1=Olá\n");
  const fs::path antes = fs::current_path();
  fs::current_path(dir_);
  const fs::path ruta = Ruta_idiomas();
  const Textos_idioma t = Cargar_idioma();
  fs::current_path(antes);

  EXPECT_EQ(ruta, fs::canonical(dir_) / "idiomas.ini");
  EXPECT_EQ(t.seccion, "PT");
  EXPECT_EQ(t.menu.MenuArchivo, "Arquivo");
  EXPECT_EQ(t[Texto::PASO1_L1], "Olá");
}

// An installed program (/usr/bin) finds the file installed with it (/usr/share/r27)
// when the working directory has none; the working directory's file always wins.
// On Windows the installed file sits beside the program.
TEST_F(Fichero_idiomas, SinFicheroEnElDirectorioDeTrabajoSeUsaElInstalado) {
  const fs::path trabajo = dir_ / "trabajo";
  const fs::path bin = dir_ / "usr" / "bin";
  const fs::path instalado = dir_ / "usr" / "share" / "r27" / "idiomas.ini";
  fs::create_directories(trabajo);
  fs::create_directories(bin);
  fs::create_directories(instalado.parent_path());
  struct Caso {
    const char* nombre;
    bool en_trabajo;
    bool en_instalacion;
    fs::path esperada;
  };
  const Caso casos[] = {
      {"solo el instalado", false, true, instalado},
      {"el del directorio de trabajo gana", true, true, trabajo / "idiomas.ini"},
      {"solo el del directorio de trabajo", true, false, trabajo / "idiomas.ini"},
      {"ninguno: el del directorio de trabajo, que falta", false, false, trabajo / "idiomas.ini"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    fs::remove(trabajo / "idiomas.ini");
    fs::remove(instalado);
    if (c.en_trabajo) std::ofstream(trabajo / "idiomas.ini") << "[COMUN]\n";
    if (c.en_instalacion) std::ofstream(instalado) << "[COMUN]\n";
    EXPECT_EQ(Ruta_idiomas_en(trabajo, bin, "../share/r27"), c.esperada);
    // The Windows layout: beside the program.
    fs::remove(bin / "idiomas.ini");
    if (c.en_instalacion) fs::copy_file(instalado, bin / "idiomas.ini");
    const fs::path junto =
        !c.en_trabajo && c.en_instalacion ? bin / "idiomas.ini" : trabajo / "idiomas.ini";
    EXPECT_EQ(Ruta_idiomas_en(trabajo, bin, "."), junto);
  }
  fs::remove(bin / "idiomas.ini");
  // A folder of that name is no language file.
  fs::remove(trabajo / "idiomas.ini");
  fs::create_directories(trabajo / "idiomas.ini");
  std::ofstream(instalado) << "[COMUN]\n";
  EXPECT_EQ(Ruta_idiomas_en(trabajo, bin, "../share/r27"), instalado);
}

// The file shipped beside the program: every language complete.
class Fichero_distribuido : public ::testing::TestWithParam<const char*> {
 protected:
  static const Fichero_ini& Ini() {
    static const Fichero_ini ini = Fichero_ini::Desde_fichero(R27_IDIOMAS_INI);
    return ini;
  }
  static constexpr const char* kAusente = "\x01<absent>";
};

TEST(Fichero_distribuido_comun, ShipsInSpanish) {
  EXPECT_EQ(Fichero_ini::Desde_fichero(R27_IDIOMAS_INI).Leer("COMUN", "IDIOMA", ""), "ES");
}

TEST_P(Fichero_distribuido, EveryKeyHasAText) {
  const char* seccion = GetParam();
  for (const Clave_menu& m : kClaves_menu) {
    const std::string v = Ini().Leer(seccion, m.clave, kAusente);
    EXPECT_NE(v, kAusente) << seccion << " " << m.clave;
    EXPECT_FALSE(v.empty()) << seccion << " " << m.clave;
  }
  std::vector<const char*> claves(kClaves_textos.begin(), kClaves_textos.end());
  claves.push_back(kAviso_desconectado.clave);
  claves.push_back(kAviso_desconectado_grabando.clave);
  for (const char* clave : claves) {
    const std::string v = Ini().Leer(seccion, clave, kAusente);
    EXPECT_NE(v, kAusente) << seccion << " " << clave;
    EXPECT_FALSE(v.empty()) << seccion << " " << clave;
  }
}

TEST_P(Fichero_distribuido, TextsJoinWellWithWhatTheProgramAppends) {
  const Textos_idioma t = Leer_idioma(
      Fichero_ini::Desde_texto(std::string("[COMUN]\nIDIOMA=") + GetParam() + "\n" + [] {
        std::ifstream f(R27_IDIOMAS_INI, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
      }()));
  // "COM" + port number, the time estimate after a blank, the code after the
  // blank the program adds, the step count after ": ".
  EXPECT_TRUE(t[Texto::PASO3_L2].ends_with("COM")) << t[Texto::PASO3_L2];
  EXPECT_TRUE(t[Texto::TIEMPO_TOTAL1].ends_with(" ")) << t[Texto::TIEMPO_TOTAL1];
  EXPECT_FALSE(t[Texto::P6_E4_L1].ends_with(" ")) << t[Texto::P6_E4_L1];
  EXPECT_FALSE(t[Texto::PASO4_L3].ends_with(":")) << t[Texto::PASO4_L3];
}

INSTANTIATE_TEST_SUITE_P(Idiomas, Fichero_distribuido,
                         ::testing::Values("ES", "EN", "FR", "DE", "PT", "IT"));

}  // namespace
}  // namespace r27
