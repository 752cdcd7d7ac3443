// The command-line updater run in process against the simulated meter on the
// virtual clock: one exit code per outcome, with what reached the meter; and the
// few pieces of its own (options, time-left estimate, JSON strings).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/linea/codigos_salida.h"
#include "app/linea/ejecutar_linea.h"
#include "app/linea/identidad_linea.h"
#include "app/linea/opciones_linea.h"
#include "app/linea/progreso_linea.h"
#include "app/linea/resumen_json.h"
#include "app/linea/ruta_puerto.h"
#include "app/linea/textos_linea.h"
#include "link/codigos_resultado.h"
#include "link/directorio_puertos_mapa.h"
#include "sim/backend_simulado.h"
#include "sim/medidor_simulado.h"
#include "tests/linea/banco_linea.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

TEST(Ejecutar_linea, CodigoDeSalidaPorDesenlace) {
  struct Caso {
    const char* nombre;
    Config_medidor medidor;
    Opciones_linea opciones;
    std::string entrada;    // what the technician types
    bool terminal;          // stdin is a terminal
    int salida;             // exit code
    const char* resultado;  // the summary's word
    bool escrito;           // the update reached the meter
  };
  Opciones_linea si;
  si.si = true;
  Opciones_linea sin_si;
  Opciones_linea comprobar;
  comprobar.solo_comprobar = true;
  Opciones_linea otro_puerto = si;
  otro_puerto.puertos = {Puerto_pedido{5, {}}};

  auto con = [](auto cambio) {
    Config_medidor c = Medidor_rapido();
    cambio(c);
    return c;
  };
  const Caso casos[] = {
      {"a whole update, --si", Medidor_rapido(), si, "", false, kSalida_correcta, "updated", true},
      {"a whole update, yes typed", Medidor_rapido(), sin_si, "y\n", true, kSalida_correcta,
       "updated", true},
      {"nothing needed", Medidor_al_dia(), si, "", false, kSalida_correcta, "nothing-needed",
       false},
      {"--solo-comprobar", Medidor_rapido(), comprobar, "", false, kSalida_correcta, "checked",
       false},
      {"cancelled at the question", Medidor_rapido(), sin_si, "n\n", true, kSalida_fallo_sin_codigo,
       "cancelled", false},
      {"stdin is no terminal and no --si", Medidor_rapido(), sin_si, "y\n", false,
       kSalida_fallo_sin_codigo, "cancelled", false},
      {"the end of input answers no", Medidor_rapido(), sin_si, "", true, kSalida_fallo_sin_codigo,
       "cancelled", false},
      {"the burn restarts the meter", con([](Config_medidor& c) {
         c.fallos = {Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1}};
       }),
       si, "", false, kCodigo_firmware_grabacion, "failed", true},
      {"the FPGA preparation fails", con([](Config_medidor& c) {
         c.fallos = {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}};
       }),
       si, "", false, kCodigo_preparar_fpga, "failed", true},
      {"another family", con([](Config_medidor& c) { c.familia = "VMK"; }), si, "", false,
       kSalida_rechazo_familia, "refused-family", false},
      {"the American region", con([](Config_medidor& c) { c.region = "USA"; }), si, "", false,
       kSalida_rechazo_familia, "refused-region", false},
      {"level 49", con([](Config_medidor& c) { c.nivel = 49; }), si, "", false,
       kSalida_rechazo_nivel, "refused-level", false},
      {"level 50 passes", con([](Config_medidor& c) { c.nivel = 50; }), comprobar, "", false,
       kSalida_correcta, "checked", false},
      {"bus status", con([](Config_medidor& c) { c.bus_registro8 = 0x80; }), si, "", false,
       kSalida_rechazo_estado, "refused-status", false},
      {"the meter answers m", con([](Config_medidor& c) { c.rechazo = true; }), si, "", false,
       kSalida_rechazo_conexion, "refused-connection", false},
      {"--puerto COM5 where no meter is", Medidor_rapido(), otro_puerto, "", false,
       kSalida_no_encontrado, "not-found", false},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Banco_linea b(k.medidor);
    b.entrada.str(k.entrada);
    b.entorno.entrada_terminal = k.terminal;
    EXPECT_EQ(b.Ejecutar(k.opciones), k.salida) << b.salida.str() << b.errores.str();
    EXPECT_EQ(b.resumen.codigo_salida, k.salida);
    EXPECT_EQ(b.resumen.resultado, k.resultado);
    EXPECT_EQ(!b.Nada_escrito(), k.escrito);
    // Every meter that let itself be connected was identified.
    if (k.salida != kSalida_no_encontrado && k.salida != kSalida_rechazo_conexion) {
      ASSERT_TRUE(b.resumen.antes.has_value());
      EXPECT_EQ(b.resumen.antes->familia, k.medidor.familia);
    }
  }
}

TEST(Ejecutar_linea, SinMedidorOPuertoSinAbrir) {
  struct Caso {
    const char* nombre;
    std::optional<Fallo_apertura> fallo;  // none: no port leads anywhere
    int salida;
  };
  const Caso casos[] = {
      {"no port at all", std::nullopt, kSalida_no_encontrado},
      {"no permission", Fallo_apertura::sin_permiso, kSalida_sin_permiso},
      {"busy", Fallo_apertura::ocupado, kSalida_puerto_ocupado},
      {"gone", Fallo_apertura::no_existe, kSalida_no_encontrado},
  };
  Opciones_linea o;
  o.si = true;
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    std::unique_ptr<Banco_linea> b = k.fallo
                                         ? std::make_unique<Banco_linea>(*k.fallo)
                                         : std::make_unique<Banco_linea>(Medidor_rapido(), false);
    EXPECT_EQ(b->Ejecutar(o), k.salida) << b->salida.str();
    EXPECT_FALSE(b->resumen.antes.has_value());
  }
}

// What the technician reads at the end of a run that did not update: the
// command line's own words, never the window's button; a refusal alone; a port
// that would not open told with its remedy alone; a failure's step in words.
TEST(Ejecutar_linea, LoQueLeeElTecnicoAlFinal) {
  const Idioma_linea t("EN");
  const Textos_idioma& w = t.Asistente();
  struct Caso {
    const char* nombre;
    std::function<std::unique_ptr<Banco_linea>()> banco;
    std::vector<std::string> dice;
    std::vector<std::string> calla;
  };
  auto con = [](auto cambio) {
    return [cambio] {
      Config_medidor c = Medidor_rapido();
      cambio(c);
      return std::make_unique<Banco_linea>(c);
    };
  };
  const std::string boton = "button";
  const Caso casos[] = {
      {"the American region",
       con([](Config_medidor& c) { c.region = "USA"; }),
       {t(kTl_rechazo_region), "Result: refused: American region (exit 32)"},
       {w[Texto::PASO7_L1], w[Texto::PASO7_L2]}},
      {"nothing needed",
       [] { return std::make_unique<Banco_linea>(Medidor_al_dia()); },
       {w[Texto::PASO7_L1], w[Texto::PASO7_L3]},
       {t(kTl_rechazo_region)}},
      {"no meter",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido(), false); },
       {w[Texto::P6_E1_L1], t(kTl_no_encontrado_remedio)},
       {boton}},
      {"the meter answers m",
       con([](Config_medidor& c) { c.rechazo = true; }),
       {w[Texto::P6_E5_L1], t(kTl_rechazo_m_remedio)},
       {boton}},
      {"a busy port",
       [] { return std::make_unique<Banco_linea>(Fallo_apertura::ocupado); },
       {Rellenar(w.puerto_ocupado_arreglo, {}), "Result: no meter found, a port held"},
       {w[Texto::P6_E1_L1], w[Texto::P6_E1_L2], boton}},
      {"the FPGA preparation fails",
       con([](Config_medidor& c) {
         c.fallos = {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}};
       }),
       {"Reason: FPGA set and screen graphics: the meter stopped answering "
        "(Cargar_primera_etapa: expected ",
        "\n    the meter stopped answering (Cargar_primera_etapa: expected "},
       {boton}},
  };
  Opciones_linea o;
  o.si = true;
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    std::unique_ptr<Banco_linea> b = k.banco();
    b->Ejecutar(o);
    const std::string texto = b->salida.str() + b->errores.str();
    for (const std::string& d : k.dice)
      EXPECT_NE(texto.find(d), std::string::npos) << d << "\n" << texto;
    for (const std::string& c : k.calla)
      EXPECT_EQ(texto.find(c), std::string::npos) << c << "\n" << texto;
  }
}

TEST(Ejecutar_linea, ResumenDeUnaActualizacionYDeUnFallo) {
  Opciones_linea o;
  o.si = true;
  o.json = true;
  {
    SCOPED_TRACE("whole update");
    Banco_linea b(Medidor_rapido());
    ASSERT_EQ(b.Ejecutar(o), kSalida_correcta) << b.errores.str();
    const Resumen_linea& r = b.resumen;
    EXPECT_EQ(r.puerto, kCom_medidor);
    ASSERT_TRUE(r.antes && r.despues);
    EXPECT_EQ(Texto_de_version(r.antes->version), "3.00.00000");
    // After: what the restarted meter reports, the embedded image's version.
    EXPECT_EQ(Texto_de_version(r.despues->version), "3.01.00000");
    const std::vector<std::string> nombres = {"zone configuration", "FPGA set and screen graphics",
                                              "main firmware", "MPEG-4 application"};
    ASSERT_EQ(r.pasos.size(), nombres.size());
    for (size_t i = 0; i < nombres.size(); ++i) {
      EXPECT_EQ(r.pasos[i].nombre, nombres[i]);
      EXPECT_TRUE(r.pasos[i].ejecutado && r.pasos[i].correcto);
      EXPECT_GT(r.pasos[i].duracion_s, 0.0);
    }
    // The module update alone takes the simulated meter 20 s.
    EXPECT_GE(r.pasos[3].duracion_s, 20.0);
    ASSERT_TRUE(r.comprobacion.has_value());
    EXPECT_TRUE(r.comprobacion->probada);
    // The check waits for the restart after the module update.
    EXPECT_GE(r.comprobacion->duracion_s, 17.0);
    EXPECT_GT(r.duracion_s, r.pasos[3].duracion_s + r.comprobacion->duracion_s);
    // Each step's progress line counts it in the order the steps run.
    for (size_t i = 0; i < nombres.size(); ++i) {
      const std::string linea = "[" + std::to_string(i + 1) + "/4] " + nombres[i] + " ";
      EXPECT_NE(b.errores.str().find(linea), std::string::npos) << linea << b.errores.str();
    }
    // stdout holds the summary alone, on one line.
    const std::string json = b.salida.str();
    EXPECT_EQ(json, Json_resumen(r) + "\n");
    EXPECT_NE(json.find("\"identity_after\":{\"family\":\"QZT\""), std::string::npos) << json;
  }
  {
    SCOPED_TRACE("the burn leaves the old version");
    Config_medidor c = Medidor_rapido();
    c.grabacion_sin_efecto = true;
    Banco_linea b(c);
    ASSERT_EQ(b.Ejecutar(o), kCodigo_comprobacion);
    const Resumen_linea& r = b.resumen;
    // Every step went through; the restarted meter tells otherwise.
    ASSERT_EQ(r.pasos.size(), 4u);
    for (const Paso_resumen& p : r.pasos) EXPECT_TRUE(p.ejecutado && p.correcto) << p.nombre;
    ASSERT_TRUE(r.comprobacion && r.despues);
    EXPECT_FALSE(r.comprobacion->probada);
    EXPECT_EQ(Texto_de_version(r.despues->version), "3.00.00000");
  }
  {
    SCOPED_TRACE("the FPGA preparation fails before its banner");
    Config_medidor c = Medidor_rapido();
    c.fallos = {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}};
    Banco_linea b(c);
    ASSERT_EQ(b.Ejecutar(o), kCodigo_preparar_fpga);
    const Resumen_linea& r = b.resumen;
    ASSERT_EQ(r.pasos.size(), 4u);
    EXPECT_TRUE(r.pasos[0].ejecutado && r.pasos[0].correcto);   // zone
    EXPECT_TRUE(r.pasos[1].ejecutado && !r.pasos[1].correcto);  // FPGA
    EXPECT_FALSE(r.pasos[2].ejecutado || r.pasos[3].ejecutado);
    // It wrote and was not checked: what the meter holds now is not known.
    EXPECT_FALSE(r.despues.has_value());
    EXPECT_FALSE(r.comprobacion.has_value());
    // The reason is the loader stage's, the request behind code 16.
    EXPECT_EQ(r.motivo.rfind("Cargar_primera_etapa", 0), 0u) << r.motivo;
    // The JSON keeps the program's own words.
    EXPECT_NE(b.salida.str().find("\"reason\":\"Cargar_primera_etapa: esperaba "),
              std::string::npos)
        << b.salida.str();
  }
}

TEST(Leer_opciones, FormasYErrores) {
  struct Caso {
    std::vector<std::string_view> argumentos;
    bool valida;
    int numero;        // --puerto as a COM number
    const char* ruta;  // --puerto as a path
  };
  const Caso casos[] = {
      {{"--puerto", "COM7"}, true, 7, ""},
      {{"--puerto", "com12"}, true, 12, ""},
      {{"--puerto", "\\\\.\\COM3"}, true, 3, ""},
      {{"--puerto", "/dev/ttyACM0"}, true, 0, "/dev/ttyACM0"},
      {{"--puerto", "COM0"}, false, 0, ""},
      {{"--puerto", "COM256"}, false, 0, ""},
      {{"--puerto", "COM3x"}, false, 0, ""},
      {{"--puerto", "ttyACM0"}, false, 0, ""},
      {{"--puerto"}, false, 0, ""},
      {{"--traza"}, false, 0, ""},
      {{"--traza", ""}, false, 0, ""},
      {{"--si", "--sí"}, false, 0, ""},
      // Several meters ask no question: each needs its answer given.
      {{"--puerto", "COM3", "--puerto", "COM4"}, false, 0, ""},
      {{"--todos"}, false, 0, ""},
      {{"--todos", "--solo-comprobar"}, true, 0, ""},
      {{"--csv"}, false, 0, ""},  // only with --historial
      {{"--historial", "--csv"}, true, 0, ""},
  };
  for (const Caso& k : casos) {
    const Lectura_opciones l = Leer_opciones(k.argumentos, Idioma_linea("EN"));
    SCOPED_TRACE(k.argumentos.back());
    EXPECT_EQ(l.error.empty(), k.valida) << l.error;
    if (!k.valida || l.opciones.puertos.size() != 1) continue;
    EXPECT_EQ(l.opciones.puertos[0].numero, k.numero);
    EXPECT_EQ(l.opciones.puertos[0].ruta, k.ruta);
  }
}

TEST(Estimar_restante_s, PresupuestoYRitmoMedido) {
  struct Caso {
    const char* nombre;
    uint64_t gastado_us;
    int posicion, maximo;
    int64_t restante;
  };
  const Caso casos[] = {
      {"at the start: the budget", 0, 0, 1000, 1000},
      {"as the budget ran", 500'000'000, 500, 1000, 500},
      {"twice as fast: halfway between budget and measure", 250'000'000, 500, 1000, 375},
      {"at the end", 50'000'000, 1000, 1000, 0},
      {"past the end", 50'000'000, 1200, 1000, 0},
      {"no budget", 50'000'000, 0, 0, 0},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(Estimar_restante_s(k.gastado_us, k.posicion, k.maximo), k.restante);
  }
}

// A whole update on the virtual clock, every progress line with its time: the
// time left is held against the time that was in fact left until the steps
// ended (the check after writing shows its own clock).
struct Linea_progreso {
  uint64_t us;
  int por_ciento;
  int64_t restante_s;
};

std::vector<Linea_progreso> Lineas_de_una_actualizacion(const Config_medidor& medidor,
                                                        uint64_t& fin_pasos_us) {
  Banco_linea b(medidor);
  std::vector<Linea_progreso> lineas;
  fin_pasos_us = 0;
  b.entorno.al_progreso = [&](const std::string& linea) {
    int k = 0, n = 0, por_ciento = 0, m = 0, s = 0;
    const size_t tanto = linea.find('%');
    const size_t dos_puntos = linea.rfind(':');
    if (std::sscanf(linea.c_str(), "[%d/%d]", &k, &n) == 2 && tanto != std::string::npos &&
        dos_puntos != std::string::npos) {
      std::sscanf(linea.c_str() + linea.rfind(' ', tanto) + 1, "%d", &por_ciento);
      std::sscanf(linea.c_str() + linea.rfind(' ', dos_puntos) + 1, "%d:%d", &m, &s);
      lineas.push_back({b.reloj.Micros(), por_ciento, int64_t{m} * 60 + s});
    } else if (fin_pasos_us == 0) {
      fin_pasos_us = b.reloj.Micros();  // the check after writing began
    }
  };
  Opciones_linea si;
  si.si = true;
  EXPECT_EQ(b.Ejecutar(si), kSalida_correcta) << b.salida.str();
  return lineas;
}

TEST(Tiempo_restante, UnaActualizacionEnteraConLosTiemposDelSimulador) {
  uint64_t fin_us = 0;
  const std::vector<Linea_progreso> lineas = Lineas_de_una_actualizacion(Config_medidor{}, fin_us);
  ASSERT_GT(lineas.size(), 100u);
  ASSERT_GT(fin_us, lineas.front().us);
  const uint64_t inicio_us = lineas.front().us;
  // At a quarter and at half of the run: within 25 % of the time in fact left.
  // At three quarters the module's own update is ending while its share of the
  // bar, which moves with the clock, still stands well short of its end: the
  // estimate is high there, and held to within 50 %.
  struct Punto {
    double parte;
    double margen;
  };
  for (const Punto p : {Punto{0.25, 0.25}, Punto{0.5, 0.25}, Punto{0.75, 0.5}}) {
    const uint64_t en_us = inicio_us + static_cast<uint64_t>(p.parte * (fin_us - inicio_us));
    const auto l = std::find_if(lineas.begin(), lineas.end(),
                                [&](const Linea_progreso& x) { return x.us >= en_us; });
    ASSERT_NE(l, lineas.end());
    const double verdad = static_cast<double>(fin_us - l->us) / 1e6;
    SCOPED_TRACE(testing::Message() << p.parte << " of the run, " << l->por_ciento << " %");
    EXPECT_NEAR(static_cast<double>(l->restante_s), verdad, p.margen * verdad);
  }
  // While the bar stands still (the burn) it rises, never faster than time passes.
  for (size_t i = 1; i < lineas.size(); ++i)
    EXPECT_LE(lineas[i].restante_s - lineas[i - 1].restante_s,
              static_cast<int64_t>((lineas[i].us - lineas[i - 1].us) / 1'000'000) + 1);
}

TEST(Tiempo_restante, TiemposCortosNuncaSubeMasDeDiezSegundos) {
  Config_medidor corto;
  corto.t_reinicio_us = 1'000'000;
  corto.t_sector_us = 200'000;
  corto.t_borrado_segmento_us = 20'000;
  corto.t_programa_segmento_us = 40'000;
  corto.t_mpeg4_us = 8'000'000;
  uint64_t fin_us = 0;
  const std::vector<Linea_progreso> lineas = Lineas_de_una_actualizacion(corto, fin_us);
  ASSERT_GT(lineas.size(), 10u);
  for (size_t i = 1; i < lineas.size(); ++i)
    EXPECT_LE(lineas[i].restante_s, lineas[i - 1].restante_s + 10)
        << "at " << (lineas[i].us - lineas.front().us) / 1'000'000 << " s, " << lineas[i].por_ciento
        << " %";
}

// The plan and the time question of a run under a minute.
TEST(Ejecutar_linea, PlanDeMenosDeUnMinuto) {
  Banco_linea b(Medidor_rapido());
  Opciones_linea o;
  o.si = true;
  o.servicio = true;
  o.pasos = std::vector<Paso_actualizacion>{Paso_actualizacion::borrado};
  EXPECT_EQ(b.Ejecutar(o), kSalida_correcta) << b.errores.str();
  const std::string texto = b.salida.str();
  EXPECT_NE(texto.find("Steps to run (estimated less than 1 min):"), std::string::npos) << texto;
  EXPECT_NE(texto.find("Estimated time of the update: less than 1 min.\n"), std::string::npos)
      << texto;
  EXPECT_EQ(texto.find(" 0 min"), std::string::npos);
}

TEST(Cadena_json, EscapesYBytesQueNoSonUtf8) {
  struct Caso {
    std::string texto;
    std::string json;
  };
  const Caso casos[] = {
      {"QZT", "\"QZT\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"l1\nl2\t\x01", "\"l1\\nl2\\t\\u0001\""},
      {"actualizaci\xc3\xb3n", "\"actualizaci\xc3\xb3n\""},  // UTF-8 stays
      {"\xff\xc3", "\"\xc3\xbf\xc3\x83\""},                  // stray bytes as Latin-1
      {"\xe0\x80\x80", "\"\xc3\xa0\xc2\x80\xc2\x80\""},      // an overlong form is no UTF-8
      {std::string("Q\0T", 3), "\"Q\\u0000T\""},
      {"a\rb", "\"a\\rb\""},
      {"\xf0\x9f\x93\xa1", "\"\xf0\x9f\x93\xa1\""},                  // four bytes, U+1F4E1
      {"\xed\xa0\x80", "\"\xc3\xad\xc2\xa0\xc2\x80\""},              // a surrogate is no UTF-8
      {"\xf4\x90\x80\x80", "\"\xc3\xb4\xc2\x90\xc2\x80\xc2\x80\""},  // past U+10FFFF
      {"\xf0\x9f\x93", "\"\xc3\xb0\xc2\x9f\xc2\x93\""},              // cut short
  };
  for (const Caso& k : casos) EXPECT_EQ(Cadena_json(k.texto), k.json);
}

// The identity as the text and the JSON show it, for the shapes a meter may
// answer in: updated and whole, or in its boot stage (no FPGA information, no
// module answer) with control bytes in its texts.
TEST(Identidad, TextoYJsonDeCadaForma) {
  Ficha_medidor completa;
  completa.conectado = true;
  completa.familia = "QZT";
  completa.region = "EUR";
  completa.version = Texto_de("3.01.00000");
  completa.fpga_leida = true;
  completa.fpga_mayor = 3;
  completa.fpga_menor = 3;
  completa.mpeg4 = Datos_mpeg4{133, 7, 2, 5};
  completa.idioma = 1;
  Ficha_medidor arranque;
  arranque.conectado = true;
  arranque.modo_arranque = true;
  arranque.familia = "Q\x01T";
  arranque.version = Texto_de("1.05.00012");
  arranque.idioma = 3;
  struct Caso {
    const char* nombre;
    Ficha_medidor ficha;
    std::string texto;
    std::string json;
  };
  const Caso casos[] = {
      {"whole", completa,
       "> family:   QZT\n> region:   EUR\n> firmware: 3.01.00000\n"
       "> FPGA:     3.3\n> MPEG-4:   application 133 build 7, decoders 5, boot 2\n"
       "> language: English (1)",
       R"({"family":"QZT","region":"EUR","version":"3.01.00000","boot_stage":false,)"
       R"("fpga":"3.3","mpeg4":{"application":133,"build":7,"decoders":5,"boot":2},"language":1})"},
      {"boot stage", arranque,
       "> family:   Q?T\n> region:   the meter gives none\n> firmware: 1.05.00012 "
       "(answered in its "
       "boot stage)\n> FPGA:     not read\n> MPEG-4:   no answer\n> language: Portuguese (3)",
       R"({"family":"Q\u0001T","region":"","version":"1.05.00012","boot_stage":true,)"
       R"("fpga":null,"mpeg4":null,"language":3})"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(Texto_identidad(k.ficha, "> ", Idioma_linea("EN")), k.texto);
    EXPECT_EQ(Json_identidad(k.ficha), k.json);
  }
}

// The whole summary for a run that found nothing (every field null) and for one
// that failed a step on a port given by its path.
TEST(Json_resumen, NadaEncontradoYPasoFallido) {
  Resumen_linea nada;
  nada.resultado = "not-found";
  nada.codigo_salida = kSalida_no_encontrado;
  nada.duracion_s = 1.5;
  Resumen_linea fallido;
  fallido.puerto = 4;
  fallido.ruta = "/dev/ttyACM0";
  fallido.resultado = "failed";
  fallido.pasos = {{"main firmware", true, false, "failed", 12.25, "Grabar_flash: esperaba 0x80"},
                   {"MPEG-4 application", false, false, "not-run", 0, ""}};
  fallido.codigo_resultado = fallido.codigo_salida = 23;
  fallido.duracion_s = 40;
  fallido.motivo = "Grabar_flash: esperaba 0x80";
  fallido.pendientes = {"keyboard", "channel plans"};
  fallido.desconectado = true;
  fallido.aviso = "Leave the meter alone";
  struct Caso {
    const char* nombre;
    const Resumen_linea& resumen;
    std::string json;
  };
  const Caso casos[] = {
      {"nothing found", nada,
       R"({"port":null,"path":null,"outcome":"not-found","identity_before":null,)"
       R"("identity_after":null,"steps":[],"check":null,"result_code":0,"exit_code":31,)"
       R"("duration_s":1.5,"reason":null,"still_to_do":[],"disconnected":false,"warning":null})"},
      {"a failed step", fallido,
       R"({"port":"COM4","path":"/dev/ttyACM0","outcome":"failed","identity_before":null,)"
       R"("identity_after":null,"steps":[{"name":"main firmware","ran":true,"ok":false,)"
       R"("state":"failed","duration_s":12.25,"reason":"Grabar_flash: esperaba 0x80"},)"
       R"({"name":"MPEG-4 application","ran":false,"ok":false,"state":"not-run",)"
       R"("duration_s":0.0,"reason":null}],"check":null,"result_code":23,"exit_code":23,)"
       R"("duration_s":40.0,"reason":"Grabar_flash: esperaba 0x80",)"
       R"("still_to_do":["keyboard","channel plans"],"disconnected":true,)"
       R"("warning":"Leave the meter alone"})"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(Json_resumen(k.resumen), k.json);
  }
}

// What a terminal gets and a log does not: the progress line that rewrites
// itself and the bell of a failure. Ctrl-C is refused while the meter is written
// (as the window refuses to close), answers a question no (also with --si: the
// meter is let go, and that pause is told) and ends the run before it. The
// updating screen shows only once the meter is written.
TEST(Ejecutar_linea, TerminalYCtrlC) {
  enum class Ctrl_c { nunca, en_la_busqueda, en_la_pregunta, en_la_actualizacion };
  struct Caso {
    const char* nombre;
    Config_medidor medidor;
    bool terminal;  // stdout is a terminal
    Ctrl_c ctrl_c;
    int salida;
    const char* resultado;
    std::string lleva, no_lleva;  // in the output ("": nothing to look for)
  };
  Config_medidor reinicia = Medidor_rapido();
  reinicia.fallos = {Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1}};
  Config_medidor byte_erroneo = Medidor_rapido();
  byte_erroneo.fallos = {Fallo{Tipo_fallo::Ack_erroneo, Peticion::Grabacion, 1, 1}};
  const std::string aviso = Idioma_linea("EN").Asistente()[Texto::AVISOACT];
  const Caso casos[] = {
      // The FPGA step is the second, though its banner comes once its loaders are in.
      {"a whole update on a terminal", Medidor_rapido(), true, Ctrl_c::nunca, kSalida_correcta,
       "updated", "\r\033[K[2/4] FPGA set", "\a"},
      {"a wrong burn byte on a terminal rings the bell", byte_erroneo, true, Ctrl_c::nunca,
       kCodigo_firmware_grabacion, "failed", "\a", ""},
      {"a burn that falls silent does not", reinicia, true, Ctrl_c::nunca,
       kCodigo_firmware_grabacion, "failed", "\r\033[K[3/4] main firmware", "\a"},
      {"a log gets lines and no control bytes", reinicia, false, Ctrl_c::nunca,
       kCodigo_firmware_grabacion, "failed", "\n[3/4] main firmware", "\033"},
      {"Ctrl-C during the update is refused", Medidor_rapido(), false, Ctrl_c::en_la_actualizacion,
       kSalida_correcta, "updated", aviso, ""},
      {"Ctrl-C during the search ends the run", Medidor_rapido(), false, Ctrl_c::en_la_busqueda,
       kSalida_fallo_sin_codigo, "interrupted", "", aviso},
      {"Ctrl-C at the question cancels", Medidor_rapido(), false, Ctrl_c::en_la_pregunta,
       kSalida_fallo_sin_codigo, "cancelled", "The meter was let go in ", aviso},
  };
  Opciones_linea si;
  si.si = true;
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Banco_linea b(k.medidor);
    b.entorno.salida_terminal = k.terminal;
    bool actualizando = false;
    std::vector<bool> avisos;  // what the run told of the update starting and ending
    bool pulsado = false;
    b.entorno.al_cambiar_actualizando = [&](bool a) {
      actualizando = a;
      avisos.push_back(a);
    };
    b.entorno.tomar_interrupcion = [&] {
      if (pulsado || k.ctrl_c == Ctrl_c::nunca) return false;
      if (k.ctrl_c == Ctrl_c::en_la_pregunta && !actualizando) return false;
      if (k.ctrl_c == Ctrl_c::en_la_actualizacion && (!actualizando || b.Nada_escrito()))
        return false;
      pulsado = true;
      return true;
    };
    EXPECT_EQ(b.Ejecutar(si), k.salida) << b.salida.str();
    EXPECT_EQ(b.resumen.resultado, k.resultado);
    const bool actualiza = k.ctrl_c != Ctrl_c::en_la_busqueda;
    const bool escrito = actualiza && k.ctrl_c != Ctrl_c::en_la_pregunta;
    EXPECT_EQ(!b.Nada_escrito(), escrito);
    EXPECT_NE(k.ctrl_c == Ctrl_c::nunca, pulsado);
    // Closing is refused exactly while the update runs.
    const std::vector<bool> esperados =
        actualiza ? std::vector<bool>{true, false} : std::vector<bool>{};
    EXPECT_EQ(avisos, esperados);
    const std::string salida = b.salida.str();
    EXPECT_EQ(salida.find(b.entorno.textos.Asistente()[Texto::PASO4_L1]) != std::string::npos,
              escrito);
    if (!k.lleva.empty()) {
      EXPECT_NE(salida.find(k.lleva), std::string::npos) << k.lleva;
    }
    if (!k.no_lleva.empty()) {
      EXPECT_EQ(salida.find(k.no_lleva), std::string::npos) << k.no_lleva;
    }
  }
}

// --puerto with a device path: a path the port directory numbers keeps its
// number (also when named through a link); a new one takes the first free number
// and joins the port map; a path the map cannot hold, a full numbering or a
// directory that does not take the map are refused with their reason.
TEST(Numero_de_ruta, NumeroPropioONuevoOMotivo) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("r27_rutas_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string medidor = (dir / "medidor").string();
  std::ofstream(medidor).put('x');
  std::ofstream(dir / "otro").put('x');
  fs::create_symlink(medidor, dir / "enlace");
  // Every COM number taken, or a map the directory does not read back.
  struct Directorio_fijo final : Directorio_puertos {
    bool lleno = false;
    bool Existe(int) const override { return true; }
    std::vector<std::string> Nombres_sistema() const override {
      std::vector<std::string> v;
      for (int n = 1; lleno && n <= kMayor_numero_com; ++n) v.push_back("COM" + std::to_string(n));
      return v;
    }
    std::optional<std::string> Ruta(int n) const override {
      if (lleno) return "/dev/ttyS" + std::to_string(n);
      return std::nullopt;
    }
  };
  Directorio_fijo lleno;
  lleno.lleno = true;
  const Directorio_fijo sordo;
  struct Caso {
    const char* nombre;
    const Directorio_puertos& directorio;
    std::string ruta;
    std::optional<int> numero;  // none: refused; 0: a new number
    const char* motivo;
  };
  const Caso casos[] = {
      {"in the map", Directorio_sistema(), medidor, 27, ""},
      {"through a link", Directorio_sistema(), (dir / "enlace").string(), 27, ""},
      {"new", Directorio_sistema(), (dir / "otro").string(), 0, ""},
      {"no such device", Directorio_sistema(), (dir / "ninguno").string(), std::nullopt,
       "no such device"},
      {"a blank in it", Directorio_sistema(), (dir / "un medidor").string(), std::nullopt, "blank"},
      {"every number taken", lleno, medidor, std::nullopt, "no COM number is free"},
      {"a directory without the map", sordo, medidor, std::nullopt, "did not take"},
  };
  const char* antes = std::getenv(kVariable_puertos);
  const std::string mapa_antes = antes ? antes : "";
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const std::string mapa = "COM27=" + medidor;
    setenv(kVariable_puertos, mapa.c_str(), 1);
    std::string error;
    const std::optional<int> n = Numero_de_ruta(k.ruta, k.directorio, Idioma_linea("EN"), error);
    ASSERT_EQ(n.has_value(), k.numero.has_value()) << error;
    if (!n) {
      EXPECT_NE(error.find(k.motivo), std::string::npos) << error;
      continue;
    }
    if (*k.numero != 0) {
      EXPECT_EQ(*n, *k.numero);
      EXPECT_EQ(std::getenv(kVariable_puertos), mapa);  // the map is left as it was
    } else {
      EXPECT_NE(*n, 27);
      EXPECT_EQ(Directorio_sistema().Ruta(*n), k.ruta);
      EXPECT_EQ(Directorio_sistema().Ruta(27), medidor);  // the map keeps what it held
    }
  }
  if (antes) {
    setenv(kVariable_puertos, mapa_antes.c_str(), 1);
  } else {
    unsetenv(kVariable_puertos);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// The name a meter's device keeps through its restarts: its link in the folder of
// physical ports, the first by name when several lead to it; the path itself when
// no link leads to it or there is no such folder.
TEST(Ruta_estable, ElEnlaceDelPuertoFisico) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("r27_estable_" + std::to_string(getpid()));
  const fs::path por_ruta = dir / "by-path";
  fs::create_directories(por_ruta);
  const std::string medidor = (dir / "ttyACM0").string();
  const std::string otro = (dir / "ttyACM1").string();
  std::ofstream(medidor).put('x');
  std::ofstream(otro).put('x');
  fs::create_symlink(medidor, por_ruta / "pci-usb-0:1.2");
  fs::create_symlink(medidor, por_ruta / "pci-usb-0:1.1");
  fs::create_symlink(otro, por_ruta / "pci-usb-0:1.3");
  struct Caso {
    const char* nombre;
    std::string ruta, carpeta, estable;
  };
  const Caso casos[] = {
      {"two links: the first by name", medidor, por_ruta.string(),
       (por_ruta / "pci-usb-0:1.1").string()},
      {"one link", otro, por_ruta.string(), (por_ruta / "pci-usb-0:1.3").string()},
      {"no link to it", (dir / "pts").string(), por_ruta.string(), (dir / "pts").string()},
      {"no such folder", medidor, (dir / "nada").string(), medidor},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(Ruta_estable(k.ruta, k.carpeta), k.estable);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace r27::pruebas
