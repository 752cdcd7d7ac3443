// Main processor programming against transcripts: loader stages, staging erase,
// firmware records merged into blocks, the flash burn and its progress.
#include "flash/tcdiferencial.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "flash/subida_graficos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/flash/medidor_bloques.h"

namespace r27 {
namespace {

using pruebas::Bloque_visto;
using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;

Bytes Con(Bytes a, std::span<const uint8_t> b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class Programacion : public ::testing::Test {
 protected:
  Ventana_con_guion f;
  Subida_graficos graficos{f.v};
  TCDiferencial d{f.v};
  Programacion() { f.v.graficos = &graficos; }
};

// --- Loader stages ---

TEST_F(Programacion, FirstStageHeaderImageAndGraphicsArea) {
  struct Caso {
    const char* nombre;
    Bytes respuesta;
    bool ok, activo;
    uint8_t segmento;
    uint16_t direccion;
  };
  const Caso casos[] = {
      {"J C6 00 00", {'J', 0xC6, 0x00, 0x00}, true, true, 0xC6, 0x0000},
      {"J C7 12 34", {'J', 0xC7, 0x12, 0x34}, true, true, 0xC7, 0x1234},
      {"J cut short reads zeros", {'J', 0xC8}, true, true, 0xC8, 0x0000},
      {"0x40: no graphics area", {0x40}, true, false, 0x11, 0x2222},
      {"other byte", {0x41}, false, false, 0x11, 0x2222},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion g;
    Subida_graficos sg{g.v};
    sg.activo = true;
    sg.segmento_base = 0x11;
    sg.direccion_base = 0x2222;
    g.v.graficos = &sg;
    TCDiferencial t{g.v};
    g.guion->Esperar({0x04, 0x90, 0x00})
        .Esperar(Bytes(t.imagenes.Primera_etapa().begin(), t.imagenes.Primera_etapa().end()));
    g.guion->Responder(c.respuesta, 5000);
    EXPECT_EQ(bool(t.Cargar_primera_etapa()), c.ok) << c.nombre;
    EXPECT_TRUE(g.guion->Cumplido()) << c.nombre << ": " << g.guion->Resumen();
    EXPECT_EQ(sg.activo, c.activo) << c.nombre;
    EXPECT_EQ(sg.segmento_base, c.segmento) << c.nombre;
    EXPECT_EQ(sg.direccion_base, c.direccion) << c.nombre;
    EXPECT_TRUE(g.v.pitidos.empty()) << c.nombre;
  }
}

TEST_F(Programacion, FirstStageTimesOutAfterTwentySeconds) {
  f.guion->aceptar_sobrantes = true;
  graficos.activo = true;
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(d.Cargar_primera_etapa());
  EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 21e6, 20'000);  // more than 20 s
  EXPECT_TRUE(graficos.activo);                                  // untouched without an answer
  EXPECT_EQ(f.v.estado.inicio_operacion, int64_t(t0 / kSegundo_us));
}

TEST_F(Programacion, FirstStageSuccessPausesTwoSeconds) {
  Bytes etapa(d.imagenes.Primera_etapa().begin(), d.imagenes.Primera_etapa().end());
  Ventana_con_guion g;
  TCDiferencial t{g.v};
  g.guion->Esperar({0x04, 0x90, 0x00}).Esperar(etapa).Responder({0x40});
  const uint64_t t0 = g.v.reloj.Ahora_us();
  EXPECT_TRUE(t.Cargar_primera_etapa());  // works without a graphics uploader too
  EXPECT_NEAR(double(g.v.reloj.Ahora_us() - t0), 2e6, 20'000);
}

TEST_F(Programacion, SecondStageInOneAndFourByteWrites) {
  const auto img = d.imagenes.Segunda_etapa();
  f.guion->Esperar({0x04, 0x48, 0x04}).Esperar(Bytes(img.begin(), img.end()));
  f.guion->Responder({0x55}, 300).Responder({0x01, 0x02, 0xAD}, 200);
  EXPECT_TRUE(d.Cargar_segunda_etapa());
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  const auto& e = f.guion->Escrituras();
  ASSERT_EQ(e.size(), 3u + 274u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(e[i].bytes.size(), 1u);
  for (size_t i = 3; i < e.size(); ++i) EXPECT_EQ(e[i].bytes.size(), 4u);
  EXPECT_EQ(e[4].instante_us - e[3].instante_us, 1000u);  // 1 ms after each write
}

TEST_F(Programacion, SecondStageCarriesThePatchOfEveryHolderOfTheSession) {
  TCDiferencial otro{f.v};
  const Bytes parche{0x03, 0x20, 0x41};
  std::copy(parche.begin(), parche.end(), otro.imagenes.Segunda_etapa_escribible().begin() + 257);
  const auto img = d.imagenes.Segunda_etapa();
  EXPECT_EQ(Bytes(img.begin() + 257, img.begin() + 260), parche);
  f.guion->Esperar({0x04, 0x48, 0x04})
      .Esperar(Bytes(img.begin(), img.end()))
      .Responder({0x00, 0xAD});
  EXPECT_TRUE(d.Cargar_segunda_etapa());
  EXPECT_TRUE(f.guion->Cumplido()) << f.guion->Resumen();
  // Another session (another window) loads the embedded bytes.
  Ventana_con_guion otra_sesion;
  const auto suya = TCDiferencial{otra_sesion.v}.imagenes.Segunda_etapa();
  EXPECT_NE(Bytes(suya.begin() + 257, suya.begin() + 260), parche);
}

TEST_F(Programacion, SecondStageFailures) {
  struct Caso {
    const char* nombre;
    Bytes respuesta;
  };
  for (const Caso& c : {Caso{"nothing", {}}, Caso{"first byte only", {0xAD}},
                        Caso{"no 0xAD", {0x55, 0x01, 0x02}}}) {
    Ventana_con_guion g;
    TCDiferencial t{g.v};
    g.guion->aceptar_sobrantes = true;
    g.guion->Responder(c.respuesta, 0);
    const uint64_t t0 = g.v.reloj.Ahora_us();
    EXPECT_FALSE(t.Cargar_segunda_etapa()) << c.nombre;
    const double s = double(g.v.reloj.Ahora_us() - t0) / 1e6;
    EXPECT_GT(s, 21.0) << c.nombre;
    EXPECT_LT(s, 22.0) << c.nombre;
    EXPECT_TRUE(g.v.pitidos.empty()) << c.nombre;
  }
}

TEST_F(Programacion, BootstrapLoad) {
  const Bytes bus_leer{0x01, 0x50, 0x3F, 0x01, 0x98};
  struct Caso {
    Bytes respuesta;
    bool ok, pita;
  };
  for (const Caso& c :
       {Caso{{0xAD}, true, false}, Caso{{0x5D}, false, true}, Caso{{}, false, false}}) {
    Ventana_con_guion g;
    Subida_graficos sg{g.v};
    sg.activo = true;
    g.v.graficos = &sg;
    TCDiferencial t{g.v};
    g.guion->Intercambio(bus_leer, {0x10, 0x02, 0x01, 0x00})
        .Intercambio({0x02, 0x05, 0x50, 0x3F, 0x08, 0x01, 0x41}, {0x20})
        .Intercambio(bus_leer, {0x10, 0x02, 0x01, 0x51})
        .Esperar(Bytes(t.imagenes.Arranque().begin(), t.imagenes.Arranque().end()))
        .Esperar(Bytes(t.imagenes.Segunda_etapa().begin(), t.imagenes.Segunda_etapa().end()))
        .Responder(c.respuesta, 29'000);
    const uint64_t t0 = g.v.reloj.Ahora_us();
    EXPECT_EQ(bool(t.Cargar_arranque()), c.ok);
    EXPECT_TRUE(g.guion->Cumplido()) << g.guion->Resumen();
    EXPECT_FALSE(sg.activo);
    EXPECT_EQ(g.v.Un_pitido_de_fallo(), c.pita);
    if (c.respuesta.empty()) {
      EXPECT_GE(g.v.reloj.Ahora_us() - t0, 31 * kSegundo_us);
    }
  }
}

TEST_F(Programacion, BootstrapLoadGoesOnWhenTheBusDoesNotAnswer) {
  f.guion->al_escribir = [](std::span<const uint8_t> w) {
    return w.size() == 1096 ? Bytes{0xAD} : Bytes{};
  };
  EXPECT_TRUE(d.Cargar_arranque());
  EXPECT_EQ(f.guion->Veces_escrito({0x01, 0x50, 0x3F, 0x01, 0x98}), 5u);
}

// --- Ready check and staging erase ---

const Bytes kListo{0xAA};
const Bytes kBorrado{0x07, 0x06, 0x00, 0x00, 0xAB, 0xFD, 0xFF, 0xC9};

TEST_F(Programacion, PrepareMemoryRetriesAndPauses) {
  struct Caso {
    const char* nombre;
    int fallos_listo, fallos_borrado;
    bool ok;
    size_t listos, borrados;
  };
  const Caso casos[] = {
      {"first time", 0, 0, true, 1, 1},
      {"fifth ready, third erase", 4, 2, true, 5, 3},
      {"ready never", 5, 0, false, 5, 0},
      {"erase never", 0, 3, false, 1, 3},
  };
  for (const Caso& c : casos) {
    Ventana_con_guion g;
    TCDiferencial t{g.v};
    for (int i = 0; i < c.fallos_listo; ++i)
      g.guion->Intercambio(kListo, i % 2 ? Bytes{} : Bytes{'F'});
    if (c.fallos_listo < 5) g.guion->Intercambio(kListo, {'f'}, 1500);
    for (int i = 0; i < c.fallos_borrado; ++i)
      g.guion->Intercambio(kBorrado, i % 2 ? Bytes{} : Bytes{'P'});
    if (c.fallos_listo < 5 && c.fallos_borrado < 3) g.guion->Intercambio(kBorrado, {'p'}, 3500);
    EXPECT_EQ(bool(t.Preparar_memoria()), c.ok) << c.nombre;
    EXPECT_TRUE(g.guion->Cumplido()) << c.nombre << ": " << g.guion->Resumen();
    EXPECT_EQ(g.guion->Veces_escrito(kListo), c.listos) << c.nombre;
    EXPECT_EQ(g.guion->Veces_escrito(kBorrado), c.borrados) << c.nombre;
    EXPECT_TRUE(g.v.pitidos.empty()) << c.nombre;
  }
}

TEST_F(Programacion, PrepareMemoryWaitsThreeAndFiveSeconds) {
  f.guion->Intercambio(kListo, {'f'}).Intercambio(kBorrado, {});
  f.guion->aceptar_sobrantes = true;
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(d.Preparar_memoria());
  // Ready answered at once + 0.5 s pause; each erase wait runs until the seconds
  // clock has moved 5 from the second it started in (here 4.5, 5, 5 s), + 0.5 s.
  EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 15.5e6, 50'000);
  EXPECT_EQ(f.guion->Veces_escrito(kBorrado), 3u);
}

// --- Firmware records ---

std::string Registro(uint8_t tipo, uint16_t dir, const Bytes& datos) {
  std::string s = ":";
  char t[16];
  uint8_t suma = uint8_t(datos.size() + (dir >> 8) + (dir & 0xFF) + tipo);
  std::snprintf(t, sizeof t, "%02X%04X%02X", unsigned(datos.size()), dir, tipo);
  s += t;
  for (uint8_t b : datos) {
    std::snprintf(t, sizeof t, "%02X", b);
    s += t;
    suma = uint8_t(suma + b);
  }
  std::snprintf(t, sizeof t, "%02X\r\n", uint8_t(0x100 - suma));
  return s + t;
}

std::string Segmento(uint8_t k) { return Registro(4, 0, {0x00, k}); }
std::string Fin() { return Registro(1, 0, {}); }

Bytes Datos(size_t n, uint8_t semilla) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(semilla + i * 3);
  return b;
}

struct Envio {
  Ventana_con_guion f;
  std::string texto;
  Lector_lineas lineas;
  Lector_hex hex{lineas};
  TCDiferencial d{f.v};
  std::vector<Bloque_visto> vistos;
  explicit Envio(std::string t, int registros) : texto(std::move(t)), lineas(texto) {
    hex.numero_registros = registros;
    f.v.lineas = &lineas;
    f.v.hex = &hex;
    d.segmentos.fill(1);
    pruebas::Aceptar_bloques(*f.guion, vistos);
  }
};

TEST(Enviar_firmware, ConsecutiveRecordsMergeUntilAGap) {
  const Bytes a = Datos(32, 1), b = Datos(32, 2), c = Datos(32, 3);
  Envio e(Segmento(0) + Registro(0, 0x1000, a) + Registro(0, 0x1020, b) + Registro(0, 0x2000, c) +
              Fin(),
          5);
  EXPECT_TRUE(e.d.Enviar_firmware());
  ASSERT_EQ(e.vistos.size(), 2u);
  EXPECT_EQ(e.vistos[0].segmento, 0xAB);
  EXPECT_EQ(e.vistos[0].direccion, 0x1000);
  EXPECT_EQ(e.vistos[0].datos, Con(a, b));
  EXPECT_EQ(e.vistos[1].direccion, 0x2000);
  EXPECT_EQ(e.vistos[1].datos, c);
  // Wire check: 64 data bytes mean a length byte of 68.
  EXPECT_EQ(e.f.guion->Escrituras()[0].bytes[1], 68);
}

TEST(Enviar_firmware, BlocksGoOnceTheyHoldMoreThan200Bytes) {
  struct Caso {
    size_t tamano_registro;
    std::vector<size_t> bloques;
  };
  // 32-byte records: 224; 16: 208; 50: 250; 64-byte records would make 256, so
  // the pending 192 go before the fourth record.
  const Caso casos[] = {
      {32, {224, 224, 64}}, {16, {208, 208, 96}}, {50, {250, 250}}, {64, {192, 192, 128}}};
  for (const Caso& c : casos) {
    std::string t = Segmento(0x18);
    size_t total = 0;
    for (size_t n : c.bloques) total += n;
    Bytes todo;
    for (size_t a = 0; a < total; a += c.tamano_registro) {
      const Bytes d = Datos(c.tamano_registro, uint8_t(a));
      todo.insert(todo.end(), d.begin(), d.end());
      t += Registro(0, uint16_t(0x4000 + a), d);
    }
    Envio e(t + Fin(), 100);
    EXPECT_TRUE(e.d.Enviar_firmware());
    ASSERT_EQ(e.vistos.size(), c.bloques.size()) << c.tamano_registro;
    Bytes enviados;
    uint32_t dir = 0x4000;
    for (size_t i = 0; i < c.bloques.size(); ++i) {
      EXPECT_EQ(e.vistos[i].datos.size(), c.bloques[i]) << c.tamano_registro;
      EXPECT_EQ(e.vistos[i].direccion, dir);
      EXPECT_EQ(e.vistos[i].segmento, 0xC3);  // 0xAB + 0x18
      dir += uint32_t(c.bloques[i]);
      enviados.insert(enviados.end(), e.vistos[i].datos.begin(), e.vistos[i].datos.end());
    }
    EXPECT_EQ(enviados, todo);
  }
}

TEST(Enviar_firmware, SegmentMapAndRecordsWithoutSegment) {
  const Bytes a = Datos(8, 1), b = Datos(8, 2), c = Datos(8, 3), d = Datos(8, 4);
  Envio e(Registro(0, 0x0100, a) + Segmento(1) + Registro(0, 0x0200, b) + Segmento(2) +
              Registro(0, 0x0300, c) + Segmento(64) + Registro(0, 0x0400, d) + Segmento(3) +
              Registro(0, 0x0500, d) + Fin(),
          10);
  e.d.segmentos.fill(0);
  e.d.segmentos[1] = 1;
  e.d.segmentos[3] = 1;
  EXPECT_TRUE(e.d.Enviar_firmware());
  ASSERT_EQ(e.vistos.size(), 2u);
  EXPECT_EQ(e.vistos[0].segmento, 0xAC);
  EXPECT_EQ(e.vistos[0].datos, b);
  EXPECT_EQ(e.vistos[1].segmento, 0xAE);
  EXPECT_EQ(e.d.registros_sin_segmento, 1);
}

TEST(Enviar_firmware, ASegmentChangeSendsThePendingBlock) {
  const Bytes a = Datos(20, 1), b = Datos(20, 2);
  Envio e(Segmento(0) + Registro(0, 0xFFEC, a) + Segmento(1) + Registro(0, 0x0000, b) + Fin(), 5);
  EXPECT_TRUE(e.d.Enviar_firmware());
  ASSERT_EQ(e.vistos.size(), 2u);
  EXPECT_EQ(e.vistos[0].segmento, 0xAB);
  EXPECT_EQ(e.vistos[1].segmento, 0xAC);
  EXPECT_EQ(e.d.segmento, 0xAC);
}

TEST(Enviar_firmware, ProgressOnBothBars) {
  std::string t = Segmento(0);
  for (int i = 0; i < 8; ++i) t += Registro(0, uint16_t(i * 0x100), Datos(4, uint8_t(i)));
  Envio e(t + Fin(), 10);
  e.f.v.estado.progreso_base = 500;
  e.f.v.barra_general.Fijar_rango(0, 2000);
  std::vector<std::pair<int, int>> visto;
  e.f.v.al_procesar_mensajes = [&] {
    visto.emplace_back(e.f.v.barra_progreso.Posicion(), e.f.v.barra_general.Posicion());
  };
  EXPECT_TRUE(e.d.Enviar_firmware());
  EXPECT_EQ(e.f.v.barra_progreso.Maximo(), 10);
  // The bars as the last record (counter 9) left them: 500 + 9 x 120 / 10.
  EXPECT_EQ(e.f.v.barra_progreso.Posicion(), 9);
  EXPECT_EQ(e.f.v.barra_general.Posicion(), 608);
  EXPECT_NE(std::find(visto.begin(), visto.end(), std::make_pair(3, 536)), visto.end());
}

TEST(Enviar_firmware, NoRecordCountDoesNotDivideByZero) {
  Envio e(Segmento(0) + Registro(0, 0, Datos(4, 0)) + Fin(), 0);
  e.f.v.barra_general.Fijar_rango(0, 1000);
  e.f.v.estado.progreso_base = 7;
  e.f.v.barra_general.Fijar_posicion(7);
  EXPECT_TRUE(e.d.Enviar_firmware());
  EXPECT_EQ(e.f.v.barra_general.Posicion(), 7);
}

TEST(Enviar_firmware, Failures) {
  struct Caso {
    const char* nombre;
    std::string texto;
    bool pita;
  };
  std::string malo = Registro(0, 0x10, Datos(4, 0));
  malo[malo.size() - 3] ^= 1;  // checksum digit
  const Caso casos[] = {
      {"bad checksum", Segmento(0) + malo + Fin(), true},
      {"text ends before end record", Segmento(0) + Registro(0, 0, Datos(4, 0)), true},
      {"04 record without its bytes", Registro(4, 0, {0x01}) + Fin(), true},
  };
  for (const Caso& c : casos) {
    Envio e(c.texto, 3);
    EXPECT_FALSE(e.d.Enviar_firmware()) << c.nombre;
    EXPECT_EQ(e.f.v.Un_pitido_de_fallo(), c.pita) << c.nombre;
  }
  {
    Ventana_con_guion g;
    TCDiferencial t{g.v};
    EXPECT_FALSE(t.Enviar_firmware());  // the window kept no record reader
    EXPECT_TRUE(g.v.Un_pitido_de_fallo());
  }
}

TEST(Enviar_firmware, ARefusedBlockStopsIt) {
  Envio e(Segmento(0) + Registro(0, 0, Datos(4, 0)) + Registro(0, 0x100, Datos(4, 0)) + Fin(), 4);
  pruebas::Aceptar_bloques(*e.f.guion, e.vistos, 'x');
  EXPECT_FALSE(e.d.Enviar_firmware());
  EXPECT_EQ(e.vistos.size(), 1u);  // no resend: recovery got no "?"/"f" from this meter
}

TEST(Enviar_firmware, AbortStopsAfterARecordWithAPause) {
  Envio e(Segmento(0) + Registro(0, 0, Datos(4, 0)) + Registro(0, 0x100, Datos(4, 0)) + Fin(), 4);
  int n = 0;
  e.f.v.al_procesar_mensajes = [&] {
    if (++n == 2) e.f.v.estado.abortar = true;
  };
  const uint64_t t0 = e.f.v.reloj.Ahora_us();
  EXPECT_FALSE(e.d.Enviar_firmware());
  EXPECT_TRUE(e.vistos.empty());
  EXPECT_EQ(e.f.v.reloj.Ahora_us() - t0, 300'000u);
}

// --- Flash burn ---

Bytes Orden_grabar(const std::array<uint8_t, 64>& mapa) {
  Bytes b{0x09, 0x40};
  b.insert(b.end(), mapa.begin(), mapa.end());
  return b;
}

TEST_F(Programacion, BurnPacketCarriesTheMapAndTheFpgaSegments) {
  for (bool fpga : {false, true}) {
    Ventana_con_guion g;
    TCDiferencial t{g.v};
    g.v.estado.Check_fpga = fpga;
    for (int k = 0; k <= 30; ++k) t.segmentos[size_t(k)] = 1;
    std::array<uint8_t, 64> mapa = t.segmentos;
    if (fpga)
      for (int k = 48; k <= 54; ++k) mapa[size_t(k)] = 1;
    g.guion->Intercambio(Orden_grabar(mapa), {0x8A, 0x8A, 0x8B, 0x8B, 0x80, 0x80});
    EXPECT_TRUE(t.Grabar_flash());
    EXPECT_TRUE(g.guion->Cumplido()) << g.guion->Resumen();
    EXPECT_EQ(t.segmentos[48], 0);  // the object's map is left as it was
  }
}

struct Caso_grabar {
  const char* nombre;
  Bytes respuesta;
  bool ok;
  bool pita;
  int barra;  // step bar at the end
  bool borrando, grabando;
};

TEST_F(Programacion, BurnProgressSequences) {
  Bytes programacion{0x8B, 0x8B};
  for (int s = 0xAB; s <= 0xEA; ++s) programacion.push_back(uint8_t(s));
  programacion.insert(programacion.end(), {0x80, 0x80});
  const Caso_grabar casos[] = {
      {"programming 0..63", programacion, true, false, 63, false, true},
      {"0x55 before any phase", {0x55}, false, true, 0, false, false},
      {"single 0x80 before a phase is progress",
       {0x80, 0x8A, 0x8A, 0x8B, 0x8B, 0x80, 0x80},
       true,
       false,
       64,
       false,
       true},
      {"erase progress b - 6",
       {0x8A, 0x8A, 0x08, 0x09, 0x0C, 0x8B, 0x8B},
       false,
       false,
       6,
       false,
       true},
      {"erase progress of 7 or less shows 0",
       {0x8A, 0x8A, 0x0C, 0x05, 0x8B, 0x8B},
       false,
       false,
       0,
       false,
       true},
      // Outside programming the first byte of the end pair is shown as b - 6.
      {"end pair while erasing", {0x8A, 0x8A, 0x0C, 0x80, 0x80}, true, false, 64, true, false},
      {"single 0x80 while programming",
       {0x8B, 0x8B, 0xB0, 0x80, 0xB1, 0x80, 0x80},
       true,
       false,
       6,
       false,
       true},
      {"single phase byte is progress, then wrong byte",
       {0x8A, 0x8B, 0x12},
       false,
       true,
       0,
       false,
       false},
      {"erase then programming",
       {0x8A, 0x8A, 0x10, 0x8B, 0x8B, 0xAD, 0x80, 0x80},
       true,
       false,
       2,
       false,
       true},
  };
  for (const Caso_grabar& c : casos) {
    Ventana_con_guion g;
    TCDiferencial t{g.v};
    g.v.estado.progreso_base = 1000;
    g.v.barra_general.Fijar_rango(0, 2000);
    g.guion->aceptar_sobrantes = true;
    g.guion->Responder(c.respuesta, 100);
    EXPECT_EQ(bool(t.Grabar_flash()), c.ok) << c.nombre;
    EXPECT_EQ(g.v.Un_pitido_de_fallo(), c.pita) << c.nombre;
    EXPECT_EQ(g.v.barra_progreso.Maximo(), 64) << c.nombre;
    EXPECT_EQ(g.v.barra_progreso.Posicion(), c.barra) << c.nombre;
    EXPECT_EQ(t.borrando, c.borrando) << c.nombre;
    EXPECT_EQ(t.grabando, c.grabando) << c.nombre;
  }
}

TEST_F(Programacion, BurnMovesTheOverallBarWithinItsShare) {
  Bytes r{0x8B, 0x8B};
  for (int s = 0xAB; s <= 0xC9; ++s) r.push_back(uint8_t(s));
  r.insert(r.end(), {0x80, 0x80});
  f.v.estado.progreso_base = 1000;
  f.v.barra_general.Fijar_rango(0, 2000);
  f.guion->aceptar_sobrantes = true;
  f.guion->Responder(r, 10);
  std::vector<int> general;
  f.v.al_procesar_mensajes = [&] { general.push_back(f.v.barra_general.Posicion()); };
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_TRUE(d.Grabar_flash());
  EXPECT_EQ(f.v.barra_general.Posicion(), 1000 + 30 * 180 / 64);
  EXPECT_EQ(f.v.estado.ultimo_avance, 30);
  EXPECT_TRUE(std::is_sorted(general.begin(), general.end()));
  // One 100 ms pause per byte handled before the end pair's second byte.
  EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), (r.size() - 1) * 100e3, 50'000);
}

TEST_F(Programacion, BurnShowsAnEndByteBeforeAnyProgressOfTheRun) {
  // The last shown value belongs to the run: -1 at start, so a lone 0x80 while
  // programming is shown once (clamped to 0), and not after progress.
  f.guion->aceptar_sobrantes = true;
  f.v.estado.ultimo_avance = -1;
  f.guion->Responder({0x8B, 0x8B, 0x80, 0x80, 0x80}, 10);
  EXPECT_TRUE(d.Grabar_flash());
  EXPECT_EQ(f.v.estado.ultimo_avance, 0x80 - 0xAB);
  EXPECT_EQ(f.v.barra_progreso.Posicion(), 0);
}

TEST_F(Programacion, BurnGivesUpAfterTenMinutesWithoutBeep) {
  f.guion->aceptar_sobrantes = true;
  f.guion->Responder({0x8A, 0x8A, 0x10}, 10);
  const uint64_t t0 = f.v.reloj.Ahora_us();
  EXPECT_FALSE(d.Grabar_flash());
  EXPECT_TRUE(f.v.pitidos.empty());
  EXPECT_NEAR(double(f.v.reloj.Ahora_us() - t0), 600e6, 50'000);
}

TEST_F(Programacion, EndAndDialogButtons) {
  f.guion->Esperar({0x0F, 0x00}).Responder({0x33});
  d.Fin_grabacion();
  EXPECT_TRUE(f.guion->Cumplido());
  uint8_t b = 0;
  EXPECT_EQ(f.v.Puerto().Leer(&b, 1), 0u);  // drained

  d.dialogo.visible = true;
  f.v.reloj.Avanzar_us(5 * kSegundo_us);
  d.Button_diferencial_okClick();
  EXPECT_TRUE(f.v.estado.diferencial);
  EXPECT_EQ(f.v.estado.inicio_operacion, f.v.reloj.Segundos());
  EXPECT_FALSE(d.dialogo.visible);
  d.dialogo.visible = true;
  d.Button_diferencial_cancelClick();
  EXPECT_FALSE(f.v.estado.diferencial);
  EXPECT_FALSE(d.dialogo.visible);
  EXPECT_EQ(Dialogo_diferencial::kTitulo, "Actualizacion diferencial");
}

// --- Loader images ---

TEST(Imagenes_arranque, SizesLayoutAndOneCopyPerSession) {
  const auto todo = Imagenes_arranque_incrustadas();
  ASSERT_EQ(todo.size(), 32u + 144u + 1096u);
  Imagenes_arranque a, b;
  EXPECT_EQ(a.Arranque().size(), 32u);
  EXPECT_EQ(a.Primera_etapa().size(), 144u);
  EXPECT_EQ(a.Segunda_etapa().size(), 1096u);
  EXPECT_TRUE(std::equal(a.Arranque().begin(), a.Arranque().end(), todo.begin()));
  EXPECT_TRUE(std::equal(a.Segunda_etapa().begin(), a.Segunda_etapa().end(), todo.begin() + 176));
  // The MPEG-4 entry vector: a long jump whose 24-bit target is bytes 257..259.
  EXPECT_EQ(a.Segunda_etapa()[256], 0x02);
  a.Segunda_etapa_escribible()[258] = 0x99;
  EXPECT_EQ(a.Segunda_etapa()[258], 0x99);
  EXPECT_EQ(b.Segunda_etapa()[258], todo[176 + 258]);  // another session's copy
}

}  // namespace
}  // namespace r27
