// The request conventions: drain, waits on the seconds clock, the retry helper.
#include "link/peticiones.h"

#include <gtest/gtest.h>

#include "link/estado_ventana.h"
#include "link/fallo.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;

TEST(Drenar, TakesWhatIsWaitingAndLeavesLaterBytes) {
  Ventana_con_guion f;
  f.guion->Responder({1, 2, 3}).Responder({9}, 50);
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_EQ(Drenar(f.v.Puerto()), 3u);
  EXPECT_EQ(f.v.reloj.Ahora_us(), t0);  // no read waits for its time-out
  f.v.reloj.Dormir_ms(60);
  uint8_t b = 0;
  ASSERT_EQ(f.v.Puerto().Leer(&b, 1), 1u);
  EXPECT_EQ(b, 9);
}

TEST(Leer_disponible, OnlyWhatHasArrivedAndNeverWaits) {
  Ventana_con_guion f;
  f.guion->Responder({1, 2}).Responder({3}, 10);
  std::array<uint8_t, 4> b{9, 9, 9, 9};
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_EQ(f.v.Puerto().Leer_disponible(b.data(), 4), 2u);
  EXPECT_EQ(b, (std::array<uint8_t, 4>{1, 2, 9, 9}));
  EXPECT_EQ(f.v.Puerto().Leer_disponible(b.data(), 4), 0u);
  EXPECT_EQ(b[0], 0);  // a read that finds nothing leaves 0, as Leer does
  EXPECT_EQ(f.v.reloj.Ahora_us(), t0);
  f.v.Puerto().Cerrar();
  f.v.reloj.Dormir_ms(20);
  EXPECT_EQ(f.v.Puerto().Leer_disponible(b.data(), 4), 0u);
}

TEST(Drenar, StopsOnALineThatNeverFallsSilent) {
  Ventana_con_guion f;
  f.guion->Responder(Bytes(3 * kMaximo_drenaje_bytes, 0x55));
  EXPECT_EQ(Drenar(f.v.Puerto()), kMaximo_drenaje_bytes);
}

TEST(Esperar_byte, ReturnsTheByteAndLetsMessagesRunWhileWaiting) {
  Ventana_con_guion f;
  f.guion->Responder({0x42}, 700);
  const int64_t inicio = f.v.reloj.Segundos();
  const Respuesta r = Esperar_byte(f.v, inicio, Plazo::Menos_de(1));
  EXPECT_TRUE(r.llego);
  EXPECT_EQ(r.byte, 0x42);
  EXPECT_EQ(r.transcurrido_s, 0);
  EXPECT_GT(f.v.mensajes_procesados, 100);  // one per empty 4 ms poll
}

TEST(Esperar_byte, TimesOutOnTheSecondsClock) {
  struct Caso {
    Plazo plazo;
    uint64_t desfase_us;  // where "now" lies inside the current second
    uint64_t minimo_us, maximo_us;
  };
  const Caso casos[] = {
      {Plazo::Menos_de(2), 0, 2 * kSegundo_us, 2 * kSegundo_us + 5000},
      {Plazo::Menos_de(2), kSegundo_us / 2, 1500000, 1505000},  // whole-second clock
      {Plazo::Hasta(30), 0, 31 * kSegundo_us, 31 * kSegundo_us + 5000},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.v.reloj.Avanzar_us(c.desfase_us);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    const Respuesta r = Esperar_byte(f.v, f.v.reloj.Segundos(), c.plazo);
    const uint64_t duracion = f.v.reloj.Ahora_us() - t0;
    EXPECT_FALSE(r.llego);
    EXPECT_EQ(r.byte, 0);
    EXPECT_GE(duracion, c.minimo_us);
    EXPECT_LE(duracion, c.maximo_us);
  }
}

TEST(Esperar_byte, AlwaysReadsOnceEvenWhenTheStartIsLongPast) {
  Ventana_con_guion f;
  f.guion->Responder({7});
  const Respuesta r = Esperar_byte(f.v, f.v.reloj.Segundos() - 100, Plazo::Hasta(30));
  EXPECT_TRUE(r.llego);
  EXPECT_EQ(r.transcurrido_s, 100);
}

TEST(Esperar_byte, CancelEndsTheWaitAtOnce) {
  Ventana_con_guion f;
  int polls = 0;
  Opciones_espera o;
  o.cancelar = [&] { return ++polls == 3; };
  const uint64_t t0 = f.v.reloj.Ahora_us();
  const Respuesta r = Esperar_byte(f.v, f.v.reloj.Segundos(), Plazo::Menos_de(5), o);
  EXPECT_TRUE(r.cancelada);
  EXPECT_FALSE(r.llego);
  EXPECT_EQ(f.v.reloj.Ahora_us() - t0, 3 * 4000u);
}

TEST(Esperar_byte, IntervalSpacesThePolls) {
  Ventana_con_guion f;
  Opciones_espera o;
  o.intervalo_ms = 50;
  Esperar_byte(f.v, f.v.reloj.Segundos(), Plazo::Menos_de(1), o);
  // Each poll costs the 4 ms read time-out and the 50 ms interval.
  EXPECT_EQ(f.v.mensajes_procesados, (1'000'000 + 53'999) / 54'000);
}

TEST(Esperar_byte_igual, SkipsOtherBytes) {
  Ventana_con_guion f;
  f.guion->Responder({0x01, 0x02, 0x10, 0x33});
  const Respuesta r = Esperar_byte_igual(f.v, 0x10, f.v.reloj.Segundos(), Plazo::Menos_de(1));
  EXPECT_TRUE(r.llego);
  uint8_t b = 0;
  f.v.Puerto().Leer(&b, 1);
  EXPECT_EQ(b, 0x33);
}

TEST(Esperar_byte_igual, WrongBytesOnlyDoNotEndTheWaitEarly) {
  Ventana_con_guion f;
  f.guion->Responder({0x01}).Responder({0x02}, 400);
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(Esperar_byte_igual(f.v, 0x10, f.v.reloj.Segundos(), Plazo::Menos_de(1)).llego);
  EXPECT_GE(f.v.reloj.Ahora_us() - t0, kSegundo_us);
}

TEST(Leer_bytes, StopsAtTheFirstMissingByte) {
  Ventana_con_guion f;
  f.guion->Responder({1, 2});
  std::array<uint8_t, 4> d{9, 9, 9, 9};
  EXPECT_FALSE(Leer_bytes(f.v, d, f.v.reloj.Segundos(), Plazo::Menos_de(1)));
  EXPECT_EQ(d, (std::array<uint8_t, 4>{1, 2, 9, 9}));
}

TEST(Reintentar, CountsAttemptsAndPausesAfterEach) {
  pruebas::Ventana_falsa v;
  Reloj_virtual& reloj = v.reloj;
  struct Caso {
    int exito_en;  // attempt that succeeds, 0 = none
    bool esperado;
    int intentos;
  };
  for (const Caso c : {Caso{0, false, 5}, Caso{1, true, 1}, Caso{3, true, 3}}) {
    int n = 0;
    const uint64_t t0 = reloj.Ahora_us();
    EXPECT_EQ(Reintentar(v, 5, 500, [&] { return ++n == c.exito_en; }), c.esperado);
    EXPECT_EQ(n, c.intentos);
    EXPECT_EQ(reloj.Ahora_us() - t0, uint64_t(c.intentos) * 500'000);
  }
}

// A step keeps its first failure and the run its first code, with the reason that
// set it: a later failure (a clean-up request's), or one offered without a code,
// never replaces them; a code given to a success leaves it a success, and a
// failure keeps the code it was first given.
TEST(Fallo, ElPrimeroGanaConSuCodigoYSuMotivo) {
  struct Ofrecido {
    const char* peticion;  // nullptr: a success
    int32_t codigo;
  };
  struct Caso {
    const char* nombre;
    std::vector<Ofrecido> ofrecidos;
    const char* primer_fallo;  // the step's ("" when none)
    int32_t codigo_error;      // the run's
    const char* motivo;        // the request behind the run's code
  };
  const Caso casos[] = {
      {"successes only", {{nullptr, 5}, {nullptr, 0}}, "", 0, ""},
      {"the first of two",
       {{"Bloque_vacio", 7}, {"Fin_conexion", 9}},
       "Bloque_vacio",
       7,
       "Bloque_vacio"},
      {"a clean-up after a success",
       {{nullptr, 3}, {"Fin_conexion", 9}},
       "Fin_conexion",
       9,
       "Fin_conexion"},
      {"the first without a code",
       {{"Sondeo", 0}, {"Grabar_flash", 23}},
       "Sondeo",
       23,
       "Grabar_flash"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Primer_fallo paso;
    Estado_ventana e;
    for (const Ofrecido& o : k.ofrecidos) {
      Resultado r = o.peticion ? Resultado(Fallo{0, o.peticion, "0x70", Llegada::nada, ""})
                               : Resultado::Correcto();
      if (o.codigo != 0) r.Con_codigo(o.codigo).Con_codigo(99);  // the first code given stays
      EXPECT_EQ(paso.Anotar(r), o.peticion == nullptr);
      if (!r.Motivo()) continue;
      EXPECT_EQ(r.Motivo()->codigo, o.codigo);
      e.Fijar_error(*r.Motivo());
    }
    EXPECT_EQ(paso.Motivo() ? paso.Motivo()->peticion : "", k.primer_fallo);
    EXPECT_EQ(e.codigo_error, k.codigo_error);
    EXPECT_EQ(e.motivo_error.peticion, k.motivo);
  }
}

}  // namespace
}  // namespace r27
