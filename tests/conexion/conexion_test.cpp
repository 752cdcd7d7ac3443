// The meter connection against the simulated meter in process (virtual time) and,
// where a reply must be cut short or delayed to the second, against a transcript.
#include "app/nucleo/conexion.h"

#include <gtest/gtest.h>

#include "app/nucleo/es_windows64.h"
#include "components/memoria_medidor.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/conexion/banco_conexion.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Peticion;

Bytes Repetir(const Bytes& b, int veces) {
  Bytes r;
  for (int i = 0; i < veces; ++i) r.insert(r.end(), b.begin(), b.end());
  return r;
}

// --- Handshake ---------------------------------------------------------------

TEST(Conexion, UnDispositivoQueNoEsMedidorSeSondeaCuatroVecesConLiberacion) {
  for (const bool basura : {true, false}) {
    SCOPED_TRACE(basura ? "garbage" : "silent");
    Banco_conexion b;
    auto& linea = basura ? b.Basura(3) : b.Mudo(3);
    b.Conectar(3);
    EXPECT_EQ(linea.Bytes(), Repetir({0x00, 0x0A}, 4));
    EXPECT_FALSE(b.v.estado.conectado);
    EXPECT_FALSE(b.v.Puerto().Esta_abierto());
    EXPECT_FALSE(b.v.estado.respuesta_m);
    EXPECT_FALSE(b.timer.habilitado);
    EXPECT_TRUE(b.v.mensajes.empty());
    EXPECT_EQ(b.backend.Pulsos_rts().size(), 4u * 32u);
    // Between a release and the next probe: 100 ms, the pulse train, 100 ms.
    for (size_t i = 2; i < linea.recibidos.size(); i += 2)
      EXPECT_GE(linea.recibidos[i].t_us - linea.recibidos[i - 1].t_us, 840'000u);
  }
}

TEST(Conexion, LaRespuestaMTerminaElSondeoTrasUnaSolaPrueba) {
  Banco_conexion b;
  Config_medidor c;
  c.rechazo = true;
  b.Medidor(4, c);
  b.Conectar(4);
  EXPECT_EQ(b.Linea(4).Bytes(), (Bytes{0x00, 0x0A}));
  EXPECT_TRUE(b.v.estado.respuesta_m);
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.Puerto().Esta_abierto());

  // 16 pulses of 20 ms up and 20 ms down, then 100 ms before the probe.
  const auto& pulsos = b.backend.Pulsos_rts();
  ASSERT_EQ(pulsos.size(), 32u);
  for (size_t i = 0; i < pulsos.size(); ++i) {
    EXPECT_EQ(pulsos[i].activo, i % 2 == 0) << i;
    if (i > 0) {
      EXPECT_EQ(pulsos[i].t_us - pulsos[i - 1].t_us, 20'000u) << i;
    }
  }
  const uint64_t tras_pulsos = b.Linea(4).recibidos[0].t_us - pulsos.back().t_us;
  EXPECT_GE(tras_pulsos, 120'000u);  // the last 20 ms low, then 100 ms
  EXPECT_LT(tras_pulsos, 130'000u);
}

TEST(Conexion, UnPuertoQueNoAbreNoEsUnMedidor) {
  Banco_conexion b;
  b.Conectar(7);  // nothing behind COM7
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_TRUE(b.backend.Pulsos_rts().empty());
  EXPECT_EQ(b.backend.Aperturas(), std::vector<int>{7});
}

TEST(Conexion, ElMedidorEnAplicacionQuedaConectadoConLaVigilanciaEnMarcha) {
  Banco_conexion b;
  auto& m = b.Medidor(2);
  b.Conectar(2);
  EXPECT_TRUE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.estado.modo_arranque);
  EXPECT_TRUE(b.timer.habilitado);
  EXPECT_EQ(b.conexion.Diferencial(), nullptr);
  EXPECT_EQ(m.Cuenta(Peticion::Sondeo), 1u);
  EXPECT_EQ(b.backend.Pulsos_rts().size(), 32u);

  // A second click lets it go: 0x0A last, the port closed, the watch off.
  const uint64_t antes = b.v.reloj.Ahora_us();
  b.conexion.Boton_ConectarClick();
  EXPECT_EQ(b.Linea(2).Bytes().back(), 0x0A);
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.Puerto().Esta_abierto());
  EXPECT_FALSE(b.timer.habilitado);
  EXPECT_GE(b.v.reloj.Ahora_us() - antes, 100'000u);
}

TEST(Conexion, ElMedidorEnArranqueRecibeElCargador) {
  Banco_conexion b;
  Config_medidor c;
  c.etapa_arranque = true;
  auto& m = b.Medidor(5, c);
  b.Conectar(5);
  EXPECT_TRUE(b.v.estado.modo_arranque);
  EXPECT_TRUE(b.v.estado.conectado);
  EXPECT_EQ(m.Cargador().arranque.size(), 32u + 1096u);
  EXPECT_EQ(m.Etapa_actual(), sim::Etapa::Cargador);
  EXPECT_TRUE(b.v.pitidos.empty());  // 0xAD came: a wrong byte would beep
  EXPECT_NE(b.conexion.Diferencial(), nullptr);
  EXPECT_FALSE(b.conexion.Decidir_fpga());  // no FPGA decision in the boot stage
}

TEST(Conexion, ElIndiceDeIdiomaFueraDe0a9Es1) {
  struct Caso {
    uint8_t idioma;
    bool sin_respuesta;
    int esperado;
  };
  for (const Caso caso : {Caso{0, false, 0}, Caso{9, false, 9}, Caso{10, false, 1},
                          Caso{255, false, 1}, Caso{4, true, 1}}) {
    SCOPED_TRACE(int{caso.idioma});
    Banco_conexion b;
    Config_medidor c;
    c.idioma = caso.idioma;
    // The language read is the first memory read: lose all five attempts.
    if (caso.sin_respuesta)
      c.fallos.push_back({sim::Tipo_fallo::Ack_perdido, Peticion::Lectura_memoria, 1, 5, 0.0, 0});
    b.Medidor(1, c);
    b.v.estado.idioma_medidor = 6;
    b.Conectar(1);
    ASSERT_TRUE(b.v.estado.conectado);
    EXPECT_EQ(b.v.estado.idioma_medidor, caso.esperado);
  }
}

TEST(Conexion, LosBotonesDeCierreAbandonanElIntentoSinTrafico) {
  Banco_conexion b;
  b.Medidor(1);
  b.v.al_procesar_mensajes = [&] { b.v.estado.saliendo = true; };
  b.Conectar(1);
  EXPECT_TRUE(b.Linea(1).recibidos.empty());
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.Puerto().Esta_abierto());

  b.conexion.Reconectar();
  EXPECT_TRUE(b.Linea(1).recibidos.empty());
  EXPECT_TRUE(b.v.mensajes.empty());  // a closing window gets no "USB error"
}

// --- Reconnect ---------------------------------------------------------------

TEST(Reconectar, DiezSondeosSinRespuestaDanUsbErrorConPitido) {
  for (const bool arranque : {false, true}) {
    SCOPED_TRACE(arranque ? "boot-stage answer" : "silent");
    Banco_conexion b;
    Dispositivo_grabado* linea = &b.Mudo(2);
    if (arranque) {
      Config_medidor c;
      c.etapa_arranque = true;  // 0xD5 is no answer to a reconnect
      b.Medidor(3, c);
      linea = &b.Linea(3);
    }
    b.v.estado.puerto = arranque ? 3 : 2;
    b.conexion.Reconectar();
    EXPECT_EQ(linea->Bytes(), Repetir({0x00, 0x0A}, 10));
    EXPECT_EQ(b.v.mensajes, std::vector<std::string>{"USB error"});
    EXPECT_TRUE(b.v.Un_pitido_de_fallo());
    EXPECT_FALSE(b.v.estado.conectado);
    EXPECT_FALSE(b.v.Puerto().Esta_abierto());
  }
}

TEST(Reconectar, UnMedidorConectadoSeSueltaYVuelveSinLeerLaIdentidad) {
  Banco_conexion b;
  auto& m = b.Medidor(1);
  b.Conectar(1);
  ASSERT_TRUE(b.timer.habilitado);
  const uint32_t lecturas = m.Cuenta(Peticion::Lectura_memoria);
  const size_t antes = b.Linea(1).recibidos.size();
  b.conexion.Reconectar();
  const Bytes todo = b.Linea(1).Bytes();
  EXPECT_EQ(Bytes(todo.begin() + static_cast<long>(antes), todo.end()), (Bytes{0x0A, 0x00}));
  EXPECT_TRUE(b.v.estado.conectado);
  EXPECT_FALSE(b.timer.habilitado);
  EXPECT_EQ(m.Cuenta(Peticion::Lectura_memoria), lecturas);
  EXPECT_TRUE(b.v.mensajes.empty());
}

// A meter that has just restarted answers each probe after `retraso_ms`: the
// reconnect reads the answer once, 15 x 10 ms after the probe.
TEST(Reconectar, LaRespuestaCuentaSoloDentroDeLos150ms) {
  struct Caso {
    uint32_t retraso_ms;
    bool conecta;
  };
  for (const Caso k :
       {Caso{0, true}, Caso{140, true}, Caso{150, true}, Caso{200, false}, Caso{400, false}}) {
    SCOPED_TRACE(k.retraso_ms);
    Ventana_con_guion g;
    Temporizador_falso timer;
    Conexion conexion(g.v, timer);
    g.guion->retraso_respuesta_ms = k.retraso_ms;
    g.guion->al_escribir = [](std::span<const uint8_t> b) {
      return b.size() == 1 && b[0] == kSondeo ? Bytes{kRespuesta_aplicacion} : Bytes{};
    };
    conexion.Reconectar();
    EXPECT_EQ(g.v.estado.conectado, k.conecta);
    // A late answer is drained before the next probe, so every probe goes unanswered.
    EXPECT_EQ(g.guion->Veces_escrito({kSondeo}), k.conecta ? 1u : 10u);
    EXPECT_EQ(g.v.mensajes.empty(), k.conecta);
  }
}

TEST(Reconectar, UnPuertoQueNoAbreTambienDaUsbError) {
  Banco_conexion b;
  b.v.estado.puerto = 9;
  b.conexion.Reconectar();
  EXPECT_EQ(b.v.mensajes, std::vector<std::string>{"USB error"});
  EXPECT_TRUE(b.v.Un_pitido_de_fallo());
}

// --- Disconnect watch --------------------------------------------------------

TEST(Vigilancia, ConsumeOtrosBytesYSueltaAlRecibir0A) {
  Ventana_con_guion g;
  Temporizador_falso timer;
  Conexion conexion(g.v, timer);
  g.v.estado.conectado = true;
  timer.Habilitar();
  Conexion::Reposo reposo(conexion);  // the watch reads only while the program is idle
  g.guion->Responder({0x55});
  conexion.Mira_desconexion();
  EXPECT_TRUE(g.v.estado.conectado);
  EXPECT_TRUE(g.guion->Escrito().empty());
  uint8_t byte = 0;
  EXPECT_EQ(g.v.Puerto().Leer(&byte, 1), 0u);  // the stray byte was consumed

  g.guion->Responder({0x0A}).Esperar({0x0A});
  conexion.Mira_desconexion();
  EXPECT_TRUE(g.guion->Cumplido()) << g.guion->Resumen();
  EXPECT_FALSE(g.v.estado.conectado);
  EXPECT_EQ(g.guion->Escrito(), Bytes{0x0A});
  EXPECT_FALSE(g.v.Puerto().Esta_abierto());
  EXPECT_FALSE(timer.habilitado);
}

TEST(Vigilancia, UnaLiberacionSinConexionNoConecta) {
  Ventana_con_guion g;
  Temporizador_falso timer;
  Conexion conexion(g.v, timer);
  Conexion::Reposo reposo(conexion);
  g.guion->Responder({0x0A});
  conexion.Mira_desconexion();
  EXPECT_TRUE(g.guion->Escrito().empty());
  EXPECT_FALSE(g.v.estado.conectado);
}

TEST(Vigilancia, ElMedidorPideQueLoSuelten) {
  Banco_conexion b;
  auto& m = b.Medidor(1);
  b.Conectar(1);
  m.Enviar_liberacion(b.v.reloj.Ahora_us());
  // While a request may be waiting for its answer the watch leaves the line alone.
  b.conexion.Mira_desconexion();
  EXPECT_TRUE(b.v.estado.conectado);
  {
    Conexion::Reposo reposo(b.conexion);
    b.conexion.Mira_desconexion();
  }
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_EQ(b.Linea(1).Bytes().back(), 0x0A);
  EXPECT_FALSE(b.timer.habilitado);
}

// --- Tick decision -----------------------------------------------------------

struct Caso_ticks {
  const char* nombre;
  const char* familia;
  const char* region;
  const char* version;
  const char* build;
  uint8_t fpga_menor;
  uint16_t mpeg4_aplicacion;
  // Expected ticks: firmware (with FPGA, zone, MPEG-4), erase; and readiness.
  bool firmware;
  bool borrar;
  bool listo;
};

class Decidir_pasos_casos : public ::testing::TestWithParam<Caso_ticks> {};

TEST_P(Decidir_pasos_casos, MarcaLosPasosQueElMedidorNecesita) {
  const Caso_ticks& k = GetParam();
  Banco_conexion b;
  Config_medidor c;
  c.familia = k.familia;
  c.region = k.region;
  c.version = k.version;
  c.build = k.build;
  c.fpga_menor = k.fpga_menor;
  c.mpeg4_actual = {k.mpeg4_aplicacion, 0, 5, 2};
  b.Medidor(1, c);
  b.v.estado.Check_teclado = b.v.estado.Check_planes = true;  // cleared by the decision
  b.Conectar(1);
  ASSERT_TRUE(b.v.estado.conectado);
  const Estado_ventana& e = b.v.estado;
  EXPECT_EQ(e.Check_firmware, k.firmware);
  EXPECT_EQ(e.Check_fpga, k.firmware);
  EXPECT_EQ(e.Check_configuracion, k.firmware);
  EXPECT_EQ(e.Check_mpeg4_apl, k.firmware);
  EXPECT_EQ(e.Check_borrar, k.borrar);
  EXPECT_FALSE(e.Check_teclado);
  EXPECT_FALSE(e.Check_planes);
  EXPECT_EQ(b.conexion.Medidor_listo(), k.listo);
  EXPECT_EQ(e.familia_ajena, std::string(k.familia) == "VMK");
}

INSTANTIATE_TEST_SUITE_P(
    Medidores, Decidir_pasos_casos,
    ::testing::Values(
        Caso_ticks{"igual", "QZT", "EUR", "3.01", "00000", 3, 133, false, false, false},
        Caso_ticks{"anterior", "QZT", "EUR", "3.00", "00000", 3, 133, true, false, true},
        Caso_ticks{"prueba", "QZT", "EUR", "3.01", "00004", 3, 133, true, false, true},
        Caso_ticks{"posterior", "QZT", "EUR", "3.02", "00000", 3, 133, false, false, false},
        Caso_ticks{"v1_10", "QZT", "EUR", "1.10", "00000", 3, 133, true, true, true},
        Caso_ticks{"v1_11", "QZT", "EUR", "1.11", "00000", 3, 133, true, false, true},
        // The FPGA rule alone never survives a clear firmware tick.
        Caso_ticks{"fpga_3_2", "QZT", "EUR", "3.01", "00000", 2, 133, false, false, false},
        // An old module brings the firmware and all that goes with it.
        Caso_ticks{"modulo_132", "QZT", "EUR", "3.01", "00000", 3, 132, true, false, true},
        Caso_ticks{"vmk", "VMK", "EUR", "3.01", "00000", 3, 133, false, false, false},
        Caso_ticks{"usa", "QZT", "USA", "3.00", "00000", 3, 133, true, false, false}),
    [](const auto& caso) { return std::string(caso.param.nombre); });

TEST(Decidir, ReglasSueltasLeidasDelMedidor) {
  Banco_conexion b;
  Config_medidor c;
  c.version = "3.01";
  c.fpga_menor = 3;
  c.bloque_estado[26] = 0x20;
  b.Medidor(1, c);
  b.Conectar(1);
  EXPECT_FALSE(b.conexion.Decidir_fpga());  // "3.3": clear before the firmware rule
  EXPECT_FALSE(b.conexion.Decidir_firmware());
  EXPECT_TRUE(b.v.estado.familia_valida);
  b.conexion.Medidor_listo();
  EXPECT_FALSE(b.v.estado.estado_b5);  // bit 5 of byte 26 set

  // A test build of the embedded image is compared on all ten characters.
  b.Fijar_version_fichero("3.01.00012");
  EXPECT_TRUE(b.conexion.Decidir_firmware());
}

// --- MPEG-4 module information -----------------------------------------------

Bytes Respuesta_info(uint16_t aplicacion, uint16_t build, uint8_t decodificadores,
                     uint8_t arranque) {
  return {0xFB,
          0x00,
          uint8_t(aplicacion >> 8),
          uint8_t(aplicacion),
          uint8_t(build >> 8),
          uint8_t(build),
          decodificadores,
          arranque};
}

Bytes Respuesta_serie(uint8_t marca) {
  Bytes r{0x0C, 64};
  r.resize(2 + 64, 'S');
  r.push_back(marca);  // not part of the answer: shows where reading stopped
  return r;
}

struct Banco_guion {
  Banco_guion() : conexion(g.v, timer) { g.v.estado.conectado = true; }
  uint8_t Siguiente() {
    uint8_t b = 0;
    g.v.Puerto().Leer(&b, 1);
    return b;
  }
  Ventana_con_guion g;
  Temporizador_falso timer;
  Conexion conexion;
};

TEST(Info_mpeg4, UnaRespuestaQueSeCortaTrasElBuildDejaArranqueYDecodificadoresSinLeer) {
  Banco_guion b;
  b.g.guion->Intercambio({0xBF}, {0xFB, 0x00, 0x00, 0x64, 0x00, 0x05});
  const uint64_t inicio = b.g.v.reloj.Ahora_us();
  EXPECT_FALSE(b.conexion.Decidir_mpeg4());
  const Datos_mpeg4& d = b.g.v.estado.mpeg4;
  EXPECT_EQ(d.version_aplicacion, 100);
  EXPECT_EQ(d.build_aplicacion, 5);
  EXPECT_EQ(d.version_decoders, 0xFF);
  EXPECT_EQ(d.version_boot, 0xFF);
  EXPECT_EQ(b.g.guion->Veces_escrito({0xC0}), 0u);
  const uint64_t duracion = b.g.v.reloj.Ahora_us() - inicio;
  EXPECT_GE(duracion, 9'000'000u);  // waited out the 10 s of the request
  EXPECT_LE(duracion, 10'100'000u);
}

TEST(Info_mpeg4, LasEsperasDeLaInformacion) {
  struct Caso {
    const char* nombre;
    std::vector<std::pair<Bytes, uint32_t>> respuestas;  // bytes, delay from the request
    Datos_mpeg4 esperado;
  };
  const std::vector<Caso> casos = {
      {"sin respuesta", {}, {}},
      {"otro byte", {{{0xFA, 0x00, 0x00, 0x84, 0x00, 0x00, 5, 2}, 0}}, {}},
      // 0xFB in the tenth second; the bytes count from the request, not from it.
      {"tarde", {{{0xFB, 0x00, 0x00, 0x84}, 9500}, {{0x00, 0x01, 5, 2}, 10300}}, {132}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Banco_guion b;
    b.g.guion->Esperar({0xBF});
    for (const auto& [bytes, retraso] : caso.respuestas) b.g.guion->Responder(bytes, retraso);
    b.conexion.Info_mpeg4();
    const Datos_mpeg4& d = b.g.v.estado.mpeg4;
    EXPECT_EQ(d.version_aplicacion, caso.esperado.version_aplicacion);
    EXPECT_EQ(d.build_aplicacion, caso.esperado.build_aplicacion);
    EXPECT_EQ(d.version_decoders, 0xFF);
    EXPECT_EQ(d.version_boot, 0xFF);
    EXPECT_EQ(b.g.guion->Veces_escrito({0xC0}), 0u);
  }
}

TEST(Info_mpeg4, ElNumeroDeSerieSoloCuentaDentroDeTresSegundos) {
  struct Caso {
    uint32_t retraso_0c_ms;
    uint32_t retraso_longitud_ms;
    uint32_t retraso_serie_ms;
    bool leido;  // the whole answer was read off the line
  };
  // The request goes out a few ms after a whole second of the clock.
  for (const Caso caso :
       {Caso{2800, 2800, 2800, true}, Caso{3900, 3900, 3900, false}, Caso{500, 9500, 9500, true},
        // 64 bytes 9 s after the length byte: the clock restarted.
        Caso{500, 5000, 14000, true}, Caso{500, 10500, 10500, false}}) {
    SCOPED_TRACE(caso.retraso_0c_ms);
    SCOPED_TRACE(caso.retraso_serie_ms);
    Banco_guion b;
    b.g.guion->Intercambio({0xBF}, Respuesta_info(133, 7, 5, 2)).Esperar({0xC0});
    const Bytes serie = Respuesta_serie(0x77);
    b.g.guion->Responder({serie[0]}, caso.retraso_0c_ms)
        .Responder({serie[1]}, caso.retraso_longitud_ms)
        .Responder(Bytes(serie.begin() + 2, serie.end()), caso.retraso_serie_ms);
    b.conexion.Info_mpeg4();
    const Datos_mpeg4& d = b.g.v.estado.mpeg4;
    EXPECT_EQ(d.version_aplicacion, 133);  // stored before the serial number, kept
    EXPECT_EQ(d.build_aplicacion, 7);
    EXPECT_EQ(d.version_decoders, 5);
    EXPECT_EQ(d.version_boot, 2);
    if (caso.leido)
      EXPECT_EQ(b.Siguiente(), 0x77);
    else
      EXPECT_NE(b.Siguiente(), 0x77);
  }
}

TEST(Info_mpeg4, ConLaVersionCeroSeSueltaEsperaReconectaYVuelveAPreguntar) {
  Banco_conexion b;
  Config_medidor c;
  c.version = "3.01";
  c.fpga_menor = 3;
  c.mpeg4_actual = {0, 0, 5, 2};
  auto& m = b.Medidor(1, c);
  b.Conectar(1);
  EXPECT_EQ(m.Cuenta(Peticion::Info_mpeg4), 2u);
  EXPECT_EQ(m.Cuenta(Peticion::Sondeo), 2u);
  EXPECT_TRUE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.estado.Check_mpeg4_apl);
  EXPECT_FALSE(b.v.estado.Check_firmware);
  // Between the two queries: the release, 5 s, the reconnect.
  std::vector<uint64_t> consultas;
  for (const auto& r : b.Linea(1).recibidos)
    if (r.valor == 0xBF) consultas.push_back(r.t_us);
  ASSERT_EQ(consultas.size(), 2u);
  EXPECT_GE(consultas[1] - consultas[0], 5'000'000u + 640'000u);
}

TEST(Info_mpeg4, UnModuloQueNoArrancaNoAnidaConexionesSinFin) {
  Banco_conexion b;
  Config_medidor c;
  c.version = "3.01";
  c.fpga_menor = 3;
  c.mpeg4_actual = {0, 0, 5, 2};
  // Probe 1 connects, 2-11 fail the reconnect, 12 connects again from inside
  // the module query, and every later probe goes unanswered.
  c.fallos.push_back({sim::Tipo_fallo::Ack_perdido, Peticion::Sondeo, 2, 10, 0.0, 0});
  c.fallos.push_back({sim::Tipo_fallo::Ack_perdido, Peticion::Sondeo, 13, 1000, 0.0, 0});
  auto& m = b.Medidor(1, c);
  b.Conectar(1);
  EXPECT_EQ(m.Cuenta(Peticion::Sondeo), 22u);
  EXPECT_EQ(b.v.mensajes, (std::vector<std::string>{"USB error", "USB error"}));
  EXPECT_FALSE(b.v.estado.conectado);
  EXPECT_FALSE(b.v.estado.Check_mpeg4_apl);
}

// --- Baud-rate switch --------------------------------------------------------

Bytes Bloque_velocidad(uint8_t codigo) {
  Bytes b{0x5A, 0x00, 0x00, 0x00, codigo};
  b.resize(4 + 128, 0x00);  // zero padding
  b.push_back(codigo);      // XOR of address and data
  return b;
}

TEST(Cambiar_velocidad, BytesExactosDeCadaVelocidad) {
  for (const auto& [baudios, codigo] :
       {std::pair{500000u, uint8_t{1}}, std::pair{250000u, uint8_t{3}},
        std::pair{115200u, uint8_t{8}}}) {
    SCOPED_TRACE(baudios);
    Banco_guion b;
    b.g.guion->Intercambio(Bloque_velocidad(codigo), {0xA5})
        .Esperar({0x02, 0x05, 0x00, 0xB4, 0xFE, codigo, 0x00});
    EXPECT_TRUE(b.conexion.Cambiar_velocidad_medidor(baudios));
    EXPECT_TRUE(b.g.guion->Cumplido()) << b.g.guion->Resumen();
    const auto& e = b.g.guion->Escrituras();
    EXPECT_GE(e.back().instante_us - e.front().instante_us, 500'000u);
    EXPECT_EQ(b.g.v.estado.codigo_error, 0);
  }
}

TEST(Cambiar_velocidad, SinAcuseQuedaElCodigo8SiNoHabiaOtro) {
  for (const int32_t previo : {0, 5}) {
    Banco_guion b;
    b.g.guion->aceptar_sobrantes = true;
    b.g.v.estado.codigo_error = previo;
    EXPECT_FALSE(b.conexion.Cambiar_velocidad_medidor(500000));
    EXPECT_EQ(b.g.guion->Veces_escrito(Bloque_velocidad(1)), 10u);
    EXPECT_EQ(b.g.guion->Veces_escrito({0x02, 0x05, 0x00, 0xB4, 0xFE}), 0u);
    EXPECT_EQ(b.g.v.estado.codigo_error, previo == 0 ? 8 : previo);
  }
  Banco_guion b;  // a rate the meter does not know: nothing is sent
  b.g.guion->aceptar_sobrantes = true;
  EXPECT_FALSE(b.conexion.Cambiar_velocidad_medidor(9600));
  EXPECT_TRUE(b.g.guion->Escrito().empty());
  EXPECT_EQ(b.g.v.estado.codigo_error, 8);
}

TEST(Cambiar_velocidad, MedidorYPuertoPasanA500000) {
  Banco_conexion b;
  Config_medidor c;
  c.idioma = 3;
  auto& m = b.Medidor(1, c);
  b.Conectar(1);
  ASSERT_TRUE(b.conexion.Cambiar_velocidad_medidor(500000));
  b.conexion.Cambiar_velocidad_puerto(500000);
  EXPECT_EQ(m.Baudios(), 500000u);
  EXPECT_EQ(b.backend.Baudios(), 500000u);
  EXPECT_EQ(b.v.estado.linea.BaudRate, 500000u);
  EXPECT_EQ(Leer_idioma(b.v), 3);  // the meter still understands the line
}

TEST(Es_windows64, FalsoFueraDeWindows) { EXPECT_FALSE(Es_windows64()); }

}  // namespace
}  // namespace r27::pruebas
