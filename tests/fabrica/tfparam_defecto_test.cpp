// The EEPROM writers and the zone step against a scripted meter: the page frames,
// the same-second acknowledgement rule on the virtual clock, the give-up of a
// configuration write, the incidents erase and the overall bar.
#include "factory/tfparam_defecto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "factory/trama_eeprom.h"
#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kMs_us = 1000;

uint16_t Direccion(const Bytes& trama) { return uint16_t(trama[5] << 8 | trama[6]); }

// The page frames written, in order.
std::vector<Bytes> Tramas(const pruebas::Backend_guion& g) {
  std::vector<Bytes> t;
  for (const auto& e : g.Escrituras())
    if (e.bytes.size() > 7 && e.bytes[0] == 0x02) t.push_back(e.bytes);
  return t;
}

// Answers every page frame with 0x20 at once, except frames at `sin_respuesta`.
void Contestar_paginas(pruebas::Backend_guion& g, int sin_respuesta = -1) {
  g.al_escribir = [sin_respuesta](std::span<const uint8_t> b) {
    const bool pagina = b.size() > 7 && b[0] == 0x02;
    if (!pagina || Direccion(Bytes(b.begin(), b.end())) == sin_respuesta) return Bytes{};
    return Bytes{0x20};
  };
}

TEST(Grabar_zona, PageFramesInOrder) {
  Ventana_con_guion f;
  f.v.estado.idioma_medidor = 4;
  Contestar_paginas(*f.guion);
  TFParam_defecto z(f.v);
  z.Construir_configuracion(4);
  ASSERT_TRUE(z.Grabar_zona());
  EXPECT_EQ(f.v.estado.codigo_error, 0);

  struct Esperada {
    Bytes cabecera;
    size_t desde_buffer;  // the data bytes are buffer bytes from here on
  };
  const Esperada esperadas[] = {
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x03, 0x00}, 256},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x03, 0x80}, 384},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x04, 0x00}, 512},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x04, 0x80}, 640},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x05, 0x00}, 768},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x05, 0x80}, 896},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x06, 0x00}, 1024},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x06, 0x80}, 1152},
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x01, 0x00}, 0},    // factory configuration
      {{0x02, 0x83, 0x50, 0x52, 0x08, 0x01, 0x80}, 128},  // its 126 last bytes
      {{0x02, 0x85, 0x50, 0x52, 0x08, 0x02, 0x00}, 0},    // default configuration
      {{0x02, 0x83, 0x50, 0x52, 0x08, 0x02, 0x80}, 128},
  };
  const std::vector<Bytes> tramas = Tramas(*f.guion);
  ASSERT_EQ(tramas.size(), std::size(esperadas));
  const auto buffer = z.Buffer();
  for (size_t i = 0; i < tramas.size(); ++i) {
    const Esperada& e = esperadas[i];
    const size_t datos = e.cabecera[1] - 5u;
    ASSERT_EQ(tramas[i].size(), 7 + datos) << i;
    EXPECT_EQ(Bytes(tramas[i].begin(), tramas[i].begin() + 7), e.cabecera) << i;
    EXPECT_TRUE(
        std::equal(tramas[i].begin() + 7, tramas[i].end(), buffer.begin() + long(e.desde_buffer)))
        << i;
  }
  // The profiles follow the meter's language (4: "Station de tête" cut to 8 bytes).
  EXPECT_EQ(std::string(buffer.begin() + 512 + 4, buffer.begin() + 512 + 12), "Station ");
  // No frame carries more than the length byte can say.
  EXPECT_TRUE(Trama_pagina_eeprom(0, Bytes(kMaximo_datos_pagina_eeprom + 1, 0)).empty());
  EXPECT_EQ(Trama_pagina_eeprom(0, Bytes(kMaximo_datos_pagina_eeprom, 0))[1], 0xFF);
}

TEST(Grabar_perfiles, AnAnswerAfterTheSecondHasChangedIsRetried) {
  struct Caso {
    const char* nombre;
    uint64_t inicio_ms;  // where in the wall-clock second the frame leaves
    uint32_t retraso_ms;
    size_t envios;  // of the first page
  };
  const Caso casos[] = {
      {"same second", 100, 850, 1},
      {"next second", 900, 200, 2},
      {"just over", 999, 2, 2},
  };
  // The first page: the first half of profile 0, language 0.
  std::array<uint8_t, kTamano_ranura_registro> perfil0{};
  Registro_perfil(perfil0, 0, 0, false);
  const Bytes primera = Trama_pagina_eeprom(0x0300, std::span(perfil0).first(128));
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.v.reloj.Avanzar_us(c.inicio_ms * kMs_us);
    f.guion->Intercambio(primera, {0x20}, c.retraso_ms);
    if (c.envios == 2) f.guion->Intercambio(primera, {0x20});
    Contestar_paginas(*f.guion);
    TFParam_defecto z(f.v);
    EXPECT_TRUE(z.Grabar_perfiles()) << c.nombre;
    EXPECT_EQ(f.guion->Veces_escrito(primera), c.envios) << c.nombre;
    EXPECT_EQ(Tramas(*f.guion).size(), 7 + c.envios) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
}

TEST(Grabar_zona, AFactoryFrameThatFailsFiveTimesEndsTheConfigurationWrites) {
  Ventana_con_guion f;
  f.v.estado.progreso_base = 100;
  f.v.barra_general.Fijar_rango(0, 1020);
  Contestar_paginas(*f.guion, 0x0100);
  TFParam_defecto z(f.v);
  z.Construir_configuracion(0);
  EXPECT_FALSE(z.Grabar_zona());
  EXPECT_EQ(f.v.estado.codigo_error, 6);

  const std::vector<Bytes> tramas = Tramas(*f.guion);
  ASSERT_EQ(tramas.size(), 8u + 5u);
  for (size_t i = 8; i < tramas.size(); ++i) EXPECT_EQ(Direccion(tramas[i]), 0x0100);
  EXPECT_EQ(f.v.estado.motivo_error.peticion, "Grabar_conf_fabrica (pagina eeprom 0x0100)");
  EXPECT_EQ(f.v.estado.motivo_error.codigo, 6);
  EXPECT_EQ(f.v.estado.progreso_base, 150);
  EXPECT_EQ(f.v.barra_general.Posicion(), 150);
  EXPECT_EQ(f.v.barra_progreso.Posicion(), 3);
}

TEST(Grabar_zona, TheOverallBarEndsAtBasePlus50AndNeverPassesIt) {
  for (int fallo : {-1, 0x0300, 0x0280}) {
    Ventana_con_guion f;
    f.v.estado.progreso_base = 330;
    f.v.barra_general.Fijar_rango(0, 10000);  // wide, so nothing is clipped
    std::vector<int> posiciones;
    f.v.barra_general.Al_cambiar([&] { posiciones.push_back(f.v.barra_general.Posicion()); });
    Contestar_paginas(*f.guion, fallo);
    TFParam_defecto z(f.v);
    z.Construir_configuracion(0);
    EXPECT_EQ(static_cast<bool>(z.Grabar_zona()), fallo < 0);
    EXPECT_EQ(posiciones, (std::vector<int>{346, 363, 380, 380})) << fallo;
    EXPECT_EQ(f.v.estado.progreso_base, 380);
  }
}

TEST(Borrar_incidencias, OneAttemptThenTheEndCommand) {
  Bytes trama = {0x02, 0xC3, 0x50, 0x52, 0x08, 0x00, 0x40};
  trama.resize(197, 0xFF);
  struct Caso {
    const char* nombre;
    Bytes respuesta;
    uint32_t retraso_ms;
    bool ok;
    size_t pitidos;
  };
  const Caso casos[] = {
      {"acknowledged", {0x20}, 3000, true, 0},
      {"other byte", {0x21}, 0, false, 0},
      {"late but within 10 s", {0x20}, 10'900, true, 0},
      {"silent", {}, 0, false, 1},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Esperar(trama);
    if (!c.respuesta.empty()) f.guion->Responder(c.respuesta, c.retraso_ms);
    if (c.ok) f.guion->Esperar({0x0F, 0x00});
    TFParam_defecto z(f.v);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_EQ(static_cast<bool>(z.Borrar_incidencias()), c.ok) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << c.nombre << ": " << f.guion->Resumen();
    EXPECT_EQ(f.v.pitidos.size(), c.pitidos) << c.nombre;
    if (c.respuesta.empty()) {
      EXPECT_GE(f.v.reloj.Ahora_us() - t0, 10'000 * kMs_us);
    }
    if (c.ok) {
      EXPECT_GE(f.guion->Escrituras().back().instante_us - t0, (c.retraso_ms + 1000) * kMs_us);
    }
  }
}

}  // namespace
}  // namespace r27
