// The whole main-firmware programming against the simulated meter: loader
// stages, staging erase, the embedded image as blocks, the burn, and the status
// pictures; then again with the meter losing acknowledgements, garbling packets
// or falling silent. The checks are on the model's flash, not only on results.
#include <gtest/gtest.h>

#include "flash/bloque.h"
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

class Integracion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    esperado_ = new auto(pruebas::Segmentos_de_hex(Imagen_firmware()));
  }
  static void TearDownTestSuite() { delete esperado_; }

  // Loader stages, staging erase, picture 1, the records, picture 2, the burn:
  // the firmware step's order.
  static bool Programar(Medidor_en_proceso& m, TCDiferencial& d, bool* grabado = nullptr) {
    m.v.estado.inicio_operacion = m.v.reloj.Segundos();
    d.segmentos = m.v.estado.segmentos_presentes;
    if (!d.Cargar_primera_etapa() || !d.Cargar_segunda_etapa()) return false;
    m.graficos.Borrar_graficos();
    m.graficos.Enviar_imagen(Subida_graficos::kCargando_firmware);
    if (!d.Preparar_memoria() || !d.Enviar_firmware()) return false;
    m.graficos.Enviar_imagen(Subida_graficos::kActualizando_firmware);
    const bool ok = static_cast<bool>(d.Grabar_flash());
    if (grabado) *grabado = ok;
    return ok;
  }

  static void Comprobar_flash(const Medidor_en_proceso& m) {
    ASSERT_FALSE(esperado_->empty());
    for (const auto& [k, bytes] : *esperado_) {
      const auto flash = m.medidor.Segmento_flash(k);
      ASSERT_EQ(flash.size(), bytes.size());
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin())) << "segment " << k;
    }
  }

  static std::map<int, std::vector<uint8_t>>* esperado_;
};
std::map<int, std::vector<uint8_t>>* Integracion::esperado_ = nullptr;

TEST_F(Integracion, TheModelFlashHoldsTheEmbeddedImage) {
  Config_medidor c;
  c.ritmo = true;  // paced at the line rate
  Medidor_en_proceso m(c);
  ASSERT_NE(m.hex, nullptr);
  TCDiferencial d(m.v);
  const uint64_t t0 = m.v.reloj.Ahora_us();
  ASSERT_TRUE(Programar(m, d));
  EXPECT_TRUE(m.v.pitidos.empty());
  Comprobar_flash(m);
  EXPECT_EQ(esperado_->size(), 31u);  // segments 0..30
  // The last progress shown is the last segment written.
  EXPECT_EQ(m.v.barra_progreso.Posicion(), esperado_->rbegin()->first);
  EXPECT_EQ(m.v.estado.ultimo_avance, esperado_->rbegin()->first);
  // The loader programs went to the meter as embedded.
  const Imagenes_arranque img;
  EXPECT_TRUE(std::ranges::equal(m.medidor.Cargador().primera_etapa, img.Primera_etapa()));
  EXPECT_TRUE(std::ranges::equal(m.medidor.Cargador().segunda_etapa, img.Segunda_etapa()));
  // The meter's screen holds picture 2 at its place (row 82, column 85).
  const auto area = m.medidor.Area_graficos(160 * 640);
  const auto tablas = Tablas_graficos();
  for (int fila : {0, 37, 74}) {
    for (int x = 0; x < 300; ++x) {
      const size_t en_area = size_t((82 + fila) * 640 + 170 + x);
      const size_t en_tabla = size_t(kBytes_tabla + 2 * (fila * 300 + x));
      ASSERT_EQ(area[en_area], tablas[en_tabla]) << fila << " " << x;
    }
  }
  std::printf("virtual time of the paced run: %.1f s\n", double(m.v.reloj.Ahora_us() - t0) / 1e6);
}

TEST_F(Integracion, TheFpgaSegmentsJoinTheBurnWhenTicked) {
  Medidor_en_proceso m;
  m.v.estado.Check_fpga = true;
  TCDiferencial d(m.v);
  ASSERT_TRUE(Programar(m, d));
  Comprobar_flash(m);
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Grabacion), 1u);
}

TEST_F(Integracion, LostAndWrongAcknowledgementsAreRecovered) {
  struct Caso {
    const char* nombre;
    Tipo_fallo tipo;
    uint8_t relleno;
  };
  const Caso casos[] = {{"lost acks", Tipo_fallo::Ack_perdido, '?'},
                        {"wrong acks", Tipo_fallo::Ack_erroneo, 'f'},
                        {"garbled packets", Tipo_fallo::Paquete_alterado, '?'}};
  for (const Caso& caso : casos) {
    Config_medidor c;
    c.respuesta_relleno = caso.relleno;
    // Blocks are counted from the meter's start (the 150 picture blocks come
    // first); 2001 is the resend of 2000, so 2002 is the next block.
    for (uint32_t n : {3u, 2000u, 2002u, 5000u})
      c.fallos.push_back(Fallo{caso.tipo, Peticion::Bloque, n, 1});
    Medidor_en_proceso m(c);
    TCDiferencial d(m.v);
    ASSERT_TRUE(Programar(m, d)) << caso.nombre;
    EXPECT_TRUE(m.v.pitidos.empty()) << caso.nombre;
    for (uint32_t disparos : m.medidor.Disparos_fallos()) EXPECT_EQ(disparos, 1u) << caso.nombre;
    EXPECT_GE(m.medidor.Cuenta(Peticion::Relleno), 4u) << caso.nombre;
    Comprobar_flash(m);
  }
}

// Late answers in the block exchange. A meter behind a USB link answers each
// filler some milliseconds after it, so filler answers can come after the one
// that ended the resynchronisation, even after the resend; an acknowledgement
// can come after the first wait is over. None of them fails a block the meter
// accepted, and the next block is not misled by them.
TEST_F(Integracion, LateAnswersNeverFailAnAcceptedBlock) {
  struct Caso {
    const char* nombre;
    uint64_t tarde_bloque_us;
    uint64_t tarde_relleno_us;
    bool primer_ack_perdido;
  };
  const Caso casos[] = {
      {"acknowledgements and filler answers 1.2 s late", 1'200'000, 1'200'000, false},
      {"a lost acknowledgement, fillers answered 1 ms late", 0, 1'000, true},
      {"a lost acknowledgement, fillers answered 4 ms late", 0, 4'000, true},
      {"a lost acknowledgement, fillers answered 16 ms late", 0, 16'000, true},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c;
    if (k.primer_ack_perdido)
      c.fallos.push_back(Fallo{Tipo_fallo::Ack_perdido, Peticion::Bloque, 1});
    if (k.tarde_bloque_us > 0)
      c.fallos.push_back(
          Fallo{Tipo_fallo::Respuesta_tardia, Peticion::Bloque, 0, 1, 1.0, k.tarde_bloque_us});
    c.fallos.push_back(
        Fallo{Tipo_fallo::Respuesta_tardia, Peticion::Relleno, 0, 1, 1.0, k.tarde_relleno_us});
    Medidor_en_proceso m(c);
    TCDiferencial d(m.v);
    ASSERT_TRUE(d.Cargar_primera_etapa());
    ASSERT_TRUE(d.Cargar_segunda_etapa());
    // The first packet leaves 0.9 s into a wall-clock second: its first wait ends
    // 1.1 s later, before a 1.2 s late acknowledgement.
    const uint64_t en_el_segundo = m.v.reloj.Ahora_us() % kSegundo_us;
    m.v.reloj.Dormir_ms(uint32_t((kSegundo_us + 900'000 - en_el_segundo) % kSegundo_us / 1000));
    const std::vector<uint8_t> a(200, 0x5A), b(200, 0xA5);
    EXPECT_TRUE(Enviar_bloque(m.v, kEmisor_firmware, 0xAB, 0x1000, a));
    EXPECT_TRUE(Enviar_bloque(m.v, kEmisor_firmware, 0xAB, 0x2000, b));
    const auto staging = m.medidor.Memoria().Preparacion(0xAB);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), staging.begin() + 0x1000));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), staging.begin() + 0x2000));
    EXPECT_GE(m.medidor.Cuenta(Peticion::Relleno), 1u);  // the recovery did run
    EXPECT_TRUE(m.v.pitidos.empty());
  }
}

TEST_F(Integracion, ABlockLostTwiceStopsTheTransferWithOneBeep) {
  Config_medidor c;
  c.fallos.push_back(Fallo{Tipo_fallo::Ack_perdido, Peticion::Bloque, 2000, 2});  // and its resend
  Medidor_en_proceso m(c);
  TCDiferencial d(m.v);
  EXPECT_FALSE(Programar(m, d));
  EXPECT_TRUE(m.v.Un_pitido_de_fallo());
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Bloque), 2001u);  // nothing after the lost resend
  EXPECT_EQ(m.medidor.Cuenta(Peticion::Grabacion), 0u);
}

TEST_F(Integracion, AMeterThatFallsSilentEndsFalseWithinTheBounds) {
  struct Caso {
    const char* nombre;
    Peticion donde;
    uint32_t enesima;
    double maximo_s;  // waiting after the meter fell silent
  };
  const Caso casos[] = {
      {"during the records", Peticion::Bloque, 500, 2 + 5 + 1},
      {"at the ready check", Peticion::Listo, 1, 5 * 3.5 + 1},
      {"at the burn", Peticion::Grabacion, 1, 600 + 1},
  };
  for (const Caso& caso : casos) {
    Config_medidor c;
    c.fallos.push_back(Fallo{Tipo_fallo::Silencio, caso.donde, caso.enesima, 1});
    Medidor_en_proceso m(c);
    TCDiferencial d(m.v);
    uint64_t t_silencio = 0;
    bool visto = false;
    m.v.al_procesar_mensajes = [&] {
      if (!visto && m.medidor.Cuenta(caso.donde) >= caso.enesima) {
        visto = true;
        t_silencio = m.v.reloj.Ahora_us();
      }
    };
    EXPECT_FALSE(Programar(m, d)) << caso.nombre;
    ASSERT_TRUE(visto) << caso.nombre;
    const double tras = double(m.v.reloj.Ahora_us() - t_silencio) / kSegundo_us;
    EXPECT_LE(tras, caso.maximo_s) << caso.nombre;
  }
}

TEST_F(Integracion, ARestartDuringTheBurnIsNotReportedAsSuccess) {
  Config_medidor c;
  c.fallos.push_back(Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1});
  Medidor_en_proceso m(c);
  TCDiferencial d(m.v);
  bool grabado = true;
  EXPECT_FALSE(Programar(m, d, &grabado));
  EXPECT_FALSE(grabado);
}

}  // namespace
}  // namespace r27
