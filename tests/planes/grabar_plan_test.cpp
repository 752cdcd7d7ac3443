// Writing a plan set: the bytes on the wire against a transcript, then the
// meter's faults end to end against the in-process simulated meter, whose sector
// 30 must hold the image afterwards (or be left as it was).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "components/planes.h"
#include "link/codigos_resultado.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27 {
namespace {

using pruebas::Bytes;

uint8_t Xor(std::span<const uint8_t> b, uint8_t x = 0) {
  for (uint8_t v : b) x ^= v;
  return x;
}

TEST(Grabar_plan, BlocksAndSectorCommandOnTheWire) {
  struct Caso {
    int32_t selector;
    size_t bloques;
    size_t ultimos;  // image bytes in the last block
    Bytes orden;     // the sector command before its two check bytes
  };
  const Caso casos[] = {
      {0, 471, 102, {0x5B, 0x00, 0x00, 0x00, 0x00, 0xEB, 0x66, 0x1E, 0x00, 0x00}},
      {4, 118, 46, {0x5B, 0x00, 0x00, 0x00, 0x00, 0x3A, 0xAE, 0x1E, 0x00, 0x00}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.selector);
    pruebas::Ventana_con_guion g;
    g.guion->al_escribir = [](std::span<const uint8_t> w) {
      return Bytes{uint8_t(w[0] == 0x5A ? 0xA5 : 0xB5)};
    };
    std::vector<uint8_t> buffer(kTamano_buffer_planes, 0x00);
    ASSERT_TRUE(Grabar_plan(g.v, buffer, c.selector));
    EXPECT_EQ(g.v.estado.codigo_error, 0);

    const auto imagen = Imagen_plan(c.selector);
    const auto& w = g.guion->Escrituras();
    ASSERT_EQ(w.size(), c.bloques + 1);
    for (size_t k = 0; k < c.bloques; ++k) {
      const Bytes& b = w[k].bytes;
      ASSERT_EQ(b.size(), 133u);
      const size_t a = k * 128;
      ASSERT_EQ(Bytes(b.begin(), b.begin() + 4),
                (Bytes{0x5A, uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)}));
      const size_t n = std::min<size_t>(128, imagen.size() - a);
      EXPECT_TRUE(std::equal(b.begin() + 4, b.begin() + 4 + long(n), imagen.begin() + long(a)));
      EXPECT_TRUE(std::all_of(b.begin() + 4 + long(n), b.end() - 1, [](uint8_t x) {
        return x == 0xFF;
      }));  // the buffer's filler, not what the caller left in it
      if (k + 1 == c.bloques) {
        EXPECT_EQ(n, c.ultimos);
      }
      EXPECT_EQ(b[132], Xor(std::span(b).subspan(1, 131)));
    }
    Bytes orden = c.orden;
    orden.push_back(Xor(imagen));
    orden.push_back(Xor(std::span(orden).subspan(1, 10)));
    EXPECT_EQ(w.back().bytes, orden);
    EXPECT_EQ(g.v.barra_progreso.Maximo(), int(imagen.size()));
    EXPECT_EQ(g.v.barra_progreso.Posicion(), int(imagen.size()));
  }
}

TEST(Grabar_plan, MeterFaultsAndTheSectorItLeaves) {
  using sim::Fallo;
  using enum sim::Tipo_fallo;
  using enum sim::Peticion;
  enum class Sector { Imagen, Borrado, Previo };
  struct Caso {
    const char* nombre;
    int32_t selector;
    std::vector<Fallo> fallos;
    int32_t codigo;
    Sector sector;
    uint32_t ordenes_sector;    // 0x5B commands the meter took in
    std::string peticion = {};  // the request behind the code ("" without a code)
  };
  const Caso casos[] = {
      {"European set", 0, {}, 0, Sector::Imagen, 1},
      {"Australian set", 4, {}, 0, Sector::Imagen, 1},
      {"block lost once", 1, {{Ack_perdido, Bloque_preparacion, 40, 1}}, 0, Sector::Imagen, 1},
      {"block garbled once",
       2,
       {{Paquete_alterado, Bloque_preparacion, 7, 1}},
       0,
       Sector::Imagen,
       1},
      {"block never confirmed",
       0,
       {{Ack_perdido, Bloque_preparacion, 300, 10}},
       8,
       Sector::Borrado,
       0,
       "Grabar_plan (bloque 0x5A en 0x009580)"},
      {"unplugged in the blocks",
       3,
       {{Desenchufe, Bloque_preparacion, 100, 1}},
       8,
       Sector::Borrado,
       0,
       "Grabar_plan (bloque 0x5A en 0x003180)"},
      {"sector command garbled once",
       4,
       {{Paquete_alterado, Sector_preparacion, 1, 1}},
       0,
       Sector::Imagen,
       2},
      // Ten attempts of 9-10 s each: a meter silent for 75 s is heard in time, one
      // silent for 95 s is not.
      {"silent 75 s at the sector command",
       4,
       {{Silencio, Sector_preparacion, 1, 1, 0, 75'000'000}},
       0,
       Sector::Imagen,
       2},
      {"silent 95 s at the sector command",
       4,
       {{Silencio, Sector_preparacion, 1, 1, 0, 95'000'000}},
       9,
       Sector::Borrado,
       1,
       "Grabar_plan (0x5B sector 30)"},
      // The meter wrote the plans and restarted, losing the staged copy a retry
      // would need: the write is reported failed although the sector holds it.
      {"sector answer lost",
       4,
       {{Ack_perdido, Sector_preparacion, 1, 1}},
       9,
       Sector::Imagen,
       10,
       "Grabar_plan (0x5B sector 30)"},
      // A selector without an image sends nothing: a sector command of length 0
      // would erase the plans the meter holds.
      {"selector 5 after set 4", 5, {}, 8, Sector::Previo, 1, "Grabar_plan"},
      {"selector -1 after set 4", -1, {}, 8, Sector::Previo, 1, "Grabar_plan"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    sim::Config_medidor config;
    config.fallos = c.fallos;
    pruebas::Medidor_en_proceso m(config);
    std::vector<uint8_t> buffer(kTamano_buffer_planes);
    if (c.sector == Sector::Previo) {
      ASSERT_TRUE(Grabar_plan(m.v, Preparar_buffer_planes(buffer), 4));
      m.v.reloj.Avanzar_us(5'000'000);  // the meter's restart
    }
    const uint32_t peticiones = m.medidor.Cuenta(Cualquiera);

    const Resultado r = Grabar_plan(m.v, Preparar_buffer_planes(buffer), c.selector);
    const bool ok = static_cast<bool>(r);
    EXPECT_EQ(ok, c.codigo == 0);
    EXPECT_EQ(m.v.estado.codigo_error, c.codigo);
    // The reason shown with the code names the request that gave up.
    EXPECT_EQ(m.v.estado.motivo_error.peticion, c.peticion);
    EXPECT_EQ(m.v.estado.motivo_error.codigo, c.codigo);
    if (!ok) {
      EXPECT_EQ(m.v.estado.motivo_error, *r.Motivo());
    }
    EXPECT_TRUE(m.v.pitidos.empty() && m.v.mensajes.empty());
    EXPECT_EQ(m.medidor.Cuenta(Sector_preparacion), c.ordenes_sector);
    for (uint32_t disparos : m.medidor.Disparos_fallos()) EXPECT_GE(disparos, 1u);
    if (c.sector == Sector::Previo) {
      EXPECT_EQ(m.medidor.Cuenta(Cualquiera), peticiones);
    }

    const auto imagen = Imagen_plan(c.sector == Sector::Previo ? 4 : c.selector);
    const auto sector = m.medidor.Sector(30);
    const size_t n = c.sector == Sector::Borrado ? 0 : imagen.size();
    EXPECT_TRUE(std::equal(imagen.begin(), imagen.begin() + long(n), sector.begin()));
    EXPECT_TRUE(
        std::all_of(sector.begin() + long(n), sector.end(), [](uint8_t x) { return x == 0xFF; }));
  }
}

}  // namespace
}  // namespace r27
