// Memory, bus and staging requests: exact frames, replies, time-outs and retries.
#include "components/memoria_medidor.h"

#include <gtest/gtest.h>

#include "components/imagen_fpga.h"
#include "components/tramas_mpeg4.h"
#include "flash/subida_graficos.h"
#include "flash/tcdiferencial.h"
#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;

Bytes Con(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

uint8_t Xor(const Bytes& b, size_t desde, size_t hasta) {
  uint8_t x = 0;
  for (size_t i = desde; i < hasta; ++i) x ^= b[i];
  return x;
}

// --- The frames every programmer shares ---

TEST(Tramas_compartidas, GoldenFramesOfEachUser) {
  struct Caso {
    const char* nombre;
    Bytes trama;
    Bytes esperada;
  };
  auto B = [](const auto& t) { return Bytes(t.begin(), t.end()); };
  const Caso casos[] = {
      {"staging erase, firmware",
       B(Orden_borrado_staging(kSegmento_firmware_base, kUltimo_segmento_staging_firmware)),
       {0x07, 0x06, 0x00, 0x00, 0xAB, 0xFD, 0xFF, 0xC9}},
      {"staging erase, pictures at 0xC6",
       B(Orden_borrado_staging(0xC6, 0xC6 + kSegmentos_area_graficos)),
       {0x07, 0x06, 0x00, 0x00, 0xC6, 0xFD, 0xFF, 0xC8}},
      {"staging erase, FPGA set of 0x2ABCD bytes",
       B(Orden_borrado_fpga(0x2ABCD)),
       {0x07, 0x06, 0x00, 0x00, 0xDB, 0xFD, 0xFF, 0xDE}},
      {"staging erase, MPEG-4 module",
       B(kBorrado_staging_mpeg4),
       {0x07, 0x06, 0x00, 0x00, 0xD0, 0xFD, 0xFF, 0xE8}},
      {"end of programming", B(kOrden_fin), {0x0F, 0x00}},
  };
  for (const Caso& c : casos) EXPECT_EQ(c.trama, c.esperada) << c.nombre;
}

// --- Memory reads ---

TEST(Leer_memoria, FrameAndLittleEndianWords) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x01, 0x12, 0x56, 0x34, 0x04}, {0x77, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44});
  std::array<uint16_t, 2> w{0xFFFF, 0xFFFF};
  EXPECT_TRUE(Leer_memoria(f.v, 0x12, 0x3456, 4, w));
  EXPECT_EQ(w, (std::array<uint16_t, 2>{0x2211, 0x4433}));
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
}

TEST(Leer_memoria, FiveAttemptsThenZeros) {
  Ventana_con_guion f;
  const Bytes orden{0x01, 0x00, 0xA0, 0xFE, 0x04};
  f.guion->aceptar_sobrantes = true;
  std::array<uint16_t, 2> w{0xAAAA, 0xBBBB};
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(Leer_memoria(f.v, 0x00, 0xFEA0, 4, w));
  EXPECT_EQ(w, (std::array<uint16_t, 2>{0, 0}));
  EXPECT_EQ(f.guion->Veces_escrito(orden), 5u);
  EXPECT_EQ(f.guion->Escrito().size(), 25u);
  EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 5.0 * kSegundo_us, 30'000);
}

TEST(Leer_memoria, EachWaitCanFailAndTheNextAttemptRecovers) {
  const Bytes orden{0x01, 0x00, 0x10, 0x00, 0x02};
  struct Caso {
    const char* nombre;
    Bytes primera_respuesta;
  };
  const Caso casos[] = {
      {"no 0x10", {}},
      {"wrong bytes only", {0x20, 0x30}},
      {"no spare byte", {0x10}},
      {"words stop", {0x10, 0x00, 0x34}},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Intercambio(orden, c.primera_respuesta).Intercambio(orden, {0x10, 0x00, 0x34, 0x12});
    std::array<uint16_t, 1> w{};
    EXPECT_TRUE(Leer_memoria(f.v, 0x00, 0x0010, 2, w)) << c.nombre;
    EXPECT_EQ(w[0], 0x1234) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << c.nombre << ": " << f.guion->Resumen();
  }
}

TEST(Leer_memoria, ASmallBufferKeepsWhatFitsAndTheLineIsLeftClean) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x01, 0x00, 0x00, 0x00, 0x06}, {0x10, 0x00, 1, 0, 2, 0, 3, 0});
  std::array<uint16_t, 3> espacio{0, 0xEEEE, 0xEEEE};
  EXPECT_TRUE(Leer_memoria(f.v, 0, 0, 6, std::span<uint16_t>(espacio).first(1)));
  EXPECT_EQ(espacio, (std::array<uint16_t, 3>{1, 0xEEEE, 0xEEEE}));
  uint8_t b = 0;
  EXPECT_EQ(f.v.Puerto().Leer(&b, 1), 0u);
}

TEST(Leer_promedio, MeanOfFourLowBytes) {
  Ventana_con_guion f;
  const Bytes orden{0x01, 0x00, 0xA0, 0xFE, 0x02};
  for (uint8_t lectura : {50, 50, 50, 51}) f.guion->Intercambio(orden, {0x10, 0, lectura, 0x99});
  EXPECT_EQ(Leer_promedio(f.v), 50);
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
}

TEST(Leer_promedio, AnUnansweredReadingCountsAsZero) {
  Ventana_con_guion f;
  const Bytes orden{0x01, 0x00, 0xA0, 0xFE, 0x02};
  f.guion->aceptar_sobrantes = true;
  for (uint8_t lectura : {200, 200, 200}) f.guion->Intercambio(orden, {0x10, 0, lectura, 0});
  EXPECT_EQ(Leer_promedio(f.v), 150);
}

// --- Language ---

TEST(Leer_idioma, ThirdDataByte) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x01, 0x42, 0x0E, 0x02, 0x04}, {0x10, 0xEE, 0x0A, 0x0B, 0x03, 0x0D});
  EXPECT_EQ(Leer_idioma(f.v), 3);
  EXPECT_TRUE(f.guion->Cumplido());
}

TEST(Leer_idioma, NoAnswerAfterFiveAttempts) {
  Ventana_con_guion f;
  f.guion->aceptar_sobrantes = true;
  f.guion->Intercambio({0x01, 0x42, 0x0E, 0x02, 0x04}, {0x10, 0xEE, 0x0A});  // cut short
  EXPECT_EQ(Leer_idioma(f.v), kIdioma_sin_respuesta);
  EXPECT_EQ(f.guion->Veces_escrito({0x01, 0x42, 0x0E, 0x02, 0x04}), 5u);
}

TEST(Leer_idioma, ClosedPortGivesMinusOneAtOnce) {
  Ventana_con_guion f;
  f.v.Puerto().Cerrar();
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_EQ(Leer_idioma(f.v), -1);
  EXPECT_LT(f.v.reloj.Ahora_us() - t0, 10'000u);
}

// --- Internal bus ---

TEST(Leer_bus, FrameAndReplyIntoTheBuffer) {
  struct Caso {
    uint8_t dispositivo, cuenta, registro, bandera, modo;
    Bytes orden;
  };
  const Caso casos[] = {
      {0x3F, 1, 8, 1, 1, {0x01, 0x50, 0x3F, 0x01, 0x98}},
      {0xBF, 2, 0x1C, 3, 7, {0x01, 0x50, 0x3F, 0x02, 0xFC}},  // fields masked
      {0x10, 0, 0, 0, 0, {0x01, 0x50, 0x10, 0x00, 0x00}},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Intercambio(c.orden, {0x10, 0x02, 0xAA, 0xBB});
    std::array<uint8_t, 4> b{c.cuenta, 0, 0, 0x55};
    EXPECT_TRUE(Leer_bus(f.v, c.dispositivo, b, c.registro, c.bandera, c.modo));
    EXPECT_EQ(b, (std::array<uint8_t, 4>{0xAA, 0xBB, 0, 0x55}));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
}

TEST(Leer_bus, ALongReplyIsCutToTheBufferAndReadOffTheLine) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x01, 0x50, 0x3F, 0x01, 0x98}, {0x10, 0x06, 1, 2, 3, 4, 5, 6});
  std::array<uint8_t, 6> espacio{1, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_TRUE(Leer_bus(f.v, 0x3F, std::span<uint8_t>(espacio).first(2), 8, 1, 1));
  EXPECT_EQ(espacio, (std::array<uint8_t, 6>{1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));
  uint8_t b = 0;
  EXPECT_EQ(f.v.Puerto().Leer(&b, 1), 0u);
}

TEST(Leer_bus, RefusedWithoutTraffic) {
  Ventana_con_guion f;
  std::array<uint8_t, 2> b{1, 0};
  EXPECT_FALSE(Leer_bus(f.v, 0x3F, b, 8, 1, 8));
  EXPECT_FALSE(Leer_bus(f.v, 0x3F, std::span<uint8_t>(), 8, 1, 1));
  EXPECT_TRUE(f.guion->Escrituras().empty());
}

TEST(Leer_bus, WaitsOfThreeSecondsPolledEvery50ms) {
  const Bytes orden{0x01, 0x50, 0x3F, 0x01, 0x98};
  struct Caso {
    const char* nombre;
    Bytes respuesta;
    uint32_t retraso_ms;
    bool ok;
  };
  const Caso casos[] = {
      {"wrong bytes only", {0x11, 0x01, 0x07}, 0, false},
      {"no length", {0x10}, 0, false},
      {"a data byte missing", {0x10, 0x02, 0x07}, 0, false},
      {"in time after 2.9 s", {0x10, 0x01, 0x07}, 2900, true},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->aceptar_sobrantes = true;
    f.guion->Intercambio(orden, c.respuesta, c.retraso_ms);
    std::array<uint8_t, 2> b{1, 0};
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_EQ(bool(Leer_bus(f.v, 0x3F, b, 8, 1, 1)), c.ok) << c.nombre;
    if (!c.ok) {
      EXPECT_EQ(f.guion->Veces_escrito(orden), 5u) << c.nombre;
      EXPECT_GE(f.v.reloj.Ahora_us() - t0, 5 * 3 * kSegundo_us) << c.nombre;
      EXPECT_LE(f.v.reloj.Ahora_us() - t0, 5 * 6 * kSegundo_us + kSegundo_us) << c.nombre;
    }
    EXPECT_LT(f.v.mensajes_procesados, 5 * 3 * 2 * 20 + 20) << c.nombre;  // ~20 polls a second
  }
}

TEST(Escribir_bus, FrameAndAcknowledgement) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x02, 0x05, 0x50, 0x3F, 0x08, 0x01, 0xD9}, {0x20});
  const Bytes datos{0x01, 0xD9};
  EXPECT_TRUE(Escribir_bus(f.v, 0x3F, 0x18, datos));
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
}

TEST(Escribir_bus, FiveAttemptsAndTooLongRefused) {
  Ventana_con_guion f;
  f.guion->aceptar_sobrantes = true;
  const Bytes orden{0x02, 0x04, 0x50, 0x3F, 0x08, 0x01};
  f.guion->Intercambio(orden, {0x21});
  const Bytes uno{0x01};
  EXPECT_FALSE(Escribir_bus(f.v, 0x3F, 8, uno));
  EXPECT_EQ(f.guion->Veces_escrito(orden), 5u);
  const size_t antes = f.guion->Escrituras().size();
  EXPECT_FALSE(Escribir_bus(f.v, 0x3F, 8, Bytes(253, 0)));
  EXPECT_EQ(f.guion->Escrituras().size(), antes);
}

TEST(Comprobar_bus, BitsOfRegisters8And12) {
  const Bytes leer8{0x01, 0x50, 0x3F, 0x01, 0x98};
  const Bytes leer12{0x01, 0x50, 0x3F, 0x01, 0x9C};
  struct Caso {
    uint8_t r8, r12;
    bool lee12;
    bool esperado;
  };
  for (const Caso c : {Caso{0x00, 0x00, true, true}, Caso{0x7F, 0xBF, true, true},
                       Caso{0x80, 0x00, false, false}, Caso{0x00, 0x40, true, false}}) {
    Ventana_con_guion f;
    f.guion->Intercambio(leer8, {0x10, 0x02, 0x01, c.r8});
    if (c.lee12) f.guion->Intercambio(leer12, {0x10, 0x02, 0x01, c.r12});
    EXPECT_EQ(bool(Comprobar_bus(f.v)), c.esperado) << int(c.r8) << " " << int(c.r12);
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
}

TEST(Comprobar_bus, AFailedReadIsFalse) {
  Ventana_con_guion f;
  f.guion->aceptar_sobrantes = true;
  EXPECT_FALSE(Comprobar_bus(f.v));
  EXPECT_EQ(f.guion->Veces_escrito({0x01, 0x50, 0x3F, 0x01, 0x98}), 5u);
}

TEST(Activar_bus, SetsBits41AndChecks51) {
  struct Caso {
    uint8_t lectura, releida;
    bool esperado;
  };
  for (const Caso c : {Caso{0x10, 0x51, true}, Caso{0x10, 0x41, false}, Caso{0xFF, 0xFF, true}}) {
    Ventana_con_guion f;
    f.guion->Intercambio({0x01, 0x50, 0x3F, 0x01, 0x98}, {0x10, 0x02, 0x03, c.lectura})
        .Intercambio({0x02, 0x05, 0x50, 0x3F, 0x08, 0x03, uint8_t(c.lectura | 0x41)}, {0x20})
        // The count byte of the second read is the first byte of the earlier reply.
        .Intercambio({0x01, 0x50, 0x3F, 0x03, 0x98}, {0x10, 0x02, 0x03, c.releida});
    EXPECT_EQ(bool(Activar_bus(f.v)), c.esperado);
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
}

TEST(Activar_bus, AFailedWriteStopsIt) {
  Ventana_con_guion f;
  f.guion->Intercambio({0x01, 0x50, 0x3F, 0x01, 0x98}, {0x10, 0x02, 0x03, 0x00});
  f.guion->aceptar_sobrantes = true;
  EXPECT_FALSE(Activar_bus(f.v));
  EXPECT_EQ(f.guion->Veces_escrito({0x02, 0x05, 0x50, 0x3F, 0x08, 0x03, 0x41}), 5u);
  EXPECT_EQ(f.guion->Veces_escrito({0x01, 0x50, 0x3F, 0x03, 0x98}), 0u);
}

// --- Staging ---

Bytes Bloque_staging(uint32_t a, const Bytes& datos128) {
  Bytes b{0x5A, uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
  b.insert(b.end(), datos128.begin(), datos128.end());
  b.push_back(Xor(b, 1, b.size()));
  return b;
}

Bytes Trozo(const Bytes& d, size_t desde, uint8_t relleno) {
  Bytes t(128, relleno);
  for (size_t i = 0; i < 128 && desde + i < d.size(); ++i) t[i] = d[desde + i];
  return t;
}

TEST(Subir_bloques, WholeBlocksWithBigEndianOffsetsAndXor) {
  Bytes datos(300);
  for (size_t i = 0; i < datos.size(); ++i) datos[i] = uint8_t(i * 7 + 1);
  struct Caso {
    const char* nombre;
    uint32_t longitud;
    size_t tamano_buffer;
    uint8_t relleno;  // what the last block carries past the data
  };
  const Caso casos[] = {
      {"exact", 256, 256, 0},
      {"padded buffer", 130, 300, 0},  // the bytes past the length come from the buffer
      {"unpadded", 130, 130, 0xFF},
      {"baud record", 2, 2, 0xFF},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    const Bytes buffer(datos.begin(), datos.begin() + long(c.tamano_buffer));
    size_t bloques = 0;
    for (uint32_t a = 0; a < c.longitud; a += 128, ++bloques) {
      Bytes trozo = Trozo(buffer, a, c.relleno);
      f.guion->Intercambio(Bloque_staging(a, trozo), {0xA5});
    }
    EXPECT_TRUE(Subir_bloques(f.v, c.longitud, buffer)) << c.nombre;
    EXPECT_TRUE(f.guion->Cumplido()) << c.nombre << ": " << f.guion->Resumen();
    EXPECT_EQ(f.guion->Escrituras().size(), bloques) << c.nombre;
    EXPECT_EQ(f.v.barra_progreso.Maximo(), int(c.longitud));
    EXPECT_EQ(f.v.barra_progreso.Posicion(), int(c.longitud));
  }
}

TEST(Subir_bloques, OffsetsBeyond64KiB) {
  Ventana_con_guion f;
  f.guion->aceptar_sobrantes = true;
  f.guion->al_escribir = [](std::span<const uint8_t>) { return Bytes{0xA5}; };
  const Bytes datos(0x10080, 0x11);
  EXPECT_TRUE(Subir_bloques(f.v, uint32_t(datos.size()), datos));
  const auto& e = f.guion->Escrituras();
  ASSERT_EQ(e.size(), 0x10080u / 128);
  EXPECT_EQ(Bytes(e.back().bytes.begin(), e.back().bytes.begin() + 4),
            (Bytes{0x5A, 0x01, 0x00, 0x00}));
}

TEST(Subir_bloques, TenAttemptsPerBlock) {
  const Bytes datos(256, 0x42);
  const Bytes b0 = Bloque_staging(0, Trozo(datos, 0, 0)),
              b1 = Bloque_staging(128, Trozo(datos, 128, 0));
  {  // the tenth attempt is answered
    Ventana_con_guion f;
    for (int i = 0; i < 9; ++i) f.guion->Intercambio(b0, {i % 2 ? uint8_t(0x5A) : uint8_t(0xA4)});
    f.guion->Intercambio(b0, {0xA5}).Intercambio(b1, {0xA5});
    EXPECT_TRUE(Subir_bloques(f.v, 256, datos));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
  {  // ten failures: false, and the next block never goes
    Ventana_con_guion f;
    f.guion->aceptar_sobrantes = true;
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_FALSE(Subir_bloques(f.v, 256, datos));
    EXPECT_EQ(f.guion->Veces_escrito(b0), 10u);
    EXPECT_EQ(f.guion->Veces_escrito(b1), 0u);
    EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 10.0 * kSegundo_us, 100'000);
  }
}

TEST(Subir_bloques, RefusesALengthPastTheData) {
  Ventana_con_guion f;
  const Bytes datos(10, 0);
  EXPECT_FALSE(Subir_bloques(f.v, 11, datos));
  EXPECT_TRUE(f.guion->Escrituras().empty());
  EXPECT_TRUE(Subir_bloques(f.v, 0, datos));
  EXPECT_TRUE(f.guion->Escrituras().empty());
}

TEST(Escribir_memoria, FramesWithoutWaiting) {
  struct Caso {
    Bytes datos;
    uint8_t pagina;
    uint16_t offset;
    Bytes linea;
  };
  Bytes borrado{0x02, 0x00, 0xA0};
  borrado.resize(34, 0);
  const Caso casos[] = {
      {{0x05, 0x00}, 0x00, 0xFEB4, {0x02, 0x05, 0x00, 0xB4, 0xFE, 0x05, 0x00}},
      {borrado, 0x50, 0x0852, Con({0x02, 0x25, 0x50, 0x52, 0x08}, borrado)},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion f;
    f.guion->Esperar(c.linea);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_TRUE(Escribir_memoria(f.v, c.datos, c.pagina, c.offset));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
    EXPECT_LT(f.v.reloj.Ahora_us() - t0, 10'000u);
  }
  Ventana_con_guion f;
  EXPECT_FALSE(Escribir_memoria(f.v, Bytes(253, 0), 0, 0));
  EXPECT_TRUE(f.guion->Escrituras().empty());
}

TEST(Bloque_vacio, AlwaysTheSame133Bytes) {
  Bytes esperado{0x5A, 0, 0, 0};
  esperado.resize(4 + 128, 0xFF);
  esperado.push_back(0x00);
  ASSERT_EQ(esperado.size(), 133u);
  struct Caso {
    Bytes respuesta;
    uint32_t retraso_ms;
    bool ok;
  };
  for (const Caso& c : {Caso{{0xA5}, 0, true}, Caso{{0xA5}, 1900, true}, Caso{{0x5A}, 0, false},
                        Caso{{0xA5}, 2100, false}, Caso{{}, 0, false}}) {
    Ventana_con_guion f;
    f.guion->Intercambio(esperado, c.respuesta, c.retraso_ms);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_EQ(bool(Bloque_vacio(f.v)), c.ok) << c.retraso_ms;
    EXPECT_EQ(f.guion->Escrituras().size(), 1u);  // one attempt
    EXPECT_LE(f.v.reloj.Ahora_us() - t0, 2 * kSegundo_us + 10'000);
  }
}

TEST(Borrar_sector_flash, Sector32AndOneAttempt) {
  const Bytes orden{0x5B, 0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0x20};
  {
    Ventana_con_guion f;
    f.guion->Intercambio(orden, {0xB5}, 9500);
    EXPECT_TRUE(Borrar_sector_flash(f.v, 32));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
  {
    Ventana_con_guion f;
    f.guion->Intercambio(orden, {0xB4});
    EXPECT_FALSE(Borrar_sector_flash(f.v, 32));
    EXPECT_EQ(f.guion->Escrituras().size(), 1u);
  }
  {
    Ventana_con_guion f;
    f.guion->Esperar(orden);
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_FALSE(Borrar_sector_flash(f.v, 32));
    EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 10.0 * kSegundo_us, 20'000);
  }
}

TEST(Grabar_sector_flash, HeaderWithLengthAndBothXors) {
  Bytes datos(0x012345 % 5000 + 70000);
  for (size_t i = 0; i < datos.size(); ++i) datos[i] = uint8_t(i ^ (i >> 8));
  const uint32_t n = uint32_t(datos.size());
  Bytes orden{0x5B,       0,  0, 0, uint8_t(n >> 16),           uint8_t(n >> 8),
              uint8_t(n), 30, 0, 0, Xor(datos, 0, datos.size())};
  orden.push_back(Xor(orden, 1, 11));
  {
    Ventana_con_guion f;
    f.guion->Intercambio(orden, {0xB5});
    EXPECT_TRUE(Grabar_sector_flash(f.v, datos, 30, 0, 0));
    EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  }
  {
    Ventana_con_guion f;
    f.guion->aceptar_sobrantes = true;
    const uint64_t t0 = f.v.reloj.Ahora_us();
    EXPECT_FALSE(Grabar_sector_flash(f.v, datos, 30, 0, 0));
    EXPECT_EQ(f.guion->Veces_escrito(orden), 10u);
    EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 100.0 * kSegundo_us, 200'000);
  }
}

}  // namespace
}  // namespace r27
