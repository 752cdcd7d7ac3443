// The block packet and its exchange: frame, acknowledgement, resynchronisation,
// resend, abort and the senders' differences.
#include "flash/bloque.h"

#include <gtest/gtest.h>

#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;
const Bytes kDatos{0x11, 0x22, 0x33};
const Bytes kPaquete{0x03, 0x07, 0x34, 0x12, 0xAB, 0x11, 0x22, 0x33, 0x8A};

TEST(Armar_bloque, LargestBlockFitsItsBuffer) {
  std::array<uint8_t, kTamano_paquete_bloque> p{};
  const Bytes d(251, 0x01);
  ASSERT_EQ(Armar_bloque(p, 0xC0, 0xFFFF, d), 257u);
  EXPECT_EQ(p[1], 255);
  // XOR of FF FF C0 and 251 x 01 (odd count): 0xFF ^ 0xFF ^ 0xC0 ^ 0xFF ^ 0x01.
  EXPECT_EQ(p[256], uint8_t(0xFF ^ 0xFF ^ 0xFF ^ 0xC0 ^ 0x01));
  EXPECT_EQ(Armar_bloque(p, 0xC0, 0, Bytes(252, 0)), 0u);
  EXPECT_EQ(Armar_bloque(p, 0xC0, 0, Bytes()), 0u);
}

TEST(Enviar_bloque, AcceptedAtOnce) {
  Ventana_con_guion f;
  f.guion->Intercambio(kPaquete, {'0'}, 1900);
  EXPECT_TRUE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  EXPECT_EQ(f.guion->purgas, 0);
  EXPECT_TRUE(f.v.pitidos.empty());
}

TEST(Enviar_bloque, CountOutOfRangeSendsNothing) {
  Ventana_con_guion f;
  EXPECT_FALSE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0, Bytes(252, 1)));
  EXPECT_FALSE(Enviar_bloque(f.v, kEmisor_graficos, 0xAB, 0, Bytes()));
  EXPECT_TRUE(f.guion->Escrituras().empty());
  EXPECT_TRUE(f.v.pitidos.empty());
}

TEST(Enviar_bloque, SegmentGuardOfTheGraphicsAndMpeg4Senders) {
  struct Caso {
    const char* nombre;
    Emisor_bloques emisor;
    uint8_t segmento;
    bool envia;
  };
  const Caso casos[] = {
      {"graphics 7F", kEmisor_graficos, 0x7F, false}, {"mpeg4 7F", kEmisor_mpeg4, 0x7F, false},
      {"graphics 80", kEmisor_graficos, 0x80, true},  {"firmware 7F", kEmisor_firmware, 0x7F, true},
      {"fpga 7F", kEmisor_fpga, 0x7F, true},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    if (c.envia) {
      Bytes p{0x03, 0x07, 0x34, 0x12, c.segmento, 0x11, 0x22, 0x33};
      uint8_t x = 0;
      for (size_t i = 1; i < p.size(); ++i) x ^= p[i];
      p.push_back(x);
      f.guion->Intercambio(p, {'0'});
    }
    EXPECT_TRUE(Enviar_bloque(f.v, c.emisor, c.segmento, 0x1234, kDatos)) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << c.nombre << ": " << f.guion->Resumen();
    EXPECT_EQ(f.guion->Escrituras().size(), c.envia ? 1u : 0u) << c.nombre;
  }
}

TEST(Enviar_bloque, ResynchronisesAndResends) {
  struct Caso {
    const char* nombre;
    Bytes primera;    // answer to the packet
    int rellenos;     // filler bytes before the meter listens again
    uint8_t escucha;  // "?" or "f"
  };
  const Caso casos[] = {
      {"silence, f at the first filler", {}, 1, 'f'},
      {"wrong byte, ? after 40 fillers", {'x'}, 40, '?'},
      {"a ? instead of 0 resends without fillers", {'?'}, 0, '?'},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Intercambio(kPaquete, c.primera);
    for (int i = 0; i < c.rellenos; ++i)
      f.guion->Intercambio({0xFF}, i + 1 == c.rellenos ? Bytes{c.escucha} : Bytes{});
    f.guion->Intercambio(kPaquete, {'0'}, 1500);
    EXPECT_TRUE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos)) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << c.nombre << ": " << f.guion->Resumen();
    EXPECT_EQ(f.guion->purgas, 1) << c.nombre;
    EXPECT_TRUE(f.v.pitidos.empty()) << c.nombre;
  }
}

TEST(Enviar_bloque, FillersArePacedOneMillisecondApart) {
  Ventana_con_guion f;
  f.guion->Esperar(kPaquete);
  for (int i = 0; i < 3; ++i) f.guion->Esperar({0xFF});
  f.guion->Responder({'f'}).Intercambio(kPaquete, {'0'});
  EXPECT_TRUE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
  const auto& e = f.guion->Escrituras();
  ASSERT_EQ(e.size(), 5u);
  // Each filler: 1 ms pause, then a one-byte read that waits its 4 ms time-out.
  EXPECT_EQ(e[2].instante_us - e[1].instante_us, 5000u);
}

TEST(Enviar_bloque, AMeterThatNeverAnswersGetsNoResend) {
  Ventana_con_guion f;
  f.guion->aceptar_sobrantes = true;
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
  const uint64_t duracion = f.v.reloj.Ahora_us() - t0;
  EXPECT_TRUE(f.v.Un_pitido_de_fallo());
  EXPECT_EQ(f.guion->Veces_escrito(kPaquete), 1u);
  const Bytes todo = f.guion->Escrito();
  const size_t rellenos = size_t(std::count(todo.begin() + 9, todo.end(), uint8_t{0xFF}));
  EXPECT_EQ(rellenos + 9, todo.size());
  EXPECT_GT(rellenos, 900u);  // ~5 s of 1 ms pause + 4 ms read
  EXPECT_GE(duracion, 6 * kSegundo_us);
  EXPECT_LE(duracion, 7 * kSegundo_us + 10'000);
}

TEST(Enviar_bloque, ResendNotAcceptedBeepsOnce) {
  for (Bytes segunda : {Bytes{}, Bytes{'?'}, Bytes{'f'}}) {
    Ventana_con_guion f;
    f.guion->Intercambio(kPaquete, {}).Intercambio({0xFF}, {'?'}).Intercambio(kPaquete, segunda);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_FALSE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
    EXPECT_TRUE(f.v.Un_pitido_de_fallo());
    EXPECT_LE(f.v.reloj.Ahora_us() - t0, 4 * kSegundo_us + 20'000);
  }
}

TEST(Enviar_bloque, AbortDuringTheFirstWait) {
  struct Caso {
    const char* nombre;
    Emisor_bloques emisor;
    uint64_t pausa_us;
  };
  const Caso casos[] = {{"firmware", kEmisor_firmware, 300'000},
                        {"fpga", kEmisor_fpga, 300'000},
                        {"mpeg4", kEmisor_mpeg4, 300'000},
                        {"graphics", kEmisor_graficos, 0}};
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Intercambio(kPaquete, {'0'}, 1000);  // would be accepted later
    int polls = 0;
    f.v.al_procesar_mensajes = [&] {
      if (++polls == 10) f.v.estado.abortar = true;
    };
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_FALSE(Enviar_bloque(f.v, c.emisor, 0xAB, 0x1234, kDatos)) << c.nombre;
    // 10 empty polls of 4 ms (the drain takes no line time), then the sender's pause
    EXPECT_EQ(f.v.reloj.Ahora_us() - t0, 10 * 4000 + c.pausa_us) << c.nombre;
    EXPECT_TRUE(f.v.pitidos.empty()) << c.nombre;
    EXPECT_EQ(f.guion->purgas, 0) << c.nombre;
  }
}

TEST(Enviar_bloque, AbortIsNotLookedAtAfterTheFirstWait) {
  Ventana_con_guion f;
  f.guion->Intercambio(kPaquete, {}).Intercambio({0xFF}, {'f'}).Intercambio(kPaquete, {'0'}, 500);
  int polls = 0;
  f.v.al_procesar_mensajes = [&] {
    // raised after the first 2 s wait
    if (++polls == 600) f.v.estado.abortar = true;
  };
  EXPECT_TRUE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
}

TEST(Enviar_bloque, StaleBytesAreDrainedFirst) {
  Ventana_con_guion f;
  f.guion->Responder({'0', '0'})
      .Intercambio(kPaquete, {})
      .Intercambio({0xFF}, {'f'})
      .Intercambio(kPaquete, {'0'});
  EXPECT_TRUE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
  EXPECT_EQ(f.guion->Veces_escrito(kPaquete), 2u);  // the old "0"s did not count
}

TEST(Enviar_bloque, ClosedPortEndsFalseAfterTheWaits) {
  Ventana_con_guion f;
  f.v.Puerto().Cerrar();
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(Enviar_bloque(f.v, kEmisor_firmware, 0xAB, 0x1234, kDatos));
  EXPECT_TRUE(f.v.Un_pitido_de_fallo());
  EXPECT_LE(f.v.reloj.Ahora_us() - t0, 8 * kSegundo_us);
}

}  // namespace
}  // namespace r27
