// Retried requests against the in-process meter, paced at the line rate, when an
// earlier attempt's answer comes late: the first attempt leaves 10 ms before a
// wall-clock second turns, so its wait ends early, and its answer comes 30 ms
// after that wait is over (the second attempt's as late after it was sent); the request of the same
// kind that follows loses its first answer (or, where the packet carries a check, its first packet
// on the line). A late answer never decides a later attempt or the next request: what was read and
// what the meter holds are right.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "components/memoria_medidor.h"
#include "factory/tfparam_defecto.h"
#include "flash/tcdiferencial.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27 {
namespace {

using pruebas::Medidor_en_proceso;
using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint64_t kSegundo_us = 1'000'000;

// Places the next request 10 ms before a wall-clock second turns.
void Al_final_de_un_segundo(Medidor_en_proceso& m) {
  const uint64_t en_el_segundo = m.v.reloj.Ahora_us() % kSegundo_us;
  m.v.reloj.Dormir_ms(uint32_t((2 * kSegundo_us - 10'000 - en_el_segundo) % kSegundo_us / 1000));
}

uint16_t Palabra_de(const char* dos) { return uint16_t(uint8_t(dos[0]) | uint8_t(dos[1]) << 8); }

TEST(Respuestas_tardias, UnaRespuestaTardiaNuncaDecideOtroIntento) {
  struct Caso {
    const char* nombre;
    Peticion peticion;   // its first answer is late; the third packet is lost
    Tipo_fallo perdida;  // how the third packet is lost
    uint64_t tarde_us;   // how late: 30 ms past the end of the request's wait
    bool cargador;       // the request needs the loader running
    std::function<void(Medidor_en_proceso&)> pedir_y_comprobar;
  };
  const Caso casos[] = {
      {"a memory read, then another", Peticion::Lectura_memoria, Tipo_fallo::Ack_perdido, 40'000,
       false,
       [](Medidor_en_proceso& m) {
         std::array<uint16_t, 2> familia{}, nivel{};
         EXPECT_TRUE(Leer_memoria(m.v, 0x18, 0, 4, familia));
         EXPECT_TRUE(Leer_memoria(m.v, 0x00, kOffset_nivel, 2, nivel));
         EXPECT_EQ(familia[0], Palabra_de("QZ"));
         EXPECT_EQ(nivel[0], 0x0078);
       }},
      {"the language, then a memory read", Peticion::Lectura_memoria, Tipo_fallo::Ack_perdido,
       40'000, false,
       [](Medidor_en_proceso& m) {
         std::array<uint16_t, 1> nivel{};
         EXPECT_EQ(Leer_idioma(m.v), 3);
         EXPECT_TRUE(Leer_memoria(m.v, 0x00, kOffset_nivel, 2, nivel));
         EXPECT_EQ(nivel[0], 0x0078);
       }},
      {"a bus read, then another", Peticion::Lectura_bus, Tipo_fallo::Ack_perdido, 2'040'000, false,
       [](Medidor_en_proceso& m) {
         std::array<uint8_t, 8> r8{1}, r12{1};
         EXPECT_TRUE(Leer_bus(m.v, kDispositivo_control, r8, 8, 1, 1));
         EXPECT_TRUE(Leer_bus(m.v, kDispositivo_control, r12, 12, 1, 1));
         EXPECT_EQ(r8[1], 0x11);
         EXPECT_EQ(r12[1], 0x22);
       }},
      {"staging blocks", Peticion::Bloque_preparacion, Tipo_fallo::Paquete_alterado, 40'000, false,
       [](Medidor_en_proceso& m) {
         std::vector<uint8_t> datos(3 * kDatos_bloque_staging);
         for (size_t i = 0; i < datos.size(); ++i) datos[i] = uint8_t(i * 7 + 1);
         EXPECT_TRUE(Subir_bloques(m.v, uint32_t(datos.size()), datos));
         const auto area = m.medidor.Memoria().Area_sectores();
         EXPECT_TRUE(std::equal(datos.begin(), datos.end(), area.begin()));
       }},
      {"the loader's ready check and staging erase", Peticion::Listo, Tipo_fallo::Ack_perdido,
       2'040'000, true,
       [](Medidor_en_proceso& m) {
         TCDiferencial d(m.v);
         EXPECT_TRUE(d.Preparar_memoria());
         EXPECT_TRUE(d.Preparar_memoria());
       }},
      {"EEPROM pages", Peticion::Escritura_eeprom, Tipo_fallo::Ack_perdido, 40'000, false,
       [](Medidor_en_proceso& m) {
         TFParam_defecto f(m.v);
         EXPECT_TRUE(f.Grabar_perfiles());
         Config_medidor limpio;
         limpio.idioma = 3;
         Medidor_en_proceso otro(limpio);
         otro.v.estado.idioma_medidor = m.v.estado.idioma_medidor;
         TFParam_defecto g(otro.v);
         ASSERT_TRUE(g.Grabar_perfiles());
         EXPECT_TRUE(std::ranges::equal(m.medidor.Eeprom(), otro.medidor.Eeprom()));
       }},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c;
    c.ritmo = true;
    c.idioma = 3;
    c.bus_registro8 = 0x11;
    c.bus_registro12 = 0x22;
    Medidor_en_proceso m(c);
    m.v.estado.idioma_medidor = 3;
    if (k.cargador) {
      TCDiferencial d(m.v);
      ASSERT_TRUE(d.Cargar_primera_etapa());
      ASSERT_TRUE(d.Cargar_segunda_etapa());
    }
    // Counted from now: the loader's own requests are behind.
    const uint32_t antes = m.medidor.Cuenta(k.peticion);
    // The link is slow for both attempts: the second attempt's answer comes after
    // the first one's, when the next request may already be waiting.
    Fallo tarde{Tipo_fallo::Respuesta_tardia, k.peticion, antes + 1, 2};
    tarde.duracion_us = k.tarde_us;
    m.medidor.Fijar_fallos({tarde, Fallo{k.perdida, k.peticion, antes + 3}});
    Al_final_de_un_segundo(m);
    k.pedir_y_comprobar(m);
    for (uint32_t disparos : m.medidor.Disparos_fallos()) EXPECT_GE(disparos, 1u);
  }
}

}  // namespace
}  // namespace r27
