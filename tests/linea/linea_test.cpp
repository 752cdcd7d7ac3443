// The command-line updater run in process against the simulated meter on the
// virtual clock: one exit code per outcome, with what reached the meter; and the
// few pieces of its own (options, time-left estimate, JSON strings).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/linea/codigos_salida.h"
#include "app/linea/ejecutar_linea.h"
#include "app/linea/opciones_linea.h"
#include "app/linea/progreso_linea.h"
#include "app/linea/resumen_json.h"
#include "app/linea/textos_linea.h"
#include "link/codigos_resultado.h"
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
    EXPECT_NE(b.errores.str().find("Reason: Cargar_primera_etapa: expected "), std::string::npos)
        << b.errores.str();
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
      {{"--si", "--sí"}, false, 0, ""},
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

TEST(Estimar_restante_s, RitmoDelPasoOPresupuesto) {
  constexpr uint64_t t0 = 1'000'000'000;
  struct Caso {
    const char* nombre;
    int inicio, posicion, maximo;
    uint64_t medido_us;
    int64_t restante;
  };
  const Caso casos[] = {
      {"too early: the budget left", 100, 150, 1000, 2'999'999, 850},
      {"no advance yet: the budget left", 100, 100, 1000, 60'000'000, 900},
      {"twice as fast as the budget", 100, 120, 1000, 10'000'000, 440},
      {"three times slower", 0, 10, 100, 30'000'000, 270},
      {"at the end", 0, 1000, 1000, 50'000'000, 0},
      {"past the end", 0, 1200, 1000, 50'000'000, 0},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(Estimar_restante_s(k.inicio, t0, k.posicion, t0 + k.medido_us, k.maximo), k.restante);
  }
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
  };
  for (const Caso& k : casos) EXPECT_EQ(Cadena_json(k.texto), k.json);
}

}  // namespace
}  // namespace r27::pruebas
