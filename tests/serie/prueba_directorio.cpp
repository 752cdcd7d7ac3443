// The Linux port directory: the explicit map of R27_PUERTOS, the order of the
// serial devices, how both are numbered, and the directory read from the
// environment.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "link/directorio_puertos.h"
#include "link/directorio_puertos_mapa.h"

namespace r27 {
namespace {

using Mapa = std::map<int, std::string>;

TEST(MapaPuertos, LeeLasEntradasEIgnoraLasMalFormadas) {
  struct Caso {
    const char* texto;
    Mapa esperado;
  };
  const Caso casos[] = {
      {"", {}},
      {"COM3=/dev/pts/4", {{3, "/dev/pts/4"}}},
      {"COM3=/a COM20=/b", {{3, "/a"}, {20, "/b"}}},
      {"COM3=/a,COM20=/b", {{3, "/a"}, {20, "/b"}}},
      {"COM3=/a;COM20=/b", {{3, "/a"}, {20, "/b"}}},
      {" ;,\tCOM3=/a ,; COM20=/b ;\n", {{3, "/a"}, {20, "/b"}}},
      {"COM3=/a\r\nCOM4=/b\r\n", {{3, "/a"}, {4, "/b"}}},  // written on Windows
      {"com5=/x Com6=/y", {{5, "/x"}, {6, "/y"}}},
      {"COM03=/x", {{3, "/x"}}},
      {"COM3=/a COM3=/b", {{3, "/b"}}},
      {"COM1=/a basura COM2=/b", {{1, "/a"}, {2, "/b"}}},
      {"COM255=/x", {{255, "/x"}}},
      // Malformed: no number, not digits, out of range, no '=', no path, no name.
      {"COM=/x COMx=/y COM3a=/y COM0=/z COM256=/z COM-1=/z", {}},
      {"COM99999999999999999999999=/z COM4294967299=/z", {}},
      {"COM3 COM3= =/x PORT3=/x CO=/x COM 3=/x CAM3=/x COX3=/x", {}},
      {"=", {}},
      {",,,;;;   ", {}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(Leer_mapa_puertos(c.texto), c.esperado);
  }
}

TEST(MapaPuertos, OrdenNaturalYGruposDeDispositivos) {
  std::vector<std::string> v{"ttyUSB10", "ttyUSB2", "ttyUSB1", "ttyUSB0", "ttyUSB02"};
  std::sort(v.begin(), v.end(), Menor_natural);
  EXPECT_EQ(v, (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB02", "ttyUSB2", "ttyUSB10"}));
  // Pairs in both orders: letters after equal numbers, a name that ends first,
  // names that differ before their numbers.
  const std::pair<const char*, const char*> menores[] = {
      {"ttyS1a", "ttyS1b"}, {"ttyS", "ttyS0"}, {"ttyS2", "ttyS2x"}, {"ttyACM9", "ttyUSB1"}};
  for (const auto& [a, b] : menores) {
    EXPECT_TRUE(Menor_natural(a, b)) << a << " < " << b;
    EXPECT_FALSE(Menor_natural(b, a)) << b << " < " << a;
  }

  EXPECT_EQ(
      Ordenar_dispositivos({"ttyS1", "ttyUSB0", "ttyACM10", "ttyS0", "ttyACM2", "tty0", "ttyUSB",
                            "ttyACMx", "console", "ttyUSB1", "ttyS10", "ttyS2", "ttyACM2"}),
      (std::vector<std::string>{"/dev/ttyACM2", "/dev/ttyACM10", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10"}));
}

TEST(MapaPuertos, ElMapaExplicitoTomaSusNumeros) {
  const std::vector<std::string> disp{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyS0"};
  struct Caso {
    const char* nombre;
    Mapa explicitos, esperado;
  };
  const Caso casos[] = {
      {"solo automaticos", {}, {{1, disp[0]}, {2, disp[1]}, {3, disp[2]}}},
      {"numero ocupado", {{2, "/dev/pts/4"}}, {{1, disp[0]}, {2, "/dev/pts/4"}, {3, disp[2]}}},
      {"dispositivo movido", {{5, disp[1]}}, {{1, disp[0]}, {3, disp[2]}, {5, disp[1]}}},
      {"lejos", {{20, "/x"}}, {{1, disp[0]}, {2, disp[1]}, {3, disp[2]}, {20, "/x"}}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(Numerar_puertos(disp, c.explicitos), c.esperado);
  }
  // Devices past COM255 get no number.
  std::vector<std::string> muchos;
  for (int i = 0; i < 300; ++i) muchos.push_back("/dev/ttyUSB" + std::to_string(i));
  const Mapa numerados = Numerar_puertos(muchos, {});
  EXPECT_EQ(numerados.size(), 255u);
  EXPECT_EQ(numerados.rbegin()->first, 255);
  EXPECT_EQ(numerados.rbegin()->second, "/dev/ttyUSB254");
}

TEST(DirectorioSistema, LeeElEntornoEnCadaLlamada) {
  char fichero[] = "/tmp/r27-prueba-dir-XXXXXX";
  const int fd = mkstemp(fichero);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string falta = "/tmp/r27-no-existe-" + std::to_string(getpid());
  setenv(kVariable_puertos, ("COM220=" + std::string(fichero) + ";COM221=" + falta).c_str(), 1);
  const Directorio_puertos& d = Directorio_sistema();
  EXPECT_TRUE(d.Existe(220));
  EXPECT_FALSE(d.Existe(221));  // mapped, but nothing there
  EXPECT_FALSE(d.Existe(222));
  EXPECT_EQ(d.Ruta(221), falta);
  EXPECT_EQ(d.Ruta(222), std::nullopt);
  const auto nombres = d.Nombres_sistema();
  ASSERT_GE(nombres.size(), 2u);
  EXPECT_EQ(nombres[nombres.size() - 2], "COM220");  // in number order
  EXPECT_EQ(nombres.back(), "COM221");

  setenv(kVariable_puertos, "COM220=", 1);
  EXPECT_FALSE(d.Existe(220));
  unsetenv(kVariable_puertos);
  unlink(fichero);
}

}  // namespace
}  // namespace r27
