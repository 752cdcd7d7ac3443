#include "app/nucleo/decisiones.h"

#include <gtest/gtest.h>

#include <cstring>

namespace r27 {
namespace {

struct Caso_firmware {
  const char* medidor;
  const char* fichero;
  bool tick;
};

class Regla_firmware_casos : public ::testing::TestWithParam<Caso_firmware> {};

TEST_P(Regla_firmware_casos, decide_por_la_primera_diferencia) {
  const auto& c = GetParam();
  EXPECT_EQ(Regla_firmware(Texto_de(c.medidor), Texto_de(c.fichero)), c.tick)
      << c.medidor << " vs " << c.fichero;
}

INSTANTIATE_TEST_SUITE_P(
    Versiones, Regla_firmware_casos,
    ::testing::Values(Caso_firmware{"3.01.00000", "3.01.00000", false},
                      Caso_firmware{"3.00.00000", "3.01.00000", true},
                      Caso_firmware{"3.01.00004", "3.01.00000", true},  // test build on the meter
                      Caso_firmware{"3.02.00000", "3.01.00000", false},
                      Caso_firmware{"2.99.00000", "3.01.00000", true},
                      // A stable image ignores the build; a test-build image compares it.
                      Caso_firmware{"3.01.00000", "3.01.00012", true},
                      Caso_firmware{"3.02.00000", "3.01.00012", false}));

TEST(Regla_borrado, solo_versiones_anteriores_a_1_11) {
  EXPECT_TRUE(Regla_borrado(Texto_de("1.10.00000")));
  EXPECT_TRUE(Regla_borrado(Texto_de("0.99.00000")));
  EXPECT_FALSE(Regla_borrado(Texto_de("1.11.00000")));
  EXPECT_FALSE(Regla_borrado(Texto_de("3.01.00000")));
}

TEST(Regla_fpga, compara_el_texto_con_3_3) {
  EXPECT_FALSE(Regla_fpga(3, 3));
  EXPECT_TRUE(Regla_fpga(3, 2));
  EXPECT_TRUE(Regla_fpga(3, 30));  // "3.30" differs in length
  EXPECT_TRUE(Regla_fpga(33, 0));
}

TEST(Regla_mpeg4, versiones_y_modulo_sin_respuesta) {
  Datos_mpeg4 d;
  EXPECT_FALSE(Regla_mpeg4(d));  // nothing answered
  d = {132, 0, 1, 1};
  EXPECT_TRUE(Regla_mpeg4(d));
  d = {133, 0, 1, 1};
  EXPECT_FALSE(Regla_mpeg4(d));
  d = {133, 7, 1, 1};
  EXPECT_TRUE(Regla_mpeg4(d));
  // An answer that stopped after the build leaves boot and decoders at 0xFF.
  d = {100, 5, 0xFF, 0xFF};
  EXPECT_FALSE(Regla_mpeg4(d));
}

std::array<uint8_t, 16> Bloque(const char* familia, const char* region) {
  std::array<uint8_t, 16> b{};
  std::memcpy(b.data(), familia, std::strlen(familia));
  std::memcpy(b.data() + 12, region, std::strlen(region));
  return b;
}

TEST(Identidad, familia_region_y_version) {
  const std::array<uint8_t, 6> ver{'3', '.', '0', '1', 0, 0};
  const std::array<uint8_t, 6> bld{'0', '0', '0', '0', '4', 0};
  auto b = Bloque("QZT", "USA");
  b[15] = 'X';  // byte 15 terminates the region whatever it holds
  const Identidad_medidor id = Interpretar_identidad(b, ver, bld);
  EXPECT_EQ(id.familia, "QZT");
  EXPECT_EQ(id.region, "USA");
  EXPECT_EQ(std::string(id.version.data(), 10), "3.01.00004");

  Estado_ventana e;
  EXPECT_TRUE(Regla_familia(id, e));
  EXPECT_TRUE(e.familia_valida);
  EXPECT_TRUE(e.region_usa);
  EXPECT_FALSE(e.familia_ajena);
}

TEST(Identidad, otra_familia_no_es_valida) {
  const std::array<uint8_t, 6> ver{'3', '.', '0', '1', 0, 0};
  const std::array<uint8_t, 6> bld{'0', '0', '0', '0', '0', 0};
  Estado_ventana e;
  EXPECT_FALSE(Regla_familia(Interpretar_identidad(Bloque("VMK", "EUR"), ver, bld), e));
  EXPECT_TRUE(e.familia_ajena);
  EXPECT_FALSE(e.familia_valida);

  Estado_ventana f;
  EXPECT_FALSE(Regla_familia(Interpretar_identidad(Bloque("ABC", ""), ver, bld), f));
  EXPECT_FALSE(f.familia_ajena);
}

TEST(Identidad, campos_cortos_se_leen_hasta_su_cero) {
  // A build field shorter than five digits is not a stable build.
  const std::array<uint8_t, 6> ver{'3', '.', '0', '1', 0, 0};
  const std::array<uint8_t, 6> bld{'0', '0', 0, 0, 0, 0};
  const auto id = Interpretar_identidad(Bloque("QZT", "EUR"), ver, bld);
  EXPECT_FALSE(Es_version_estable(id.version));
  EXPECT_TRUE(Regla_firmware(id.version, Texto_de("3.01.00000")));
}

TEST(Completar_ticks, el_firmware_arrastra_fpga_zona_y_mpeg4) {
  Estado_ventana e;
  e.Check_mpeg4_apl = true;
  Completar_ticks(e);
  EXPECT_TRUE(e.Check_firmware && e.Check_fpga && e.Check_configuracion && e.Check_mpeg4_apl);

  Estado_ventana f;
  f.Check_fpga = true;  // FPGA alone is dropped without the firmware
  Completar_ticks(f);
  EXPECT_FALSE(f.Check_fpga);
  EXPECT_FALSE(f.Check_configuracion);
}

}  // namespace
}  // namespace r27
