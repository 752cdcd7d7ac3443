// The meter's report for scripts: the firmware check against a HEX image, and
// the identity, FPGA and module versions read from the model's memories.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/informe_medidor.h"

namespace r27::sim {
namespace {

// One Intel HEX record with its checksum.
std::string Registro(uint8_t tipo, uint16_t direccion, std::vector<uint8_t> datos) {
  std::vector<uint8_t> b{static_cast<uint8_t>(datos.size()), static_cast<uint8_t>(direccion >> 8),
                         static_cast<uint8_t>(direccion), tipo};
  b.insert(b.end(), datos.begin(), datos.end());
  uint8_t suma = 0;
  for (uint8_t x : b) suma = static_cast<uint8_t>(suma + x);
  b.push_back(static_cast<uint8_t>(-suma));
  std::string linea = ":";
  char dos[3];
  for (uint8_t x : b) {
    std::snprintf(dos, sizeof dos, "%02X", x);
    linea += dos;
  }
  return linea + "\r\n";
}

// Four bytes at 0x0010 of segment 2 and two at 0xFFFE of segment 5.
const std::string kImagen = Registro(0x04, 0, {0x00, 0x02}) + Registro(0x00, 0x0010, {1, 2, 3, 4}) +
                            Registro(0x04, 0, {0x00, 0x05}) + Registro(0x00, 0xFFFE, {9, 8}) +
                            Registro(0x01, 0, {});

// A meter whose flash holds the image (0xFF elsewhere in both segments).
void Grabar_imagen(Medidor_simulado& m) {
  for (int k : {2, 5}) std::ranges::fill(m.Memoria().Segmento_flash(k), uint8_t{0xFF});
  auto s2 = m.Memoria().Segmento_flash(2);
  for (int i = 0; i < 4; ++i) s2[0x10 + i] = static_cast<uint8_t>(i + 1);
  auto s5 = m.Memoria().Segmento_flash(5);
  s5[0xFFFE] = 9;
  s5[0xFFFF] = 8;
}

std::string Linea_firmware(const std::string& informe) {
  return informe.substr(0, informe.find('\n'));
}

TEST(Informe, FirmwareComparadoSegmentoASegmento) {
  struct Caso {
    const char* nombre;
    void (*alterar)(Medidor_simulado&);
    std::string imagen;
    std::string esperado;
  };
  const Caso casos[] = {
      {"the image in flash", [](Medidor_simulado&) {}, kImagen, "firmware=igual"},
      {"a data byte differs",
       [](Medidor_simulado& m) { m.Memoria().Segmento_flash(5)[0xFFFF] = 7; }, kImagen,
       "firmware=distinto segmento 5"},
      {"a byte no record writes is not erased",
       [](Medidor_simulado& m) { m.Memoria().Segmento_flash(2)[0x9000] = 0; }, kImagen,
       "firmware=distinto segmento 2"},
      {"lower-case digits read the same", [](Medidor_simulado&) {},
       ":020000040002f8\r\n:0400100001020304e2\r\n:020000040005F5\r\n:02FFFE000908F2\r\n",
       "firmware=igual"},
      {"a record with a bad digit", [](Medidor_simulado&) {}, ":0400100001020G04E2\r\n",
       "firmware=sin-imagen"},
      {"a record shorter than its count", [](Medidor_simulado&) {}, ":0400100001E2\r\n",
       "firmware=sin-imagen"},
      {"no image at all", [](Medidor_simulado&) {}, "", "firmware=sin-imagen"},
  };
  for (const Caso& c : casos) {
    Medidor_simulado m;
    Grabar_imagen(m);
    c.alterar(m);
    EXPECT_EQ(Linea_firmware(Informe_medidor(m, c.imagen)), c.esperado) << c.nombre;
  }
}

TEST(Informe, VersionesLeidasDeLaMemoria) {
  Config_medidor config;
  config.version = "3.00";
  config.build = "00000";
  config.fpga_mayor = 3;
  config.fpga_menor = 2;
  Medidor_simulado m(config);
  // A burn rewrites the identity block and the FPGA directory; the report must
  // follow the memory, not the configuration the meter started with.
  auto identidad = m.Memoria().Segmento_flash(0x18);
  const std::string version = "3.01", build = "00004";
  std::ranges::copy(version, identidad.begin() + 0x10);
  std::ranges::copy(build, identidad.begin() + 0x16);
  m.Memoria().Segmento_flash(0x30)[11] = 3;
  m.Memoria().Segmento_flash(0x30)[10] = 3;
  const std::string informe = Informe_medidor(m, kImagen);
  EXPECT_NE(informe.find("\nversion=3.01.00004\n"), std::string::npos) << informe;
  EXPECT_NE(informe.find("\nfpga=3.3\n"), std::string::npos) << informe;
  EXPECT_NE(informe.find("\nmpeg4=132,0,5,2\n"), std::string::npos) << informe;
  EXPECT_NE(informe.find("\nreinicios=0\n"), std::string::npos) << informe;
}

}  // namespace
}  // namespace r27::sim
