// The simulated meter seen from the line: the bytes of each request are written
// here by hand, and what the meter answers and stores is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/sim/banco_medidor.h"

namespace r27::sim {
namespace {

// --- Probe and identity -----------------------------------------------------------

struct Caso_sondeo {
  const char* nombre;
  bool arranque;
  bool rechazo;
  uint8_t respuesta;
};

class Sondeo : public ::testing::TestWithParam<Caso_sondeo> {};

TEST_P(Sondeo, ContestaSegunSuEtapa) {
  Config_medidor c;
  c.etapa_arranque = GetParam().arranque;
  c.rechazo = GetParam().rechazo;
  Banco b(c);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{GetParam().respuesta});
}

INSTANTIATE_TEST_SUITE_P(Etapas, Sondeo,
                         ::testing::Values(Caso_sondeo{"aplicacion", false, false, 0x5D},
                                           Caso_sondeo{"arranque", true, false, 0xD5},
                                           Caso_sondeo{"rechazo", false, true, 0x6D}),
                         [](const auto& i) { return std::string(i.param.nombre); });

Bytes Lectura(const Bytes& respuesta_esperada_datos) {
  Bytes r = {0x10, static_cast<uint8_t>(respuesta_esperada_datos.size())};
  r.insert(r.end(), respuesta_esperada_datos.begin(), respuesta_esperada_datos.end());
  return r;
}

TEST(Identidad, LasLecturasDevuelvenLoConfigurado) {
  Config_medidor c;
  c.familia = "QZT";
  c.region = "USA";
  c.version = "3.02";
  c.build = "00017";
  c.fpga_mayor = 3;
  c.fpga_menor = 3;
  c.idioma = 7;
  c.nivel = 0x0133;
  c.bloque_estado[26] = 0x20;
  Banco b(c);

  EXPECT_EQ(b.Pedir({0x01, 0x18, 0x00, 0x00, 0x10}),
            Lectura({'Q', 'Z', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 0, 'U', 'S', 'A', 0}));
  EXPECT_EQ(b.Pedir({0x01, 0x18, 0x10, 0x00, 0x06}), Lectura({'3', '.', '0', '2', 0, 0}));
  EXPECT_EQ(b.Pedir({0x01, 0x18, 0x16, 0x00, 0x06}), Lectura({'0', '0', '0', '1', '7', 0}));
  Bytes fpga = b.Pedir({0x01, 0x30, 0x00, 0x00, 0x10});
  ASSERT_EQ(fpga.size(), 18u);
  EXPECT_EQ(fpga[2 + 11], 3);
  EXPECT_EQ(fpga[2 + 10], 3);
  Bytes estado = b.Pedir({0x01, 0x00, 0x10, 0x60, 0x20});
  ASSERT_EQ(estado.size(), 34u);
  EXPECT_EQ(estado[2 + 26], 0x20);
  EXPECT_EQ(b.Pedir({0x01, 0x00, 0xA0, 0xFE, 0x02}), Lectura({0x33, 0x01}));
  Bytes idioma = b.Pedir({0x01, 0x42, 0x0E, 0x02, 0x04});
  ASSERT_EQ(idioma.size(), 6u);
  EXPECT_EQ(idioma[2 + 2], 7);
}

// --- Internal bus and EEPROM -------------------------------------------------------

TEST(Bus, ActivarLevantaElBitDeListo) {
  for (bool sin_listo : {false, true}) {
    Config_medidor c;
    c.bus_registro8 = 0x02;
    c.bus_sin_listo = sin_listo;
    Banco b(c);
    // Register 8, flag 1, mode 1: 0x08 | 0x80 | 0x10.
    EXPECT_EQ(b.Pedir({0x01, 0x50, 0x3F, 0x01, 0x98}), (Bytes{0x10, 0x02, 0x01, 0x02}));
    EXPECT_EQ(b.Pedir({0x02, 0x05, 0x50, 0x3F, 0x08, 0x01, 0x43}), Bytes{0x20});
    uint8_t esperado = sin_listo ? 0x43 : 0x53;
    EXPECT_EQ(b.Pedir({0x01, 0x50, 0x3F, 0x01, 0x98}), (Bytes{0x10, 0x02, 0x01, esperado}));
  }
}

TEST(Bus, OtroDispositivoNoContesta) {
  Banco b;
  EXPECT_TRUE(b.Pedir({0x01, 0x50, 0x21, 0x01, 0x98}).empty());
  EXPECT_TRUE(b.Pedir({0x02, 0x05, 0x50, 0x21, 0x08, 0x01, 0x41}).empty());
}

TEST(Eeprom, EscrituraDePaginaGuardaYContesta0x20) {
  Banco b;
  Bytes datos = Serie(128, 0x30);
  Bytes trama = {0x02, 133, 0x50, 0x52, 0x08, 0x01, 0x00};
  trama.insert(trama.end(), datos.begin(), datos.end());
  EXPECT_EQ(b.Pedir(trama), Bytes{0x20});
  EXPECT_TRUE(std::equal(datos.begin(), datos.end(), b.m.Eeprom().begin() + 0x0100));
  EXPECT_EQ(b.m.Eeprom()[0x0180], 0xFF);

  // The erase step's memory write to page 0x50 is an EEPROM write at 0x0200.
  Bytes borrado = {0x02, 0x25, 0x50, 0x52, 0x08, 0x02, 0x00, 0xA0};
  borrado.resize(39, 0x00);
  EXPECT_EQ(b.Pedir(borrado), Bytes{0x20});
  EXPECT_EQ(b.m.Eeprom()[0x0200], 0xA0);
  EXPECT_EQ(std::count(b.m.Eeprom().begin() + 0x201, b.m.Eeprom().begin() + 0x220, 0), 31);
}

TEST(Eeprom, LaRespuestaTardaLoQueLasPaginas) {
  Banco b;
  Bytes trama = {0x02, 195, 0x50, 0x52, 0x08, 0x00, 0x40};
  trama.resize(197, 0xFF);
  b.Enviar(trama);
  // 190 bytes are 3 pages of 5 ms.
  EXPECT_TRUE(b.Esperar(14'000).empty());
  EXPECT_EQ(b.Esperar(2'000), Bytes{0x20});
}

TEST(Eeprom, EscrituraMasAllaDelFinalSeRechaza) {
  Banco b;
  Bytes trama = {0x02, 0x09, 0x50, 0x52, 0x08, 0x7F, 0xFE, 1, 2, 3, 4};
  EXPECT_TRUE(b.Pedir(trama).empty());
  EXPECT_EQ(b.m.Eeprom()[0x7FFE], 0xFF);
}

// --- Loader stages -----------------------------------------------------------------

TEST(Cargador, PrimeraEtapaDiceDondeEstaElAreaDeGraficos) {
  Config_medidor c;
  c.graficos_segmento = 0xC6;
  c.graficos_direccion = 0x1234;
  Banco b(c);
  Bytes e1 = {0x04, 0x90, 0x00};
  e1.resize(147, 0x5C);
  EXPECT_EQ(b.Pedir(e1), (Bytes{'J', 0xC6, 0x12, 0x34}));

  c.graficos = false;
  Banco sin(c);
  EXPECT_EQ(sin.Pedir(e1), Bytes{0x40});
}

TEST(Cargador, SegundaEtapaSoloTrasLaPrimera) {
  Banco b;
  Bytes e2 = {0x04, 0x48, 0x04};
  e2.resize(3 + 1096, 0x22);
  EXPECT_TRUE(b.Pedir(e2).empty());
  EXPECT_TRUE(b.Pedir({0xAA}).empty());  // no loader: ready is not understood

  b.Cargar_cargador();
  EXPECT_EQ(b.m.Etapa_actual(), Etapa::Cargador);
  EXPECT_EQ(b.m.Cargador().segunda_etapa.size(), 1096u);
  EXPECT_EQ(b.Pedir({0xAA}), Bytes{'f'});
}

TEST(Cargador, SegundaEtapaContestaUnByteYLuego0xAD) {
  Banco b;
  Bytes e1 = {0x04, 0x90, 0x00};
  e1.resize(147, 0x00);
  b.Pedir(e1);
  Bytes e2 = {0x04, 0x48, 0x04};
  e2.resize(3 + 1096, 0x00);
  // Written four bytes at a time, 1 ms apart, as the updater does.
  b.Pedir({e2[0]}, 1000);
  b.Pedir({e2[1]}, 1000);
  b.Pedir({e2[2]}, 1000);
  Bytes r;
  for (size_t i = 3; i < e2.size(); i += 4) {
    Bytes trozo(e2.begin() + static_cast<long>(i), e2.begin() + static_cast<long>(i + 4));
    Bytes a = b.Pedir(trozo, 1000);
    r.insert(r.end(), a.begin(), a.end());
  }
  Bytes resto = b.Esperar(100'000);
  r.insert(r.end(), resto.begin(), resto.end());
  ASSERT_EQ(r.size(), 2u);
  EXPECT_NE(r[0], 0xAD);
  EXPECT_EQ(r[1], 0xAD);
}

TEST(Cargador, ArranqueCrudoDesdeLaEtapaDeArranque) {
  Config_medidor c;
  c.etapa_arranque = true;
  Banco b(c);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0xD5});
  // The bus enable the updater runs first is answered by the boot stage.
  EXPECT_EQ(b.Pedir({0x01, 0x50, 0x3F, 0x01, 0x98}), (Bytes{0x10, 0x02, 0x01, 0x00}));
  Bytes imagen1 = Serie(32, 0xE6);
  EXPECT_TRUE(b.Pedir(imagen1, 100'000).empty());
  Bytes imagen3 = Serie(1096, 0x17);
  EXPECT_EQ(b.Pedir(imagen3), Bytes{0xAD});
  EXPECT_EQ(b.m.Cargador().arranque.size(), 32u + 1096u);
  EXPECT_EQ(b.Pedir({0xAA}), Bytes{'f'});
}

// --- Block packets and their recovery ---------------------------------------------

TEST(Bloque, EjemploDelFormatoSeGuarda) {
  Banco b;
  b.Cargar_cargador();
  Bytes p = {0x03, 0x07, 0x34, 0x12, 0xAB, 0x11, 0x22, 0x33, 0x8A};
  EXPECT_EQ(b.Pedir(p), Bytes{'0'});
  auto s = b.m.Memoria().Preparacion(0xAB);
  EXPECT_EQ(s[0x1234], 0x11);
  EXPECT_EQ(s[0x1235], 0x22);
  EXPECT_EQ(s[0x1236], 0x33);
}

TEST(Bloque, ByteDeComprobacionErroneoNoSeReconoce) {
  Banco b;
  b.Cargar_cargador();
  Bytes p = {0x03, 0x07, 0x34, 0x12, 0xAB, 0x11, 0x22, 0x33, 0x8B};
  EXPECT_TRUE(b.Pedir(p).empty());
  EXPECT_EQ(b.m.Memoria().Preparacion(0xAB)[0x1234], 0xFF);
}

TEST(Bloque, TrasUnPaqueteIncompletoElRellenoRecibeInterrogacion) {
  for (uint8_t relleno : {uint8_t{'?'}, uint8_t{'f'}}) {
    Config_medidor c;
    c.respuesta_relleno = relleno;
    Banco b(c);
    b.Cargar_cargador();
    Bytes p = Paquete_bloque(0xAC, 0x0100, Serie(200, 3));
    Bytes cortado(p.begin(), p.begin() + 120);
    EXPECT_TRUE(b.Pedir(cortado, 2'000'000).empty());
    // The updater's recovery: filler bytes one at a time, 1 ms apart.
    EXPECT_EQ(b.Pedir({0xFF}, 1000), Bytes{relleno});
    EXPECT_EQ(b.Pedir(p), Bytes{'0'});
    EXPECT_EQ(b.m.Memoria().Preparacion(0xAC)[0x0100], p[5]);
  }
}

TEST(Bloque, LosRellenosQueCompletanElPaqueteNoDanCero) {
  // Fillers sent at once after a short packet first complete it (wrong check),
  // then the meter is back in step and answers '?'.
  Banco b;
  b.Cargar_cargador();
  Bytes p = Paquete_bloque(0xAB, 0x0000, {0x01, 0x02, 0x03});
  b.Pedir(Bytes(p.begin(), p.begin() + 6), 1000);
  Bytes respuestas;
  for (int i = 0; i < 4 && respuestas.empty(); ++i) respuestas = b.Pedir({0xFF}, 1000);
  EXPECT_EQ(respuestas, Bytes{'?'});
  EXPECT_EQ(b.m.Memoria().Preparacion(0xAB)[0], 0xFF);
}

TEST(Bloque, BorradoDeLaPreparacionBorraLosSegmentosNombrados) {
  Banco b;
  b.Cargar_cargador();
  for (uint8_t s : {0xF0, 0xF1, 0xF2, 0xF3}) b.Pedir(Paquete_bloque(s, 0x10, {0x55}));
  EXPECT_EQ(b.Pedir({0x07, 0x06, 0x00, 0x00, 0xF0, 0xFD, 0xFF, 0xF2}, 200'000), Bytes{'p'});
  for (uint8_t s : {0xF0, 0xF1, 0xF2}) EXPECT_EQ(b.m.Memoria().Preparacion(s)[0x10], 0xFF);
  EXPECT_EQ(b.m.Memoria().Preparacion(0xF3)[0x10], 0x55);
  // A command with a wrong fixed byte is not understood.
  EXPECT_TRUE(b.Pedir({0x07, 0x06, 0x00, 0x00, 0xF3, 0xFC, 0xFF, 0xF3}).empty());
}

TEST(Bloque, AreaDeGraficosComoLaMuestraElMedidor) {
  Config_medidor c;
  c.graficos_segmento = 0xF4;
  c.graficos_direccion = 0x8000;
  Banco b(c);
  b.Cargar_cargador();
  // A run that starts below a 64 KiB boundary goes on into the next segment.
  Bytes fila = Serie(200, 0x44);
  EXPECT_EQ(b.Pedir(Paquete_bloque(0xF4, 0xFF9C, fila)), Bytes{'0'});
  Bytes area = b.m.Area_graficos(0x8000 + 200);
  EXPECT_TRUE(std::equal(fila.begin(), fila.end(), area.begin() + 0x7F9C));
  EXPECT_EQ(b.m.Memoria().Preparacion(0xF5)[0x63], fila[199]);
}

// --- Burn --------------------------------------------------------------------------

TEST(Grabacion, InformaFasesYSegmentosYLaFlashGuardaLoPreparado) {
  Banco b;
  b.Cargar_cargador();
  Bytes d0 = Serie(232, 0x40);
  Bytes d2 = Serie(100, 0x90);
  b.Pedir(Paquete_bloque(0xAB, 0x1000, d0));
  b.Pedir(Paquete_bloque(0xAD, 0xFF00, d2));
  Bytes antes_k1(b.m.Segmento_flash(1).begin(), b.m.Segmento_flash(1).end());

  Bytes orden = {0x09, 0x40};
  orden.resize(66, 0);
  orden[2 + 0] = 1;
  orden[2 + 2] = 1;
  b.Enviar(orden);
  // The meter hears nothing while it burns.
  Bytes r = b.Esperar(100'000);
  b.Enviar({0x00});
  Bytes resto = b.Esperar(10'000'000);
  r.insert(r.end(), resto.begin(), resto.end());
  EXPECT_EQ(r, (Bytes{0x8A, 0x8A, 0x00, 0x09, 0x8B, 0x8B, 0xAB, 0xAD, 0x80, 0x80}));

  auto k0 = b.m.Segmento_flash(0);
  EXPECT_TRUE(std::equal(d0.begin(), d0.end(), k0.begin() + 0x1000));
  EXPECT_EQ(k0[0x0FFF], 0xFF);
  EXPECT_EQ(k0[0x6010 + 26], 0xFF);  // the whole segment is what was staged
  auto k2 = b.m.Segmento_flash(2);
  EXPECT_TRUE(std::equal(d2.begin(), d2.end(), k2.begin() + 0xFF00));
  EXPECT_TRUE(std::equal(antes_k1.begin(), antes_k1.end(), b.m.Segmento_flash(1).begin()));
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
}

TEST(Grabacion, LosBytesLleganConElTiempoDelTrabajo) {
  Config_medidor c;
  c.t_borrado_segmento_us = 1'000'000;
  c.t_programa_segmento_us = 2'000'000;
  Banco b(c);
  b.Cargar_cargador();
  Bytes orden = {0x09, 0x40};
  orden.resize(66, 0);
  orden[2 + 48] = 1;
  b.Enviar(orden);
  EXPECT_EQ(b.Esperar(500'000), (Bytes{0x8A, 0x8A}));
  EXPECT_EQ(b.Esperar(1'000'000), (Bytes{48 + 7, 0x8B, 0x8B, 0xAB + 48}));
  EXPECT_TRUE(b.Esperar(1'000'000).empty());
  EXPECT_EQ(b.Esperar(1'000'000), (Bytes{0x80, 0x80}));
}

// What the meter reports after a burn: the identity block and the FPGA version
// are read from flash, so they come from what was burnt; a burn without effect
// answers the same and leaves the configured (old) ones.
TEST(Grabacion, LaIdentidadYLaFpgaLeidasSonLasDeLoGrabado) {
  struct Caso {
    const char* nombre;
    bool sin_efecto;
    Bytes version;  // read at 0x18:0x0010
    Bytes build;    // read at 0x18:0x0016
    uint8_t fpga_menor;
  };
  const Caso casos[] = {
      {"the burn writes", false, {'3', '.', '0', '1', 0, 0}, {'0', '0', '0', '4', '2', 0}, 3},
      {"the burn has no effect", true, {'3', '.', '0', '0', 0, 0}, {'0', '0', '0', '0', '0', 0}, 2},
  };
  Bytes respuestas_burn[2];
  for (size_t i = 0; i < 2; ++i) {
    const Caso& k = casos[i];
    SCOPED_TRACE(k.nombre);
    Config_medidor c;  // 3.00.00000, FPGA 3.2
    c.grabacion_sin_efecto = k.sin_efecto;
    Banco b(c);
    b.Cargar_cargador();
    // Identity block at segment 0x18 and the FPGA set's directory at segment 48.
    Bytes identidad(0x1C, 0);
    std::memcpy(identidad.data(), "QZT", 3);
    std::memcpy(identidad.data() + 0x10, "3.01", 4);
    std::memcpy(identidad.data() + 0x16, "00042", 5);
    b.Pedir(Paquete_bloque(0xAB + 0x18, 0x0000, identidad));
    Bytes directorio = {5, 0, 0, 0, 0x68, 0x01, 0x9A, '0', 0x02, 0x01, 3, 3, 0, 0, 0, 0};
    b.Pedir(Paquete_bloque(0xAB + 48, 0x0000, directorio));

    Bytes orden = {0x09, 0x40};
    orden.resize(66, 0);
    orden[2 + 0x18] = 1;
    orden[2 + 48] = 1;
    b.Enviar(orden);
    respuestas_burn[i] = b.Esperar(10'000'000);
    EXPECT_EQ(b.Pedir({0x01, 0x18, 0x10, 0x00, 0x06}), Lectura(k.version));
    EXPECT_EQ(b.Pedir({0x01, 0x18, 0x16, 0x00, 0x06}), Lectura(k.build));
    Bytes fpga = b.Pedir({0x01, 0x30, 0x00, 0x00, 0x10});
    ASSERT_EQ(fpga.size(), 18u);
    EXPECT_EQ(fpga[2 + 11], 3);
    EXPECT_EQ(fpga[2 + 10], k.fpga_menor);
  }
  // Without effect the burn still reports both phases, each segment and the end.
  EXPECT_EQ(respuestas_burn[0], respuestas_burn[1]);
  EXPECT_EQ(respuestas_burn[1],
            (Bytes{0x8A, 0x8A, 0x18 + 7, 48 + 7, 0x8B, 0x8B, 0xAB + 0x18, 0xAB + 48, 0x80, 0x80}));
}

// --- Sector staging, sector erase, confirm ----------------------------------------

TEST(Area, BloqueConXorErroneoNoSeReconoce) {
  Banco b;
  Bytes p = Paquete_area(0x000080, Serie(128, 9));
  Bytes malo = p;
  malo[132] ^= 0x40;
  EXPECT_TRUE(b.Pedir(malo).empty());
  EXPECT_EQ(b.m.Memoria().Area_sectores()[0x80], 0xFF);
  EXPECT_EQ(b.Pedir(p), Bytes{0xA5});
  EXPECT_EQ(b.m.Memoria().Area_sectores()[0x80], p[4]);
}

TEST(Area, EscrituraDeSectorGuardaLosDatosYReinicia) {
  Config_medidor c;
  c.t_sector_us = 1'000'000;
  c.t_reinicio_us = 2'000'000;
  Banco b(c);
  Bytes plan = Serie(300, 0x21);
  Bytes relleno = plan;
  relleno.resize(384, 0xFF);
  for (uint32_t a = 0; a < 384; a += 128) {
    Bytes trozo(relleno.begin() + a, relleno.begin() + a + 128);
    ASSERT_EQ(b.Pedir(Paquete_area(a, trozo)), Bytes{0xA5});
  }
  uint8_t x = Xor_de(plan, 0, plan.size());

  // A wrong data check is refused.
  EXPECT_TRUE(b.Pedir(Paquete_sector(300, 30, static_cast<uint8_t>(x ^ 1)), 2'000'000).empty());

  b.Enviar(Paquete_sector(300, 30, x));
  EXPECT_TRUE(b.Esperar(900'000).empty());
  EXPECT_EQ(b.Esperar(200'000), Bytes{0xB5});
  auto s30 = b.m.Sector(30);
  EXPECT_TRUE(std::equal(plan.begin(), plan.end(), s30.begin()));
  EXPECT_EQ(s30[300], 0xFF);

  // The meter restarts to take the plans in: a probe meanwhile gets nothing.
  EXPECT_TRUE(b.Pedir({0x00}, 1'000'000).empty());
  b.Esperar(1'000'000);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
  EXPECT_EQ(b.m.Reinicios(), 1);
}

TEST(Area, BorradoDeSectorSinReinicio) {
  Banco b;
  b.Cargar_cargador();
  // Put something in segment 32 through a sector write first.
  b.Pedir(Paquete_area(0, Serie(128, 1)));
  Bytes d = Serie(128, 1);
  b.Pedir(Paquete_sector(128, 32, Xor_de(d, 0, 128)), 2'000'000);
  b.Esperar(5'000'000);
  ASSERT_EQ(b.m.Sector(32)[0], d[0]);
  Bytes borrar = Paquete_sector(0, 32, 0);
  EXPECT_EQ(borrar, (Bytes{0x5B, 0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0x20}));
  EXPECT_EQ(b.Pedir(borrar, 2'000'000), Bytes{0xB5});
  EXPECT_EQ(b.m.Sector(32)[0], 0xFF);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
  EXPECT_EQ(b.m.Reinicios(), 1);
}

TEST(Sectores, BorrarContestaElNumeroYConfirmarGraba) {
  Banco b;
  b.Cargar_cargador();
  // Sector 39 is segment 32 (sectors 0..7 are the boot sectors of segment 0).
  b.Pedir(Paquete_bloque(0xCB, 0x0000, {0x12}));
  EXPECT_EQ(b.Pedir({0x06, 39}, 2'000'000), (Bytes{39, 0x60}));
  EXPECT_EQ(b.m.Segmento_flash(32)[0], 0x12);
  EXPECT_EQ(b.Pedir({0x0C, 39}, 2'000'000), Bytes{39});
  EXPECT_EQ(b.m.Segmento_flash(32)[0], 0xFF);
  Bytes opciones = Serie(50, 0x70);
  b.Pedir(Paquete_bloque(0xAB, 0x6000, opciones));
  EXPECT_EQ(b.Pedir({0x06, 0x03}, 2'000'000), (Bytes{0x03, 0x60}));
  auto k0 = b.m.Segmento_flash(0);
  EXPECT_TRUE(std::equal(opciones.begin(), opciones.end(), k0.begin() + 0x6000));
  // The status block the updater reads is now the options' bytes.
  Bytes estado = b.Pedir({0x01, 0x00, 0x10, 0x60, 0x20});
  EXPECT_EQ(estado[2], opciones[16]);

  EXPECT_EQ(b.Pedir({0x0C, 0x03}, 2'000'000), Bytes{0x03});
  EXPECT_EQ(b.m.Segmento_flash(0)[0x6000], 0xFF);
  EXPECT_EQ(b.Pedir({0x0C, 200}, 2'000'000), Bytes{});  // no such sector
}

TEST(Sectores, ConfirmarSinEcoContestaSolo0x60) {
  Config_medidor c;
  c.confirmar_sin_eco = true;
  Banco b(c);
  b.Cargar_cargador();
  b.Pedir(Paquete_bloque(0xAB, 0x6000, {0x34}));
  EXPECT_EQ(b.Pedir({0x06, 0x03}, 2'000'000), Bytes{0x60});
  EXPECT_EQ(b.m.Segmento_flash(0)[0x6000], 0x34);
}

// --- Baud-rate switch --------------------------------------------------------------

TEST(Velocidad, ElCambioDejaLaVelocidadViejaComoBasura) {
  Banco b;
  // 02 05 00 B4 FE 01 00: code 1 at page 0, offset 0xFEB4.
  EXPECT_TRUE(b.Pedir({0x02, 0x05, 0x00, 0xB4, 0xFE, 0x01, 0x00}).empty());
  EXPECT_EQ(b.m.Baudios(), 500000u);
  EXPECT_TRUE(b.Pedir({0x00}).empty());  // sent at 115,200: framing errors
  b.baudios = 500000;
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
  // Its answers read at the old rate are not the meter's bytes.
  b.Enviar({0x00});
  b.baudios = 115200;
  Bytes r = b.Esperar(10'000);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0], 0x5D);
}

TEST(Velocidad, CodigosDeVelocidad) {
  for (auto [codigo, baudios] : {std::pair{1, 500000u}, {3, 250000u}, {8, 115200u}}) {
    Banco b;
    b.Pedir({0x02, 0x05, 0x00, 0xB4, 0xFE, static_cast<uint8_t>(codigo), 0x00});
    EXPECT_EQ(b.m.Baudios(), baudios) << codigo;
  }
}

TEST(Velocidad, ConRitmoLaRespuestaEsperaAlPaquete) {
  Config_medidor c;
  c.ritmo = true;
  Banco b(c);
  Bytes p = Paquete_area(0, Serie(128, 5));
  b.Enviar(p);
  // 133 bytes of 11 bits at 115,200 baud take about 12.7 ms.
  EXPECT_TRUE(b.Esperar(12'500).empty());
  EXPECT_EQ(b.Esperar(1'000), Bytes{0xA5});
}

// --- MPEG-4 module -----------------------------------------------------------------

TEST(Mpeg4, InformacionYNumeroDeSerie) {
  Config_medidor c;
  c.mpeg4_actual = {0x0102, 0x0304, 0x05, 0x06};
  c.mpeg4_serie = "ABC";
  Banco b(c);
  EXPECT_EQ(b.Pedir({0xBF}), (Bytes{0xFB, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
  Bytes s = b.Pedir({0xC0});
  ASSERT_EQ(s.size(), 66u);
  EXPECT_EQ(s[0], 0x0C);
  EXPECT_EQ(s[2], 'A');
  EXPECT_EQ(s[4], 'C');
  EXPECT_EQ(s[5], 0);

  c.mpeg4 = false;
  Banco sin(c);
  EXPECT_TRUE(sin.Pedir({0xBF}).empty());
  EXPECT_TRUE(sin.Pedir({0xC0}).empty());
}

struct Imagenes_mpeg4 {
  Bytes aplicacion;
  Bytes etapa2;
};

Imagenes_mpeg4 Preparar_mpeg4(Banco& b, size_t tamano, const char* cabecera) {
  Imagenes_mpeg4 im{Serie(tamano, 0x33), Serie(76, 0x99)};
  std::memcpy(im.aplicacion.data(), cabecera, 4);
  uint8_t segmento = 0xB0;
  uint32_t direccion = 0;
  for (size_t i = 0; i < tamano; i += 200) {
    size_t n = std::min<size_t>(200, tamano - i);
    Bytes trozo(im.aplicacion.begin() + static_cast<long>(i),
                im.aplicacion.begin() + static_cast<long>(i + n));
    EXPECT_EQ(b.Pedir(Paquete_bloque(segmento, static_cast<uint16_t>(direccion), trozo), 2000),
              Bytes{'0'});
    if (direccion + n > 0xFFFF) ++segmento;
    direccion = (direccion + static_cast<uint32_t>(n)) & 0xFFFF;
  }
  for (size_t i = 0; i < im.etapa2.size(); i += 32) {
    size_t n = std::min<size_t>(32, im.etapa2.size() - i);
    Bytes trozo(im.etapa2.begin() + static_cast<long>(i),
                im.etapa2.begin() + static_cast<long>(i + n));
    b.Pedir(Paquete_bloque(0x81, static_cast<uint16_t>(i), trozo), 2000);
  }
  return im;
}

Bytes Orden_mpeg4(uint8_t codigo, uint32_t tamano) {
  return {codigo,
          0x00,
          0x00,
          0x20,
          0x00,
          static_cast<uint8_t>(tamano),
          static_cast<uint8_t>(tamano >> 8),
          static_cast<uint8_t>(tamano >> 16),
          static_cast<uint8_t>(tamano >> 24)};
}

TEST(Mpeg4, ActualizacionDelModulo) {
  Config_medidor c;
  c.t_mpeg4_us = 60'000'000;
  c.t_reinicio_us = 3'000'000;
  Banco b(c);
  b.Cargar_cargador();
  // The module update runs at the fast rate, and answers at the start rate.
  b.Pedir({0x02, 0x05, 0x00, 0xB4, 0xFE, 0x01, 0x00});
  b.baudios = 500000;
  Imagenes_mpeg4 im = Preparar_mpeg4(b, 70'100, "RDHB");
  EXPECT_EQ(b.Pedir({0x0D, 0x00}).size(), 1u);
  b.Enviar(Orden_mpeg4(0x4C, 70'100));
  b.baudios = 115200;
  EXPECT_TRUE(b.Esperar(59'000'000).empty());
  EXPECT_EQ(b.Esperar(2'000'000), Bytes{0xBB});

  const Estado_mpeg4& m = b.m.Mpeg4();
  EXPECT_EQ(m.codigo_inicio, 0x4C);
  EXPECT_EQ(m.aplicacion, im.aplicacion);
  EXPECT_EQ(m.etapa2, im.etapa2);
  EXPECT_EQ(m.actualizaciones, 1);
  // Restarting after the update; then the new versions are reported.
  EXPECT_TRUE(b.Pedir({0x00}).empty());
  b.Esperar(3'000'000);
  EXPECT_EQ(b.Pedir({0xBF}), (Bytes{0xFB, 0x00, 0x00, 133, 0x00, 0x00, 5, 2}));
}

TEST(Mpeg4, SinCabeceraNoTermina) {
  Config_medidor c;
  c.t_mpeg4_us = 10'000'000;
  Banco b(c);
  b.Cargar_cargador();
  Preparar_mpeg4(b, 1000, "XXXX");
  b.Pedir({0x0D, 0x00});
  b.Enviar(Orden_mpeg4(0xCC, 1000));
  EXPECT_TRUE(b.Esperar(30'000'000).empty());
  EXPECT_EQ(b.m.Mpeg4().actualizaciones, 0);
}

// --- Restarts ----------------------------------------------------------------------

TEST(Reinicio, FinDelCargadorReiniciaYPierdeElCargador) {
  Config_medidor c;
  c.t_reinicio_us = 2'000'000;
  Banco b(c);
  b.Cargar_cargador();
  b.Pedir(Paquete_bloque(0xAB, 0, {1, 2, 3}));
  EXPECT_TRUE(b.Pedir({0x0F, 0x00}).empty());
  EXPECT_TRUE(b.Pedir({0x00}, 1'500'000).empty());
  b.Esperar(600'000);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
  EXPECT_TRUE(b.Pedir({0xAA}).empty());
  EXPECT_EQ(b.m.Memoria().Preparacion(0xAB)[0], 0xFF);
}

TEST(Reinicio, VuelveA115200) {
  Config_medidor c;
  c.t_reinicio_us = 1'000'000;
  Banco b(c);
  b.Cargar_cargador();
  b.Pedir({0x02, 0x05, 0x00, 0xB4, 0xFE, 0x01, 0x00});
  b.baudios = 500000;
  b.Pedir({0x0F, 0x00}, 2'000'000);
  EXPECT_TRUE(b.Pedir({0x00}).empty());
  b.baudios = 115200;
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
}

TEST(Liberacion, ElMedidorPuedePedirQueLoSuelten) {
  Banco b;
  b.m.Enviar_liberacion(b.t + 5'000);
  EXPECT_EQ(b.Esperar(10'000), Bytes{0x0A});
  EXPECT_TRUE(b.Pedir({0x0A}).empty());
}

}  // namespace
}  // namespace r27::sim

namespace r27::sim {
namespace {

// Noise on the line, in every stage, breaks nothing: the meter stays within its
// memories and, once the line is quiet, answers a probe again.
TEST(Robustez, RuidoEnCadaEtapa) {
  for (int etapa = 0; etapa < 4; ++etapa) {
    Config_medidor c;
    c.etapa_arranque = etapa == 1;
    c.t_mpeg4_us = 10'000'000;
    Banco b(c);
    if (etapa == 2) b.Cargar_cargador();
    if (etapa == 3) b.Pedir({0xBB}, 10'000);
    Generador g(1234 + static_cast<uint64_t>(etapa));
    for (int i = 0; i < 2000; ++i) {
      Bytes ruido(g.Siguiente() % 300);
      for (auto& x : ruido) x = static_cast<uint8_t>(g.Siguiente());
      b.Pedir(ruido, g.Siguiente() % 400'000);
    }
    b.Esperar(1'200'000'000);
    // The boot stage takes any 32 + 1096 bytes as its bootstrap load, so noise
    // may have left it in the loader.
    Bytes r;
    for (int intento = 0; intento < 3 && r != Bytes{0x5D} && r != Bytes{0xD5}; ++intento) {
      r = b.Pedir({0x00}, 10'000'000);
    }
    EXPECT_TRUE(r == Bytes{0x5D} || (etapa == 1 && r == Bytes{0xD5})) << "etapa " << etapa;
  }
}

}  // namespace
}  // namespace r27::sim
