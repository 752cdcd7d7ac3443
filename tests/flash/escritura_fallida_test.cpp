// A request whose bytes the port does not take fails as a write, naming itself,
// at once: it is not told later as a time-out of the reply it never asked for.
#include <gtest/gtest.h>

#include <functional>

#include "components/memoria_medidor.h"
#include "flash/bloque.h"
#include "flash/tcdiferencial.h"
#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Ventana_con_guion;

TEST(Escritura_fallida, EachRequestFailsAsAWriteNamingItself) {
  struct Caso {
    const char* peticion;
    std::function<Resultado(Ventana_con_guion&)> pedir;
    uint64_t maximo_ms;  // a retrying request keeps its pauses, never a reply's wait
  };
  const Bytes datos(8, 0x11);
  std::array<uint16_t, 2> palabras{};
  std::array<uint8_t, 4> bus{1};
  const Caso casos[] = {
      {"Leer_memoria", [&](auto& f) { return Leer_memoria(f.v, 0, 0, 4, palabras); }, 10},
      {"Leer_bus", [&](auto& f) { return Leer_bus(f.v, 0x3F, bus, 8, 1, 1); }, 10},
      {"Escribir_bus", [&](auto& f) { return Escribir_bus(f.v, 0x3F, 8, datos); }, 10},
      {"Subir_bloques", [&](auto& f) { return Subir_bloques(f.v, 8, datos); }, 10},
      {"Escribir_memoria", [&](auto& f) { return Escribir_memoria(f.v, datos, 0, 0xFEB4); }, 10},
      {"Bloque_vacio", [](auto& f) { return Bloque_vacio(f.v); }, 10},
      {"Borrar_sector_flash", [](auto& f) { return Borrar_sector_flash(f.v, 32); }, 10},
      {"Grabar_sector_flash", [&](auto& f) { return Grabar_sector_flash(f.v, datos, 30, 0, 0); },
       10},
      // The block sender resynchronises after a packet that did not go (5 s of fillers).
      {"Enviar_bloque",
       [&](auto& f) { return Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0, datos); }, 5100},
      // The bus is enabled first, whatever it answers.
      {"Cargar_arranque", [](auto& f) { return TCDiferencial(f.v).Cargar_arranque(); }, 10},
      {"Cargar_primera_etapa", [](auto& f) { return TCDiferencial(f.v).Cargar_primera_etapa(); },
       10},
      {"Cargar_segunda_etapa", [](auto& f) { return TCDiferencial(f.v).Cargar_segunda_etapa(); },
       10},
      {"Preparar_memoria (listo)", [](auto& f) { return TCDiferencial(f.v).Preparar_memoria(); },
       5 * kPausa_tras_intento_ms + 10},
      {"Grabar_flash", [](auto& f) { return TCDiferencial(f.v).Grabar_flash(); }, 10},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->cola_rota = true;
    const uint64_t t0 = f.v.reloj.Ahora_us();
    const Resultado r = c.pedir(f);
    ASSERT_FALSE(r) << c.peticion;
    EXPECT_EQ(r.Motivo()->peticion, c.peticion);
    EXPECT_EQ(r.Motivo()->llegada, Llegada::escritura_fallida) << c.peticion;
    EXPECT_LE(f.v.reloj.Ahora_us() - t0, c.maximo_ms * 1000) << c.peticion;
  }
}

}  // namespace
}  // namespace r27
