// The zone step and the incidents erase against the in-process simulated meter:
// the model's EEPROM must hold the records where they belong, and nothing else,
// also when the meter loses or garbles acknowledgements; pages that fail five
// times end the step with code 5, 6 or 7, and the reason names the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "factory/tfparam_defecto.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27 {
namespace {

using pruebas::Medidor_en_proceso;
using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint8_t kPrevio = 0x55;  // the EEPROM's content before the run

// The EEPROM a run should leave: the configuration at 0x0100 / 0x0200 (254
// bytes each) and the profiles at 0x0300, for the pages the meter received.
std::vector<uint8_t> Eeprom_esperada(const Hechos_zona& h, int paginas_recibidas) {
  std::vector<uint8_t> e(0x8000, kPrevio);
  std::array<uint8_t, 1024> perfiles{};
  for (uint8_t p = 0; p < 4; ++p)
    Registro_perfil(std::span<uint8_t, 256>(perfiles.data() + 256 * p, 256), p, h.idioma,
                    h.region_usa);
  std::array<uint8_t, 256> conf{};
  Registro_configuracion(conf, h);
  const uint16_t direcciones[] = {0x0100, 0x0180, 0x0200, 0x0280};
  for (int k = 0; k < paginas_recibidas; ++k) {
    if (k < 8) {
      std::copy_n(perfiles.begin() + 128 * k, 128, e.begin() + 0x0300 + 128 * k);
    } else {
      const bool segunda = (k - 8) % 2 == 1;
      std::copy_n(conf.begin() + (segunda ? 128 : 0), segunda ? 126 : 128,
                  e.begin() + direcciones[k - 8]);
    }
  }
  return e;
}

TEST(Integracion_zona, TheModelEepromHoldsTheRecords) {
  struct Caso {
    const char* nombre;
    Hechos_zona hechos;
    std::vector<Fallo> fallos;  // on the EEPROM page writes, counted from 1
    bool ok;
    int32_t codigo;
    int paginas;  // pages the meter stored (a lost answer still stores it)
    uint32_t escrituras;
    std::string peticion = {};  // the request the reason names ("" on success)
    Llegada llegada = Llegada::nada;
  };
  const auto perdidas = [](uint32_t n, uint32_t veces) {
    return Fallo{Tipo_fallo::Ack_perdido, Peticion::Escritura_eeprom, n, veces};
  };
  const Caso casos[] = {
      {"clean", {0, false, false, 0}, {}, true, 0, 12, 12},
      {"US, Russian", {7, true, true, 4}, {}, true, 0, 12, 12},
      {"lost answers recovered",
       {2, false, false, 0},
       {perdidas(3, 4), perdidas(12, 1)},
       true,
       0,
       12,
       17},
      {"wrong answers recovered",
       {5, false, true, 0},
       {{Tipo_fallo::Ack_erroneo, Peticion::Escritura_eeprom, 9, 4}},
       true,
       0,
       12,
       16},
      {"profile page 4 fails",
       {0, false, false, 0},
       {perdidas(4, 5)},
       false,
       5,
       4,
       8,
       "Grabar_perfiles (pagina eeprom 0x0480)"},
      {"first factory page fails",
       {0, false, false, 0},
       {perdidas(9, 5)},
       false,
       6,
       9,
       13,
       "Grabar_conf_fabrica (pagina eeprom 0x0100)"},
      {"second factory page fails",
       {0, false, false, 0},
       {perdidas(10, 5)},
       false,
       6,
       10,
       14,
       "Grabar_conf_fabrica (pagina eeprom 0x0180)"},
      {"first default page fails",
       {0, false, false, 0},
       {perdidas(11, 5)},
       false,
       7,
       11,
       15,
       "Grabar_conf_defecto (pagina eeprom 0x0200)"},
      {"second default page fails",
       {0, false, false, 0},
       {perdidas(12, 5)},
       false,
       7,
       12,
       16,
       "Grabar_conf_defecto (pagina eeprom 0x0280)"},
      // The port is gone: the page gives up at once, told as the device gone.
      {"unplugged at profile page 2",
       {0, false, false, 0},
       {{Tipo_fallo::Desenchufe, Peticion::Escritura_eeprom, 2, 1}},
       false,
       5,
       1,
       2,
       "Grabar_perfiles (pagina eeprom 0x0380)",
       Llegada::dispositivo_perdido},
  };
  for (const Caso& c : casos) {
    Config_medidor config;
    config.fallos = c.fallos;
    Medidor_en_proceso m(config);
    auto eeprom = m.medidor.Memoria().Eeprom();
    std::fill(eeprom.begin(), eeprom.end(), kPrevio);
    Estado_ventana& e = m.v.estado;
    e.idioma_medidor = c.hechos.idioma;
    e.region_usa = c.hechos.region_usa;
    e.estado_b5 = c.hechos.estado_b5;
    e.indice_plan = c.hechos.indice_plan;
    e.progreso_base = 50;

    TFParam_defecto z(m.v);
    z.Construir_configuracion(e.idioma_medidor);
    const Resultado r = z.Grabar_zona();
    EXPECT_EQ(static_cast<bool>(r), c.ok) << c.nombre;
    EXPECT_EQ(e.codigo_error, c.codigo) << c.nombre;
    // The reason shown with the code is the step's failure, naming the page that gave up.
    EXPECT_EQ(e.motivo_error.peticion, c.peticion) << c.nombre;
    EXPECT_EQ(e.motivo_error.codigo, c.codigo) << c.nombre;
    if (!c.ok) {
      EXPECT_EQ(e.motivo_error, *r.Motivo()) << c.nombre;
      EXPECT_EQ(e.motivo_error.llegada, c.llegada) << c.nombre;
    }
    EXPECT_EQ(e.progreso_base, 100) << c.nombre;
    EXPECT_EQ(m.medidor.Cuenta(Peticion::Escritura_eeprom), c.escrituras) << c.nombre;
    for (uint32_t disparos : m.medidor.Disparos_fallos()) EXPECT_GT(disparos, 0u) << c.nombre;

    const std::vector<uint8_t> esperada = Eeprom_esperada(c.hechos, c.paginas);
    const auto real = m.medidor.Eeprom();
    ASSERT_EQ(real.size(), esperada.size());
    const auto diferencia = std::mismatch(esperada.begin(), esperada.end(), real.begin());
    EXPECT_EQ(diferencia.first, esperada.end())
        << c.nombre << ": first difference at 0x" << std::hex
        << (diferencia.first - esperada.begin());
  }
}

TEST(Integracion_zona, IncidentsErasedThenTheEndCommand) {
  Medidor_en_proceso m;
  auto eeprom = m.medidor.Memoria().Eeprom();
  std::fill(eeprom.begin(), eeprom.end(), kPrevio);
  TFParam_defecto z(m.v);
  ASSERT_TRUE(z.Borrar_incidencias());
  const auto real = m.medidor.Eeprom();
  EXPECT_EQ(real[0x3F], kPrevio);
  EXPECT_TRUE(
      std::all_of(real.begin() + 0x40, real.begin() + 0xFE, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(real[0xFE], kPrevio);
  // Let the meter take in the last bytes written.
  m.v.reloj.Dormir_ms(100);
  uint8_t nada = 0;
  m.v.Puerto().Leer(&nada, 1);
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Fin), 1u);
  EXPECT_TRUE(m.v.pitidos.empty());
}

}  // namespace
}  // namespace r27
