// The update run against the simulated meter, in process on the virtual clock:
// the budget and the confirmations, the steps in their order with their
// banners, what the meter model holds afterwards, the overall bar, the result
// codes, and the line rate left behind for the next search.
#include "app/nucleo/actualizacion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/nucleo/pantallas.h"
#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/programador_mpeg4.h"
#include "components/tramas_mpeg4.h"
#include "factory/tfparam_defecto.h"
#include "link/codigos_resultado.h"
#include "sim/informe_contenido.h"
#include "tests/actualizacion/banco_actualizacion.h"
#include "tests/apoyo/vista_falsa.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  return t;
}

Config_medidor Medidor_rapido() {
  Config_medidor c;
  c.t_mpeg4_us = 20'000'000;  // the module update, shortened
  return c;
}

struct Banco_secuencia : Banco_actualizacion {
  explicit Banco_secuencia(Pasos p, bool windows64 = false, Config_medidor c = Medidor_rapido())
      : Banco_actualizacion(std::move(c)),
        textos(Textos_con_claves()),
        asistente(v, conexion, vista, directorio_vacio, textos),
        actualizacion(v, conexion, timer, vista, textos) {
    conexion.consulta_windows64 = [windows64] { return windows64; };
    Marcar_pasos(v.estado, p);
    v.barra_general.Al_cambiar([this] { posiciones.push_back(v.barra_general.Posicion()); });
  }
  // Runs the wizard's hand-over with every confirmation answered `respuestas`.
  void Ejecutar(std::deque<bool> respuestas = {true, true}) {
    v.respuestas = std::move(respuestas);
    actualizacion.Ejecutar_actualizacion(asistente);
  }
  bool Correcta() const { return vista.imagen == kImagen_correcta; }

  // The meter answers again after the run, at the rate a new search uses.
  void Comprobar_nueva_conexion() {
    EXPECT_FALSE(v.estado.conectado);
    EXPECT_EQ(v.estado.linea.BaudRate, kBaudios_normales);
    v.reloj.Dormir_ms(5000);  // a meter that restarted at the end is back
    Conectar(1);
    EXPECT_TRUE(v.estado.conectado) << "the next search does not find the meter";
    conexion.Boton_ConectarClick();
  }

  Textos_idioma textos;
  Vista_falsa vista;
  Directorio_vacio directorio_vacio;
  Asistente asistente;
  Actualizacion actualizacion;
  std::vector<int> posiciones;
};

void Comprobar_barra(const Banco_secuencia& b, bool completa) {
  const int maximo = b.v.barra_general.Maximo();
  int previa = 0;
  for (int p : b.posiciones) {
    EXPECT_LE(p, maximo);
    EXPECT_GE(p, previa) << "the overall bar ran backwards";
    previa = p;
  }
  if (completa) {
    EXPECT_EQ(previa, maximo);
  }
}

// --- The budget, the confirmations and the banners ------------------------------

TEST(Actualizar_medidor, PresupuestoConfirmacionesYBanners) {
  struct Caso {
    const char* nombre;
    Pasos pasos;
    bool windows64;
    int maximo;
    const char* minutos;
    size_t preguntas;
    std::vector<int> banners;  // n of "k/n"; empty: no step begun
    bool modulo_al_dia;        // the meter's MPEG-4 module needs no update
    int32_t codigo;            // what the check after writing leaves
  };
  const Caso casos[] = {
      {"32-bit whole update", kCompleta, false, 1020, "17 min.\n", 1, {1, 2, 3, 4}, false, 0},
      {"64-bit whole update", kCompleta, true, 1360, "22 min.\n", 1, {1, 2, 3, 4}, false, 0},
      // The erase alone leaves the meter at 1.05: it still needs its erase and
      // firmware, which the run did not choose; the run itself is proven.
      {"erase only", {false, true}, false, 10, "0 min.\n", 2, {1}, false, 0},
      {"plans with the firmware",
       {false, false, true, false, true, true, false},
       false,
       330,
       "5 min.\n",
       1,
       {1, 2},
       true,
       0},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    c.version = "1.05";  // old enough for the erase to make sense
    if (k.modulo_al_dia) c.mpeg4_actual = c.mpeg4_nueva;
    Banco_secuencia b(k.pasos, k.windows64, c);
    b.Ejecutar();
    EXPECT_EQ(b.v.barra_general.Maximo(), k.maximo);
    ASSERT_EQ(b.v.preguntas.size(), k.preguntas);
    EXPECT_EQ(b.v.preguntas[0], std::string("TIEMPO_TOTAL1") + k.minutos + "AVISOMEM2");
    if (k.preguntas == 2) {
      EXPECT_EQ(b.v.preguntas[1], "AVISOMEM1\nAVISOMEM2");
    }
    std::vector<std::string> esperados;
    for (int i = 1; i <= int(k.banners.size()); ++i)
      esperados.push_back(Linea_banner_paso(b.textos, i, int(k.banners.size())));
    EXPECT_EQ(b.vista.lineas3, esperados);
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo) << b.v.estado.motivo_error.Texto();
    EXPECT_EQ(b.Correcta(), k.codigo == 0);
    Comprobar_barra(b, true);
    // The fast line only where the computer is not 64-bit Windows.
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Bloque_preparacion) > 0, !k.windows64 || k.pasos.borrar);
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Sector_preparacion), k.pasos.borrar ? 3u : 0u);
    b.Comprobar_nueva_conexion();
  }
}

// --- A whole update: what the meter holds afterwards -----------------------------

TEST(Actualizar_medidor, UnaActualizacionCompletaDejaLaMemoriaDelMedidorExacta) {
  Banco_secuencia b(kCompleta);
  // As the readiness check reads the meter's status byte (bit 5 clear).
  b.v.estado.estado_b5 = true;
  b.Ejecutar();
  ASSERT_TRUE(b.Correcta()) << b.v.estado.codigo_error << " " << b.v.estado.motivo_error.Texto();
  EXPECT_EQ(b.v.estado.codigo_error, 0);
  const sim::Medidor_simulado& m = *b.medidor;

  for (const auto& [k, bytes] : Segmentos_de_hex(Imagen_firmware()))
    ASSERT_TRUE(std::ranges::equal(bytes, m.Segmento_flash(k))) << "firmware segment " << k;
  std::vector<std::span<const uint8_t>> conjunto;
  for (const auto& c : Configuraciones_fpga()) conjunto.push_back(c.datos);
  const auto fpga = Construir_imagen_fpga(conjunto);
  ASSERT_TRUE(fpga.has_value());
  for (int k = 48; k <= 54; ++k)
    ASSERT_TRUE(std::equal(m.Segmento_flash(k).begin(), m.Segmento_flash(k).end(),
                           fpga->bytes.begin() + (k - 48) * 0x10000))
        << "FPGA segment " << k;

  // The EEPROM records, as the builders make them for this meter.
  Ventana_falsa otra;
  otra.estado = b.v.estado;
  TFParam_defecto registros(otra);
  registros.Construir_configuracion(b.v.estado.idioma_medidor);
  const auto eeprom = m.Eeprom();
  const auto buffer = registros.Buffer();
  for (uint16_t base : {0x0100, 0x0200})
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 254, eeprom.begin() + base))
        << "configuration at " << base;
  for (uint8_t p = 0; p < 4; ++p) {
    registros.Construir_perfil(p, b.v.estado.idioma_medidor);
    EXPECT_TRUE(std::equal(buffer.begin() + 256 + 256 * p, buffer.begin() + 512 + 256 * p,
                           eeprom.begin() + 0x0300 + 256 * p))
        << "profile " << int(p);
  }

  EXPECT_TRUE(std::ranges::equal(m.Mpeg4().aplicacion, Aplicacion_mpeg4()));
  // r27-sim's report says the same of this meter; one byte changed in a place
  // the step wrote, and the report says which.
  const char* const kTodo_igual = "fpga_conjunto=igual\neeprom_zona=igual\nmpeg4_modulo=igual\n";
  EXPECT_EQ(sim::Informe_contenido(m), kTodo_igual);
  struct Alteracion {
    std::span<uint8_t> memoria;
    size_t posicion;
    const char* informe;
  };
  sim::Memoria_simulada& memoria = b.medidor->Memoria();
  const Alteracion alteraciones[] = {
      {memoria.Segmento_flash(48), 300,
       "fpga_conjunto=distinto\neeprom_zona=igual\nmpeg4_modulo=igual\n"},
      {memoria.Segmento_flash(54), 0x1000,  // the last segment of the set
       "fpga_conjunto=distinto\neeprom_zona=igual\nmpeg4_modulo=igual\n"},
      {memoria.Eeprom(), 0x0180 + 125,  // the last byte of the first copy's second half
       "fpga_conjunto=igual\neeprom_zona=distinto\nmpeg4_modulo=igual\n"},
      {memoria.Eeprom(), 0x0300 + 1023,  // the fourth profile's last byte
       "fpga_conjunto=igual\neeprom_zona=distinto\nmpeg4_modulo=igual\n"},
      {memoria.Eeprom(), 0x0180 + 126,  // beyond the record: not the zone step's
       kTodo_igual},
  };
  for (const Alteracion& a : alteraciones) {
    a.memoria[a.posicion] ^= 0x01;
    EXPECT_EQ(sim::Informe_contenido(m), a.informe) << a.posicion;
    a.memoria[a.posicion] ^= 0x01;
  }
  EXPECT_EQ(sim::Informe_contenido(sim::Medidor_simulado()),
            "fpga_conjunto=distinto\neeprom_zona=distinto\nmpeg4_modulo=distinto\n");

  EXPECT_EQ(b.vista.imagen, kImagen_correcta);
  EXPECT_FALSE(b.vista.boton);
  EXPECT_TRUE(b.vista.menus);
  EXPECT_FALSE(b.vista.numeros);
  EXPECT_EQ(b.asistente.paso_asistente, 0);
  EXPECT_FALSE(b.v.estado.actualizando);
  Comprobar_barra(b, true);
  b.Comprobar_nueva_conexion();
}

// --- Refusals and failures -------------------------------------------------------

TEST(Actualizar_medidor, CadaFinalDejaElMedidorListoParaOtraBusqueda) {
  struct Caso {
    const char* nombre;
    Pasos pasos;
    bool windows64;
    std::deque<bool> respuestas;
    std::vector<Fallo> fallos;
    int32_t codigo;
    bool firmware_escrito;
  };
  const Caso casos[] = {
      {"cancel on 64-bit Windows", kCompleta, true, {false}, {}, 0, false},
      {"cancel after the fast line", kCompleta, false, {false}, {}, 0, false},
      {"cancel at the erase question", {false, true}, false, {true, false}, {}, 0, false},
      {"zone: profiles never acknowledged",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Escritura_eeprom, 1, 5}},
       kCodigo_zona_perfiles,
       false},
      {"FPGA preparation fails",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}},
       kCodigo_preparar_fpga,
       false},
      {"an FPGA block lost twice",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Bloque, 400, 2}},
       kCodigo_fpga_bloque,
       false},
      {"the burn restarts the meter",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1}},
       kCodigo_firmware_grabacion,
       false},
      {"the module does not start (fast line, loader)",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Preparar_mpeg4, 1, 1}},
       kCodigo_mpeg4_sin_inicio,
       true},
      {"the module never reports its end",
       kCompleta,
       false,
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Actualizar_mpeg4, 1, 1}},
       kCodigo_mpeg4_sin_fin,
       true},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    c.version = "1.05";
    c.fallos = k.fallos;
    Banco_secuencia b(k.pasos, k.windows64, c);
    b.Ejecutar(k.respuestas);
    EXPECT_EQ(b.vista.imagen, kImagen_fallida);
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo) << b.v.estado.motivo_error.Texto();
    EXPECT_EQ(b.vista.pantallas.back(), Pantalla_fallida(b.textos, k.codigo));
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion) > 0 && k.firmware_escrito, k.firmware_escrito);
    if (k.respuestas.front() == false) {
      // Nothing was written: no staging, no loader, no EEPROM page.
      for (const auto p : {Peticion::Escritura_eeprom, Peticion::Carga_programa, Peticion::Bloque,
                           Peticion::Sector_preparacion})
        EXPECT_EQ(b.medidor->Cuenta(p), 0u) << sim::Nombre_peticion(p);
    }
    if (k.codigo == kCodigo_preparar_fpga) {
      EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion), 0u);
      EXPECT_EQ(b.medidor->Cuenta(Peticion::Actualizar_mpeg4), 0u);
    }
    Comprobar_barra(b, false);
    b.Comprobar_nueva_conexion();
  }
}

TEST(Actualizar_medidor, UnFalloDelTecladoTerminaEnLaPantallaDeFallo) {
  struct Caso {
    const char* nombre;
    bool fallo_id;
    bool correcta;
    int32_t codigo;
  };
  for (const Caso& k : {Caso{"keyboard programmed", false, true, 0},
                        Caso{"silicon-ID error", true, false, kCodigo_teclado_id}}) {
    SCOPED_TRACE(k.nombre);
    // A meter that needs nothing else, so the check after writing proves the
    // keyboard and erase run when the keyboard was programmed.
    Config_medidor c = Medidor_rapido();
    c.teclado_fallo_id = k.fallo_id;
    c.version = "3.01";
    c.fpga_menor = 3;
    c.mpeg4_actual = c.mpeg4_nueva;
    Banco_secuencia b({true, true}, false, c);
    b.Ejecutar();
    EXPECT_EQ(b.Correcta(), k.correcta);
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo) << b.v.estado.motivo_error.Texto();
    // The erase step still ran after the keyboard, over a reconnection.
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Sector_preparacion), 3u);
    EXPECT_EQ(b.vista.lineas3.size(), 2u);
    b.Comprobar_nueva_conexion();
  }
}

// A keyboard step that finds no meter and cannot connect fails with its own code;
// the sequence goes on (the erase fails for want of a meter, with no code).
TEST(Actualizar_medidor, ElTecladoSinMedidorDaSuCodigo) {
  Banco_secuencia b({true, true});
  b.backend.Desconectar(1);
  b.v.estado.conectado = false;
  b.Ejecutar();
  EXPECT_FALSE(b.Correcta());
  EXPECT_EQ(b.v.estado.codigo_error, kCodigo_teclado_sin_conexion);
  const Desenlace_actualizacion& d = b.actualizacion.Desenlace();
  ASSERT_TRUE(d.motivo);
  EXPECT_EQ(d.motivo->peticion, "Paso_teclado");
  EXPECT_EQ(d.motivo->llegada, Llegada::sin_conexion);
  ASSERT_EQ(d.pasos.size(), 2u);
  EXPECT_EQ(d.pasos[0].estado, Estado_paso::fallido);
  EXPECT_EQ(d.pasos[1].estado, Estado_paso::fallido);
  EXPECT_FALSE(d.cancelada);
}

// A service run of one step on a meter that needs more ends correct; only in
// service mode does the correct screen's third line name what is left.
TEST(Actualizar_medidor, LoPendienteSoloEnModoServicio) {
  for (const bool servicio : {false, true}) {
    SCOPED_TRACE(servicio ? "service mode" : "plain");
    Config_medidor c = Medidor_rapido();
    c.version = "1.05";
    Banco_secuencia b({false, true}, false, c);
    b.actualizacion.mostrar_pendientes = servicio;
    b.Ejecutar();
    ASSERT_TRUE(b.Correcta()) << b.v.estado.motivo_error.Texto();
    const std::vector<Paso_actualizacion>& pendientes = b.actualizacion.Desenlace().pendientes;
    EXPECT_NE(std::find(pendientes.begin(), pendientes.end(), Paso_actualizacion::firmware),
              pendientes.end());
    ASSERT_FALSE(b.vista.lineas3.empty());
    EXPECT_EQ(b.vista.lineas3.back() == Texto_pendientes(pendientes, b.textos.historial), servicio)
        << b.vista.lineas3.back();
  }
}

// An unplug the run learns of outside a step's requests ends it as an unplug at
// once: the step that was to come fails with the code it gives without a meter,
// nothing more is opened or asked, and the warning goes by the step it hit.
TEST(Actualizar_medidor, UnDesenchufeFueraDeLasPeticionesTerminaLaActualizacion) {
  using P = Paso_actualizacion;
  struct Caso {
    const char* nombre;
    Pasos pasos;
    std::function<void(Config_medidor&)> medidor;
    bool tras_teclado;  // unplugged at the end of the keyboard step
    int32_t codigo;
    P paso_fallido;  // its failure is the unplug (the run's code may be another's)
    bool grabando;   // the "may still be writing" warning
    // The longest the whole run may take: no wait for a meter that is gone (the
    // module's 1,020 s, the restart before the check).
    double maximo_s;
  };
  const auto con = [](std::vector<Fallo> f) { return [f](Config_medidor& c) { c.fallos = f; }; };
  const auto ninguno = [](Config_medidor&) {};
  const Caso casos[] = {
      {"in the wait after the keyboard",
       {.teclado = true, .zona = true},
       ninguno,
       true,
       kCodigo_zona_perfiles,
       P::zona,
       false,
       9},
      {"in the wait after the plans",
       {.planes = true, .zona = true},
       con({Fallo{Tipo_fallo::Desenchufe, Peticion::Sector_preparacion, 1, 1, 0, 3'000'000}}),
       false,
       kCodigo_zona_perfiles,
       P::zona,
       false,
       15},
      {"before the FPGA step's reconnect",
       {.fpga = true, .mpeg4 = true},
       con({Fallo{Tipo_fallo::Desenchufe, Peticion::Fin, 1, 1}}),
       false,
       kCodigo_mpeg4_etapa1,
       P::mpeg4,
       false,
       30},
      // Gone before the port is reopened at the module's rate: the reopen fails.
      {"after the module's start", kCompleta, ninguno, false, kCodigo_mpeg4_sin_fin, P::mpeg4, true,
       600},
      {"at the closing request, before the check",
       {.zona = true},
       con({Fallo{Tipo_fallo::Desenchufe, Peticion::Fin, 1, 1}}),
       false,
       kCodigo_comprobacion,
       P::zona,
       false,
       25},
      // The keyboard's code is the run's; the burn the unplug hit gives the warning.
      {"in the firmware burn after a failed keyboard",
       {.teclado = true, .firmware = true},
       [](Config_medidor& c) {
         c.teclado_fallo_id = true;
         c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Grabacion, 1, 1}};
       },
       false,
       kCodigo_teclado_id,
       P::firmware,
       true,
       60},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    k.medidor(c);
    Banco_secuencia b(k.pasos, false, c);
    b.textos.aviso_desconectado = "unplugged";
    b.textos.aviso_desconectado_grabando = "unplugged while writing";
    b.Linea(1).grabar = false;
    if (k.tras_teclado)
      b.actualizacion.al_limpiar_fichero = [&] { b.Linea(1).desenchufado = true; };
    if (k.codigo == kCodigo_mpeg4_sin_fin)
      b.Linea(1).desenchufar_tras = [](const uint8_t* d, size_t n) {
        return n == kBytes_orden_inicio_mpeg4 && d[0] == kCodigo_inicio_mpeg4;  // the start order
      };
    const uint64_t inicio_us = b.v.reloj.Ahora_us();
    b.Ejecutar();
    const double duracion_s = double(b.v.reloj.Ahora_us() - inicio_us) / 1e6;
    const Desenlace_actualizacion& d = b.actualizacion.Desenlace();
    EXPECT_TRUE(d.fallida);
    EXPECT_TRUE(d.desconectado);
    EXPECT_EQ(d.codigo, k.codigo) << (d.motivo ? d.motivo->Texto() : "");
    EXPECT_EQ(d.grabando_al_desconectar, k.grabando);
    // The unplug message last, and no reconnect's "USB error" before it.
    ASSERT_FALSE(b.v.mensajes.empty());
    EXPECT_EQ(b.v.mensajes.back(), k.grabando ? "unplugged while writing" : "unplugged");
    EXPECT_EQ(std::count(b.v.mensajes.begin(), b.v.mensajes.end(), kMensaje_error_usb), 0);
    bool paso_perdido = false;
    for (const Desenlace_paso& p : d.pasos)
      if (p.paso == k.paso_fallido)
        paso_perdido = p.estado == Estado_paso::fallido && p.fallo &&
                       p.fallo->llegada == Llegada::dispositivo_perdido;
    if (k.codigo == kCodigo_comprobacion) {
      ASSERT_TRUE(d.motivo);
      EXPECT_EQ(d.motivo->llegada, Llegada::dispositivo_perdido);
    } else {
      EXPECT_TRUE(paso_perdido);
    }
    EXPECT_LE(duracion_s, k.maximo_s);
    EXPECT_FALSE(b.v.estado.actualizando);
    EXPECT_TRUE(b.vista.menus);
  }
}

// --- The check after writing ------------------------------------------------------

// The judgement on the restarted meter's identity, for what the run wrote.
TEST(Comprobacion, JuicioSobreLaIdentidadTrasElReinicio) {
  struct Caso {
    const char* nombre;
    const char* version;  // read from the restarted meter
    Escrito_en_actualizacion escrito;
    std::function<void(Ficha_medidor&, Estado_ventana&)> cambiar;
    bool probada;
    const char* esperado;
    const char* llegado;
  };
  // The head of a written FPGA set, and another one.
  const std::array<uint8_t, kBytes_info_fpga> set{0x05, 0x00, 'T', 'V', 0, 0, 0, 0,
                                                  0,    0,    3,   3,   0, 0, 0, 1};
  std::array<uint8_t, kBytes_info_fpga> otro = set;
  otro[15] = 0;
  const auto fpga_leida = [](const std::array<uint8_t, kBytes_info_fpga>& b) {
    return [b](Ficha_medidor& f, Estado_ventana&) {
      f.fpga_leida = true;
      f.fpga_bloque = b;
    };
  };
  const Caso casos[] = {
      {"the image's version, the module answers",
       "3.01.00000",
       {.firmware = true, .mpeg4 = true},
       {},
       true,
       "el medidor en su aplicacion, firmware 3.01.00000, modulo MPEG-4 al dia",
       "3.01.00000"},
      // The firmware written was not the image.
      {"a newer version after the firmware was written",
       "3.02.00000",
       {.firmware = true},
       {},
       false,
       "el medidor en su aplicacion, firmware 3.01.00000",
       "3.02.00000"},
      {"another build after the firmware was written",
       "3.01.00001",
       {.firmware = true},
       {},
       false,
       "el medidor en su aplicacion, firmware 3.01.00000",
       "3.01.00001"},
      // The firmware was deliberately left alone: its version is not compared.
      {"another version, firmware not written",
       "3.02.00000",
       {},
       {},
       true,
       "el medidor en su aplicacion",
       "3.02.00000"},
      // What the run did not choose never fails it: an erase alone on an old meter.
      {"steps still needed that the run did not choose",
       "3.00.00000",
       {},
       [](Ficha_medidor&, Estado_ventana& e) { e.Check_firmware = e.Check_mpeg4_apl = true; },
       true,
       "el medidor en su aplicacion",
       "3.00.00000"},
      {"the chosen plan set still pending",
       "3.01.00000",
       {},
       [](Ficha_medidor&, Estado_ventana& e) { e.Check_planes = true; },
       true,
       "el medidor en su aplicacion",
       "3.01.00000"},
      {"the module written and still asking for its update",
       "3.01.00000",
       {.mpeg4 = true},
       [](Ficha_medidor& f, Estado_ventana&) { f.mpeg4.version_aplicacion = 132; },
       false,
       "el medidor en su aplicacion, modulo MPEG-4 al dia",
       "3.01.00000, modulo MPEG-4 aun por actualizar"},
      // A test-build image: the firmware rule fires on every meter, and the
      // finished ticks then ask for the module too; the module's own rule does not.
      {"a test-build image, the module up to date",
       "3.01.00004",
       {.firmware = true, .mpeg4 = true},
       [](Ficha_medidor&, Estado_ventana& e) {
         e.version_fichero = {'3', '.', '0', '1', '.', '0', '0', '0', '0', '4', 0, 0};
         e.Check_firmware = Regla_firmware(Texto_de("3.01.00004"), Texto_de("3.01.00004"));
         Completar_ticks(e);
       },
       true,
       "el medidor en su aplicacion, firmware 3.01.00004, modulo MPEG-4 al dia",
       "3.01.00004"},
      {"the FPGA set written is the one reported",
       "3.01.00000",
       {.fpga = true, .cabecera_fpga = set},
       fpga_leida(set),
       true,
       "el medidor en su aplicacion, FPGA 05005456000000000000030300000001",
       "3.01.00000"},
      {"another FPGA set reported",
       "3.01.00000",
       {.fpga = true, .cabecera_fpga = set},
       fpga_leida(otro),
       false,
       "el medidor en su aplicacion, FPGA 05005456000000000000030300000001",
       "3.01.00000, FPGA 05005456000000000000030300000000"},
      {"the meter did not come back",
       "",
       {.firmware = true, .mpeg4 = true},
       [](Ficha_medidor& f, Estado_ventana&) { f.conectado = false; },
       false,
       "el medidor en su aplicacion, firmware 3.01.00000, modulo MPEG-4 al dia",
       "nada (el medidor no volvio)"},
      {"back in its boot stage",
       "3.01.00000",
       {.firmware = true},
       [](Ficha_medidor& f, Estado_ventana&) { f.modo_arranque = true; },
       false,
       "el medidor en su aplicacion, firmware 3.01.00000",
       "3.01.00000, en etapa de arranque"},
      {"an identity block that is not ours",
       "",
       {},
       [](Ficha_medidor& f, Estado_ventana& e) {
         f.familia = "";
         e.familia_valida = false;
       },
       false,
       "el medidor en su aplicacion",
       "familia \"\""},
      {"the module silent after its update",
       "3.01.00000",
       {.firmware = true, .mpeg4 = true},
       [](Ficha_medidor& f, Estado_ventana&) { f.mpeg4.version_decoders = 0xFF; },
       false,
       "el medidor en su aplicacion, firmware 3.01.00000, modulo MPEG-4 al dia",
       "3.01.00000, modulo MPEG-4 sin respuesta"},
      {"no module, none written",
       "3.01.00000",
       {.firmware = true},
       [](Ficha_medidor& f, Estado_ventana&) { f.mpeg4 = Datos_mpeg4{}; },
       true,
       "el medidor en su aplicacion, firmware 3.01.00000",
       "3.01.00000"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Estado_ventana e;
    e.version_fichero = {'3', '.', '0', '1', '.', '0', '0', '0', '0', '0', 0, 0};
    e.familia_valida = true;
    Ficha_medidor f;
    f.conectado = true;
    f.familia = "QZT";
    f.version = Texto_de(k.version);
    f.mpeg4 = {133, 0, 2, 5};
    if (k.cambiar) k.cambiar(f, e);
    const Juicio_comprobacion j = Juzgar_comprobacion(f, e, k.escrito);
    EXPECT_EQ(j.probada, k.probada);
    EXPECT_EQ(j.esperado, k.esperado);
    EXPECT_EQ(j.llegado, k.llegado);
  }
}

// A whole update of a 3.00 meter, then the meter restarted and connected again.
TEST(Comprobacion, ElMedidorReiniciadoDemuestraONoLaActualizacion) {
  struct Caso {
    const char* nombre;
    std::function<void(Config_medidor&)> medidor;
    int32_t codigo;
    const char* motivo;  // what the reason says came, on a failure
  };
  const Caso casos[] = {
      {"the meter reports what was written", {}, 0, ""},
      {"back late, on a later connect", [](Config_medidor& c) { c.t_reinicio_us = 24'000'000; }, 0,
       ""},
      {"the burn answers but leaves the old firmware",
       [](Config_medidor& c) { c.grabacion_sin_efecto = true; }, kCodigo_comprobacion,
       "llego 3.00.00000"},
      {"the module keeps its old application",
       [](Config_medidor& c) { c.mpeg4_nueva = c.mpeg4_actual; }, kCodigo_comprobacion,
       "llego 3.01.00000, modulo MPEG-4 aun por actualizar"},
      {"the module stops answering after its update",
       [](Config_medidor& c) { c.mpeg4_nueva.decodificadores = 0xFF; }, kCodigo_comprobacion,
       "llego 3.01.00000, modulo MPEG-4 sin respuesta"},
      {"the meter does not come back", [](Config_medidor& c) { c.t_reinicio_us = 60'000'000; },
       kCodigo_comprobacion, "llego nada (el medidor no volvio)"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    if (k.medidor) k.medidor(c);
    Banco_secuencia b(kCompleta, false, c);
    uint64_t ultimo_avance_us = 0;
    b.v.barra_general.Al_cambiar([&] {
      b.posiciones.push_back(b.v.barra_general.Posicion());
      ultimo_avance_us = b.v.reloj.Ahora_us();
    });
    b.Ejecutar();
    const double segundos = double(b.v.reloj.Ahora_us() - ultimo_avance_us) / 1e6;
    std::printf("%s: end of the last step to the outcome screen: %.1f s\n", k.nombre, segundos);

    const Resultado_comprobacion& r = b.actualizacion.Comprobacion();
    EXPECT_TRUE(r.hecha);
    EXPECT_EQ(r.probada, k.codigo == 0);
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo) << b.v.estado.motivo_error.Texto();
    EXPECT_EQ(b.Correcta(), k.codigo == 0);
    if (k.codigo != 0) {
      EXPECT_EQ(b.vista.pantallas.back(), Pantalla_fallida(b.textos, k.codigo));
      const std::optional<r27::Fallo>& motivo = b.actualizacion.Desenlace().motivo;
      ASSERT_TRUE(motivo);
      EXPECT_EQ(motivo->codigo, kCodigo_comprobacion);
      EXPECT_EQ(motivo->peticion, "Comprobar_escritura");
      EXPECT_NE(motivo->Texto().find(k.motivo), std::string::npos) << motivo->Texto();
    } else {
      // What the restarted meter reported: the written identity, the FPGA
      // version of the written set, the module's new application.
      EXPECT_EQ(r.ficha.familia, "QZT");
      EXPECT_EQ(Texto_de_version(r.ficha.version), "3.01.00000");
      EXPECT_EQ(Texto_fpga(r.ficha), "3.3");
      EXPECT_EQ(r.ficha.mpeg4.version_aplicacion, 133);
    }
    // The updating screen stayed up through the check, with nothing else said.
    ASSERT_EQ(b.vista.pantallas.size(), 2u);
    EXPECT_EQ(b.vista.pantallas[0], Pantalla_actualizando(b.textos));
    EXPECT_EQ(b.v.preguntas.size(), 1u);
    EXPECT_TRUE(b.v.mensajes.empty());
    // Left as after any run: the meter let go, the watch off, the wizard ready.
    EXPECT_FALSE(b.v.estado.conectado);
    EXPECT_FALSE(b.timer.habilitado);
    EXPECT_FALSE(b.v.estado.actualizando);
    EXPECT_EQ(b.asistente.paso_asistente, 0);
    EXPECT_TRUE(b.vista.menus);
    Comprobar_barra(b, true);
    if (c.t_reinicio_us < 30'000'000) b.Comprobar_nueva_conexion();
  }
}

// A run that wrote nothing, or failed, is not checked: no connect after it.
TEST(Comprobacion, SinEscrituraOConFalloNoHayComprobacion) {
  struct Caso {
    const char* nombre;
    std::deque<bool> respuestas;
    std::vector<Fallo> fallos;
    int32_t codigo;
  };
  const Caso casos[] = {
      {"cancel at the time question", {false}, {}, 0},
      {"FPGA preparation fails",
       {true},
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}},
       kCodigo_preparar_fpga},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    c.fallos = k.fallos;
    Banco_secuencia b(kCompleta, false, c);
    // Only the tick decision of a connect asks the module for its versions.
    const uint32_t consultas = b.medidor->Cuenta(Peticion::Info_mpeg4);
    b.Ejecutar(k.respuestas);
    EXPECT_FALSE(b.actualizacion.Comprobacion().hecha);
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Info_mpeg4), consultas);
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo);
    EXPECT_EQ(b.vista.pantallas.back(), Pantalla_fallida(b.textos, k.codigo));
  }
}

}  // namespace
}  // namespace r27::pruebas
