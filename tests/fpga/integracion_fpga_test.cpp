// The FPGA set written into the simulated meter as the update does it: the loader
// started, then the run with count 5 and the five names. The checks are on the
// model's flash and staging, and on the requests it counted.
#include <gtest/gtest.h>

#include <algorithm>

#include "components/tcfpga.h"
#include "flash/tcdiferencial.h"
#include "link/codigos_resultado.h"
#include "tests/flash/medidor_en_proceso.h"
#include "tests/fpga/dorado_fpga.h"

namespace r27 {
namespace {

using pruebas::Medidor_en_proceso;
using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint64_t kSegundo_us = 1'000'000;
constexpr int kSegmentos_conjunto = 7;  // flash segments 48..54

class Integracion_fpga : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { esperada_ = new auto(pruebas::Imagen_dorada()); }
  static void TearDownTestSuite() { delete esperada_; }

  // The loader running in the meter, then the run as the update sequence makes it.
  static bool Programar(Medidor_en_proceso& m, bool* cargado = nullptr, bool grabar_flash = true) {
    TCDiferencial d(m.v);
    const bool ok = d.Cargar_primera_etapa() && d.Cargar_segunda_etapa();
    if (cargado) *cargado = ok;
    if (!ok) return false;
    TCFpga f(m.v);
    f.grabar_flash = grabar_flash;
    f.num_configuraciones = 5;
    for (int k = 1; k <= 5; ++k)
      f.Fijar_nombre(k, std::string(pruebas::kDirectorio_dorado[size_t(k - 1)].nombre));
    return static_cast<bool>(f.Grabar_configuraciones());
  }

  // Segment j of the set as the meter holds it, in flash or staged.
  static void Comprobar(std::span<const uint8_t> segmento, int j, const char* donde) {
    const auto desde = esperada_->begin() + j * 0x10000;
    EXPECT_TRUE(std::equal(segmento.begin(), segmento.end(), desde)) << donde << " " << j;
  }

  static std::vector<uint8_t>* esperada_;
};
std::vector<uint8_t>* Integracion_fpga::esperada_ = nullptr;

TEST_F(Integracion_fpga, TheModelFlashHoldsTheSet) {
  Config_medidor c;
  c.ritmo = true;  // paced at the line rate
  Medidor_en_proceso m(c);
  const uint64_t t0 = m.v.reloj.Ahora_us();
  ASSERT_TRUE(Programar(m));
  EXPECT_EQ(m.v.estado.codigo_error, 0);
  EXPECT_TRUE(m.v.pitidos.empty());
  for (int j = 0; j < kSegmentos_conjunto; ++j)
    Comprobar(m.medidor.Segmento_flash(48 + j), j, "flash");
  // Nothing outside the set's segments was burnt.
  for (int k : {47, 55})
    EXPECT_TRUE(std::ranges::all_of(m.medidor.Segmento_flash(k), [](uint8_t b) {
      return b == 0xFF;
    })) << k;
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Grabacion), 1u);
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Fin), 1u);
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Bloque), 1786u);
  EXPECT_EQ(m.medidor.Reinicios(), 1);  // the end request handed back to the firmware
  std::printf("virtual time of the paced run: %.1f s\n", double(m.v.reloj.Ahora_us() - t0) / 1e6);
}

TEST_F(Integracion_fpga, WithTheFirmwareTickedTheSetStaysStaged) {
  Medidor_en_proceso m;
  ASSERT_TRUE(Programar(m, nullptr, false));
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Grabacion), 0u);
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Fin), 0u);
  for (int j = 0; j < kSegmentos_conjunto; ++j)
    Comprobar(m.medidor.Memoria().Preparacion(uint8_t(0xDB + j)), j, "staging");
  // The flash keeps the set the meter had (its directory says 5 configurations).
  EXPECT_EQ(m.medidor.Segmento_flash(48)[258], 0xFF);
}

TEST_F(Integracion_fpga, Faults) {
  struct Caso {
    const char* nombre;
    Fallo fallo;
    bool resultado;
    int codigo;
    bool flash_escrita;
    uint32_t listos;       // 0xAA written after wrong erase answers
    double maximo_s;       // waiting after the fault fired, for a failure
    const char* peticion;  // how the request behind the code starts ("" without a code)
  };
  constexpr int k17 = kCodigo_fpga_borrado, k18 = kCodigo_fpga_bloque, k19 = kCodigo_fpga_grabacion;
  constexpr auto Perdido = Tipo_fallo::Ack_perdido, Erroneo = Tipo_fallo::Ack_erroneo,
                 Alterado = Tipo_fallo::Paquete_alterado, Silencio = Tipo_fallo::Silencio,
                 Reinicio = Tipo_fallo::Reinicio, Desenchufe = Tipo_fallo::Desenchufe;
  constexpr auto Bloque = Peticion::Bloque, Borrado = Peticion::Borrado_preparacion,
                 Grabacion = Peticion::Grabacion;
  // clang-format off
  const Caso casos[] = {
      // name                                  fault                       result code flash 0xAA bound   request
      {"ack lost on a block",                  {Perdido, Bloque, 700, 1},    true,  0,   true,  0, 0,        ""},
      {"ack lost on a block and its resend",   {Perdido, Bloque, 700, 2},    false, k18, false, 0, 2 + 5 + 2 + 1, "bloque fpga "},
      {"garbled last block",                   {Alterado, Bloque, 1786, 1},  true,  0,   true,  0, 0,        ""},
      {"wrong erase answer",                   {Erroneo, Borrado, 1, 1},     true,  0,   true,  1, 0,        ""},
      {"wrong erase answer five times",        {Erroneo, Borrado, 1, 5},     false, k17, false, 5, 5 * 3.5,  "borrado de la zona fpga"},
      {"silence at the erase",                 {Silencio, Borrado, 1, 1},    false, k17, false, 0, 5 * 3.5,  "borrado de la zona fpga"},
      {"silence during the flash write",       {Silencio, Grabacion, 1, 1},  true,  k19, false, 0, 601,      "grabacion flash fpga"},
      {"restart during the flash write",       {Reinicio, Grabacion, 1, 1},  true,  k19, false, 0, 601,      "grabacion flash fpga"},
      {"unplugged during the blocks",          {Desenchufe, Bloque, 900, 1}, false, k18, false, 0, 2 + 5 + 1, "bloque fpga "},
      {"unplugged at the flash write",         {Desenchufe, Grabacion, 1, 1}, true, k19, false, 0, 601,      "grabacion flash fpga"},
  };
  // clang-format on

  for (const Caso& c : casos) {
    Config_medidor config;
    config.fallos.push_back(c.fallo);
    Medidor_en_proceso m(config);
    bool cargado = false;
    EXPECT_EQ(Programar(m, &cargado), c.resultado) << c.nombre;
    ASSERT_TRUE(cargado) << c.nombre;
    // When the meter first showed the fault.
    const uint64_t t_fallo =
        m.medidor.Registro_fallos().empty() ? 0 : m.medidor.Registro_fallos()[0].t_us;
    const double tras_s = double(m.v.reloj.Ahora_us() - t_fallo) / kSegundo_us;
    uint8_t b = 0;
    m.v.Puerto().Leer(&b, 1);  // the meter takes in what was sent last
    EXPECT_EQ(m.v.estado.codigo_error, c.codigo) << c.nombre;
    // The reason shown with the code names the request that gave up, never the end request after
    // it.
    const r27::Fallo& motivo = m.v.estado.motivo_error;
    EXPECT_EQ(motivo.codigo, c.codigo) << c.nombre;
    EXPECT_TRUE(motivo.peticion.starts_with(c.peticion)) << c.nombre << ": " << motivo.Texto();
    EXPECT_EQ(motivo.peticion.empty(), c.codigo == 0) << c.nombre;
    EXPECT_EQ(m.medidor.Disparos_fallos()[0], c.fallo.veces) << c.nombre;
    EXPECT_EQ(m.medidor.Cuenta(Peticion::Listo), c.listos) << c.nombre;
    ASSERT_NE(t_fallo, 0u) << c.nombre;
    if (c.codigo != 0) {
      EXPECT_LE(tras_s, c.maximo_s) << c.nombre;
    }
    if (c.flash_escrita) {
      for (int j = 0; j < kSegmentos_conjunto; ++j)
        Comprobar(m.medidor.Segmento_flash(48 + j), j, c.nombre);
    } else {
      // A burn that did not end (or never began) leaves the set's last segment
      // without its part of the set.
      const auto ultimo = m.medidor.Segmento_flash(48 + kSegmentos_conjunto - 1);
      EXPECT_FALSE(std::equal(ultimo.begin(), ultimo.end(), esperada_->begin() + 6 * 0x10000))
          << c.nombre;
    }
  }
}

}  // namespace
}  // namespace r27
