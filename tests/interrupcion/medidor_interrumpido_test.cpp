// What the simulated meter holds and answers after its work is cut short: an
// unplug that takes the power in the middle of the burn or of the module's own
// update, a restart in the burn, and the power-on that follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "tests/sim/banco_medidor.h"

namespace r27::sim {
namespace {

constexpr uint64_t kMs = 1000;

// The four segments the burns here write: 0, 1, 2 and the identity page 0x18.
constexpr std::array<int, 4> kSegmentos{0, 1, 2, 0x18};
constexpr uint8_t kAntiguo = 0x55;  // what the meter's flash held before

// Fills the four segments with an old content, stages each with its own byte
// and sends the burn for them.
void Quemar_cuatro(Banco& b) {
  for (int k : kSegmentos) {
    auto s = b.m.Memoria().Segmento_flash(k);
    std::fill(s.begin(), s.end(), kAntiguo);
  }
  b.Cargar_cargador();
  for (int k : kSegmentos) {
    const auto s = static_cast<uint8_t>(kPrimer_segmento_flash + k);
    for (uint32_t d = 0; d < kTamano_segmento; d += 200)
      b.Pedir(Paquete_bloque(s, static_cast<uint16_t>(d),
                             Bytes(std::min<uint32_t>(200, kTamano_segmento - d), s)),
              1000);
  }
  Bytes orden = {0x09, 0x40};
  orden.resize(66, 0);
  for (int k : kSegmentos) orden[2 + static_cast<size_t>(k)] = 1;
  b.Enviar(orden);
}

// How many bytes of segment k hold `valor` (the rest read erased or old).
size_t Con(const Medidor_simulado& m, int k, uint8_t valor) {
  const auto s = m.Segmento_flash(k);
  return static_cast<size_t>(std::count(s.begin(), s.end(), valor));
}

// After a power-on the boot stage answers 0xD5; a bootstrap load gives the loader,
// whose memory reads show what the RAM holds.
Bytes Leer_tras_arranque(Banco& b, const Bytes& lectura) {
  b.Pedir(Serie(32, 0xE6), 100'000);
  b.Pedir(Serie(1096, 0x17));
  return b.Pedir(lectura);
}

const Bytes kLeer_nivel = {0x01, 0x00, 0xA0, 0xFE, 0x02};
const Bytes kLeer_idioma = {0x01, 0x42, 0x0E, 0x02, 0x04};

TEST(Medidor_interrumpido, UnDesenchufeEnLaGrabacionLaCortaDondeCae) {
  // The meter takes the request in 0.2 ms, erases each segment in 200 ms, then
  // 0.2 ms later programs each in 800 ms, in map order; the cut falls at
  // `corte_us` after the request.
  struct Caso {
    const char* nombre;
    uint64_t corte_us;
    std::array<size_t, 4> nuevos;    // bytes of each segment holding the new contents
    std::array<size_t, 4> antiguos;  // bytes still holding the old (the rest read 0xFF)
  };
  constexpr size_t S = kTamano_segmento;
  const Caso casos[] = {
      {"erasing the second segment", 300'000, {0, 0, 0, 0}, {0, 0, S, S}},
      {"all erased, none written", 800'100, {0, 0, 0, 0}, {0, 0, 0, 0}},
      {"half-way through the second", 2'000'400, {S, S / 2, 0, 0}, {0, 0, 0, 0}},
      {"writing the identity page", 3'400'400, {S, S, S, S / 4}, {0, 0, 0, 0}},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c;
    c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Grabacion, 1, 1, 0.0, k.corte_us}};
    Banco b(c);
    // The bus device enabled before the burn (it then reads back 0x51).
    ASSERT_EQ(b.Pedir({0x02, 0x05, 0x50, 0x3F, 0x08, 0x01, 0x41}), Bytes{0x20});
    Quemar_cuatro(b);
    const Bytes r = b.Esperar(60'000 * kMs);
    EXPECT_TRUE(b.m.Desenchufado());
    EXPECT_FALSE(b.m.Firmware_entera());
    EXPECT_TRUE(r.size() < 2 || r[r.size() - 1] != 0x80 || r[r.size() - 2] != 0x80)
        << "the burn reported its end";
    for (size_t i = 0; i < kSegmentos.size(); ++i) {
      const int s = kSegmentos[i];
      SCOPED_TRACE(s);
      EXPECT_EQ(Con(b.m, s, static_cast<uint8_t>(kPrimer_segmento_flash + s)), k.nuevos[i]);
      EXPECT_EQ(Con(b.m, s, kAntiguo), k.antiguos[i]);
      EXPECT_EQ(Con(b.m, s, 0xFF), S - k.nuevos[i] - k.antiguos[i]);
    }

    // Plugged in again: the boot stage, the bus device out of reset (the status
    // check reads it), the RAM the firmware fills reading zero.
    b.m.Reenchufar(b.t);
    b.Esperar(c.t_reinicio_us);
    EXPECT_EQ(b.Pedir({0x00}), Bytes{0xD5});
    EXPECT_EQ(b.Pedir({0x01, 0x50, 0x3F, 0x01, 0x98}), (Bytes{0x10, 0x02, 0x01, 0x00}));
    EXPECT_EQ(Leer_tras_arranque(b, kLeer_nivel), (Bytes{0x10, 0x02, 0x00, 0x00}));
    EXPECT_EQ(b.Pedir(kLeer_idioma), (Bytes{0x10, 0x04, 0x00, 0x00, 0x00, 0x00}));
  }
}

TEST(Medidor_interrumpido, UnaGrabacionEnteraDevuelveElMedidorASuFirmware) {
  Config_medidor c;
  c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Grabacion, 1, 1, 0.0, 900 * kMs}};
  Banco b(c);
  Quemar_cuatro(b);
  b.Esperar(60'000 * kMs);
  b.m.Reenchufar(b.t);
  b.Esperar(c.t_reinicio_us);
  ASSERT_EQ(b.Pedir({0x00}), Bytes{0xD5});
  // The same burn again from the boot stage's loader, whole this time.
  b.Pedir(Serie(32, 0xE6), 100'000);
  b.Pedir(Serie(1096, 0x17));
  for (int k : kSegmentos) {
    const auto s = static_cast<uint8_t>(kPrimer_segmento_flash + k);
    b.Pedir(Paquete_bloque(s, 0, Bytes(200, s)), 1000);
  }
  Bytes orden = {0x09, 0x40};
  orden.resize(66, 0);
  for (int k : kSegmentos) orden[2 + static_cast<size_t>(k)] = 1;
  b.Enviar(orden);
  const Bytes r = b.Esperar(60'000 * kMs);
  ASSERT_GE(r.size(), 2u);
  EXPECT_EQ(r[r.size() - 2], 0x80);
  EXPECT_EQ(r[r.size() - 1], 0x80);
  EXPECT_TRUE(b.m.Firmware_entera());
  // The loader's end restarts the meter into its firmware, the RAM filled again.
  b.Pedir({0x0F, 0x00});
  b.Esperar(c.t_reinicio_us);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
  EXPECT_EQ(b.Pedir(kLeer_nivel), (Bytes{0x10, 0x02, 0x78, 0x00}));
}

TEST(Medidor_interrumpido, UnReinicioEnLaGrabacionDejaLaEtapaDeArranqueConSuRam) {
  Config_medidor c;
  c.fallos = {Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1, 0.0, 0}};
  Banco b(c);
  Quemar_cuatro(b);
  b.Esperar(60'000 * kMs);
  EXPECT_EQ(b.m.Reinicios(), 1);
  EXPECT_FALSE(b.m.Firmware_entera());
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0xD5});
  // No power was lost: the level the firmware measured is still in RAM.
  EXPECT_EQ(Leer_tras_arranque(b, kLeer_nivel), (Bytes{0x10, 0x02, 0x78, 0x00}));
}

TEST(Medidor_interrumpido, UnDesenchufeEnLaActualizacionDelModuloLoDejaComoEstaba) {
  for (const uint64_t corte_ms : {1'000u, 10'000u, 19'000u}) {
    SCOPED_TRACE(corte_ms);
    Config_medidor c;
    c.t_mpeg4_us = 20'000 * kMs;
    c.mpeg4_comprobar_cabecera = false;
    c.fallos = {
        Fallo{Tipo_fallo::Desenchufe, Peticion::Actualizar_mpeg4, 1, 1, 0.0, corte_ms * kMs}};
    Banco b(c);
    b.Cargar_cargador();
    b.Pedir(Paquete_bloque(0xB0, 0, Bytes(100, 0x42)));
    const Bytes r = b.Pedir({0xCC, 0x00, 0x00, 0x20, 0x00, 100, 0, 0, 0}, 30'000 * kMs);
    EXPECT_TRUE(r.empty()) << "no 0xBB from a module update cut short";
    EXPECT_TRUE(b.m.Desenchufado());
    EXPECT_EQ(b.m.Mpeg4().actualizaciones, 0);
    EXPECT_TRUE(b.m.Mpeg4().aplicacion.empty());
    b.m.Reenchufar(b.t);
    b.Esperar(c.t_reinicio_us);
    EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});  // the firmware was never touched
    EXPECT_EQ(b.Pedir({0xBF}), (Bytes{0xFB, 0x00, 0x00, 132, 0x00, 0x00, 5, 2}));
  }
}

TEST(Medidor_interrumpido, UnDesenchufeConRetrasoHaceLaPeticionYPierdeSuRespuesta) {
  // An EEPROM page write is answered 5 ms after it comes in; the power goes at 1 ms.
  Config_medidor c;
  c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Escritura_eeprom, 1, 1, 0.0, 1 * kMs}};
  Banco b(c);
  const Bytes trama = {0x02, 0x09, 0x50, 0x52, 0x08, 0x00, 0x40, 0x10, 0x20, 0x30, 0x40};
  EXPECT_TRUE(b.Pedir(trama).empty());
  EXPECT_TRUE(b.m.Desenchufado());
  EXPECT_EQ(b.m.Eeprom()[0x40], 0x10);
  EXPECT_EQ(b.m.Eeprom()[0x43], 0x40);
}

TEST(Medidor_interrumpido, LaEtapaDeArranqueNoLlenaLaRamDelFirmware) {
  Config_medidor c;
  c.etapa_arranque = true;
  c.idioma = 4;
  Banco b(c);
  ASSERT_EQ(b.Pedir({0x00}), Bytes{0xD5});
  EXPECT_EQ(Leer_tras_arranque(b, kLeer_nivel), (Bytes{0x10, 0x02, 0x00, 0x00}));
  EXPECT_EQ(b.Pedir(kLeer_idioma), (Bytes{0x10, 0x04, 0x00, 0x00, 0x00, 0x00}));
  // Its flash is whole: the identity and the status block read as configured.
  EXPECT_EQ(b.Pedir({0x01, 0x18, 0x00, 0x00, 0x04}), (Bytes{0x10, 0x04, 'Q', 'Z', 'T', 0}));
}

}  // namespace
}  // namespace r27::sim
