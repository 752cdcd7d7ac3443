// The command line and the history, in process against the simulated meter: every
// run that reaches a meter leaves one record saying what the run said; a history
// that cannot be written changes nothing of the run but one warning; and
// --historial prints the records as a table or as CSV.
#include "app/linea/historial_linea.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/linea/anotacion_en_curso.h"
#include "app/linea/codigos_salida.h"
#include "app/linea/mensajes_linea.h"
#include "app/linea/textos_linea.h"
#include "app/nucleo/historial.h"
#include "app/nucleo/json_historial.h"
#include "link/codigos_resultado.h"
#include "tests/linea/banco_linea.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

// The command line's texts about the history, in the bench's language (English),
// up to their first value.
const std::string kAviso_historial_no_escrito = Idioma_linea("EN")(kTl_historial_no_escrito, {""});
const std::string kHistorial_vacio = Idioma_linea("EN")(kTl_historial_vacio, {""});

class Carpeta_historial_prueba {
 public:
  Carpeta_historial_prueba() {
    ruta_ = fs::temp_directory_path() /
            ("r27_historial_linea_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(ruta_);
    fs::create_directories(ruta_);
    std::ofstream(ruta_ / "fichero") << "x";
  }
  ~Carpeta_historial_prueba() {
    std::error_code ec;
    fs::remove_all(ruta_, ec);
  }
  const fs::path& Ruta() const { return ruta_; }
  // A history whose folder would have to be made inside a file.
  fs::path Imposible() const { return ruta_ / "fichero" / "r27" / kNombre_historial; }

 private:
  fs::path ruta_;
};

size_t Cuenta(const std::string& texto, const std::string& buscado) {
  size_t n = 0;
  for (size_t p = texto.find(buscado); p != std::string::npos; p = texto.find(buscado, p + 1)) ++n;
  return n;
}

TEST(Historial_linea, CadaEjecucionQueLlegaAUnMedidorQuedaAnotadaSinCambiarSuResultado) {
  Carpeta_historial_prueba carpeta;
  Opciones_linea si;
  si.si = true;
  Opciones_linea con_traza = si;
  con_traza.traza = (carpeta.Ruta() / "traza.txt").string();
  Opciones_linea comprobar;
  comprobar.solo_comprobar = true;
  Opciones_linea otro_puerto = si;
  otro_puerto.puertos = {Puerto_pedido{5, {}}};
  auto con = [](auto cambio) {
    Config_medidor c = Medidor_rapido();
    cambio(c);
    return c;
  };
  struct Caso {
    const char* nombre;
    Config_medidor medidor;
    Opciones_linea opciones;
    std::string entrada;  // typed at the terminal
    bool anotada;         // the run leaves a record
  };
  const Caso casos[] = {
      {"a whole update", Medidor_rapido(), si, "", true},
      {"the burn restarts the meter", con([](Config_medidor& c) {
         c.fallos = {sim::Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1}};
       }),
       con_traza, "", true},
      {"cancelled at the question", Medidor_rapido(), Opciones_linea{}, "n\n", true},
      {"nothing needed", Medidor_al_dia(), si, "", true},
      {"--solo-comprobar", Medidor_rapido(), comprobar, "", true},
      {"another family", con([](Config_medidor& c) { c.familia = "VMK"; }), si, "", true},
      {"the meter answers m", con([](Config_medidor& c) { c.rechazo = true; }), si, "", true},
      {"no meter on the port", Medidor_rapido(), otro_puerto, "", false},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    auto ejecutar = [&](Historial& h, Banco_linea& b) {
      b.entrada.str(k.entrada);
      b.entorno.entrada_terminal = true;
      b.entorno.historial = &h;
      return b.Ejecutar(k.opciones);
    };
    Historial escribible(carpeta.Ruta() / k.nombre / kNombre_historial);
    Banco_linea b(k.medidor);
    const int salida = ejecutar(escribible, b);
    Historial imposible(carpeta.Imposible());
    Banco_linea sin_historial(k.medidor);
    const int salida_sin_historial = ejecutar(imposible, sin_historial);

    // The run is the same whether its record could be written or not...
    EXPECT_EQ(salida_sin_historial, salida);
    EXPECT_EQ(sin_historial.resumen.resultado, b.resumen.resultado);
    EXPECT_EQ(sin_historial.salida.str(), b.salida.str());
    EXPECT_EQ(b.errores.str().find(kAviso_historial_no_escrito), std::string::npos);
    // ...but for one warning, where a record was due.
    EXPECT_EQ(Cuenta(sin_historial.errores.str(), kAviso_historial_no_escrito), k.anotada ? 1u : 0u)
        << sin_historial.errores.str();

    const Lectura_historial l = escribible.Leer();
    EXPECT_TRUE(l.danadas.empty());
    ASSERT_EQ(l.registros.size(), k.anotada ? 1u : 0u);
    if (!k.anotada) continue;
    const Registro_historial& r = l.registros[0];
    const Resumen_linea& s = b.resumen;
    EXPECT_EQ(r.programa, "r27-actualizar");
    EXPECT_EQ(r.puerto, "COM3");
    EXPECT_EQ(r.resultado, s.resultado);
    EXPECT_EQ(r.codigo_resultado, s.codigo_resultado);
    EXPECT_EQ(r.motivo, s.motivo);
    EXPECT_DOUBLE_EQ(r.duracion_s, std::round(s.duracion_s * 1000) / 1000);
    EXPECT_EQ(r.antes.has_value(), s.antes.has_value());
    if (s.antes) {
      EXPECT_EQ(r.antes->familia, s.antes->familia);
    }
    EXPECT_EQ(r.despues.has_value(), s.despues.has_value());
    if (s.despues && r.despues) {
      EXPECT_EQ(r.despues->version, Version_completa_de_ficha(*s.despues));
    }
    ASSERT_EQ(r.pasos.size(), s.pasos.size());
    for (size_t i = 0; i < r.pasos.size(); ++i) {
      EXPECT_EQ(r.pasos[i].estado, s.pasos[i].estado);
      EXPECT_EQ(r.pasos[i].motivo, s.pasos[i].motivo);
    }
    EXPECT_EQ(r.comprobacion.has_value(), s.comprobacion.has_value());
    if (r.comprobacion && s.comprobacion) {
      EXPECT_EQ(r.comprobacion->probada, s.comprobacion->probada);
    }
    EXPECT_EQ(r.traza, k.opciones.traza.empty() ? "" : k.opciones.traza);
  }
}

TEST(Historial_linea, UnHistorialSinEscribirAvisaUnaVezAunqueSeanVariasEjecuciones) {
  Carpeta_historial_prueba carpeta;
  Historial imposible(carpeta.Imposible());
  Opciones_linea o;
  o.si = true;
  std::string errores;
  for (int i = 0; i < 2; ++i) {
    Banco_linea b(Medidor_al_dia());
    b.entorno.historial = &imposible;
    EXPECT_EQ(b.Ejecutar(o), kSalida_correcta);
    errores += b.errores.str();
  }
  EXPECT_EQ(Cuenta(errores, kAviso_historial_no_escrito), 1u) << errores;
}

// What the technician reads of a run's end comes after its record is on disk:
// a run cut off there has still been recorded.
TEST(Historial_linea, ElRegistroEstaEnDiscoAntesDeQueSeDigaElFinal) {
  // Output that notes whether the history file existed when a text first appeared.
  struct Salida_vigilada : std::stringbuf {
    fs::path fichero;
    std::string buscado;
    std::optional<bool> anotado;
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      const std::streamsize r = std::stringbuf::xsputn(s, n);
      if (!anotado && str().find(buscado) != std::string::npos) anotado = fs::exists(fichero);
      return r;
    }
    int overflow(int c) override {
      const int r = std::stringbuf::overflow(c);
      if (!anotado && str().find(buscado) != std::string::npos) anotado = fs::exists(fichero);
      return r;
    }
  };
  Carpeta_historial_prueba carpeta;
  struct Caso {
    const char* nombre;
    std::vector<sim::Fallo> fallos;
    Texto pantalla;  // the first line of the outcome screen
  };
  const Caso casos[] = {
      {"updated", {}, Texto::PASO5_L1},
      {"failed",
       {sim::Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}},
       Texto::P6_E4_L1},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    c.fallos = k.fallos;
    Banco_linea b(c);
    Historial h(carpeta.Ruta() / k.nombre / kNombre_historial);
    Salida_vigilada vigilada;
    vigilada.fichero = h.Fichero();
    vigilada.buscado = b.entorno.textos.Asistente()[k.pantalla];
    std::ostream salida(&vigilada);
    b.entorno.salida = &salida;
    b.entorno.historial = &h;
    Opciones_linea o;
    o.si = true;
    (void)b.Ejecutar(o);
    ASSERT_TRUE(vigilada.anotado) << vigilada.str();
    EXPECT_TRUE(*vigilada.anotado);
  }
}

// The process is about to be ended under a run (a Windows console closing):
// the run's record is written then, as interrupted, with the meter it reached and
// the steps as they stood; the run's own end, should it still come, writes no
// second record. Before the meter answered there is nothing to record, and the
// run's own record stays to be written.
TEST(Historial_linea, UnFinForzadoDejaLaEjecucionComoInterrumpida) {
  Carpeta_historial_prueba carpeta;
  struct Caso {
    const char* nombre;
    bool en_la_escritura;   // else during the search, before any meter answered
    const char* resultado;  // of the one record
  };
  const Caso casos[] = {{"while the meter is written", true, "interrupted"},
                        {"in the search", false, "updated"}};
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Banco_linea b(Medidor_rapido());
    Historial h(carpeta.Ruta() / k.nombre / kNombre_historial);
    b.entorno.historial = &h;
    bool forzado = false;
    b.entorno.tomar_interrupcion = [&] {
      if (!forzado && (k.en_la_escritura ? !b.Nada_escrito() : true)) {
        forzado = true;
        Anotar_interrumpidas();
      }
      return false;
    };
    Opciones_linea o;
    o.si = true;
    EXPECT_EQ(b.Ejecutar(o), kSalida_correcta);
    ASSERT_TRUE(forzado);
    const Lectura_historial l = h.Leer();
    ASSERT_EQ(l.registros.size(), 1u);
    const Registro_historial& r = l.registros[0];
    EXPECT_EQ(r.resultado, k.resultado);
    EXPECT_EQ(r.puerto, "COM3");
    EXPECT_EQ(r.ruta, "sim:COM3");
    ASSERT_TRUE(r.antes);
    EXPECT_EQ(r.antes->version, "3.00.00000");
    EXPECT_EQ(r.despues.has_value(), !k.en_la_escritura);
    ASSERT_FALSE(r.pasos.empty());
    EXPECT_EQ(r.pasos.front().paso, "zona");
  }
}

TEST(Historial_linea, TablaCsvYJsonLines) {
  Carpeta_historial_prueba carpeta;
  Historial h(carpeta.Ruta() / "datos" / kNombre_historial);
  struct Caso {
    const char* nombre;
    Forma_historial forma;
    int salida;
    size_t lineas;           // on stdout
    const char* en_errores;  // on stderr
  };
  const auto mostrar = [](const Historial& historial, Forma_historial forma, std::string& salida,
                          std::string& errores) {
    std::ostringstream s, e;
    const int codigo = Mostrar_historial(historial, forma, s, e, Idioma_linea("EN"));
    salida = s.str();
    errores = e.str();
    return codigo;
  };
  std::string salida, errores;
  // No run yet: said on stderr; the CSV is its heading.
  EXPECT_EQ(mostrar(h, Forma_historial::tabla, salida, errores), kSalida_correcta);
  EXPECT_TRUE(salida.empty());
  EXPECT_NE(errores.find(kHistorial_vacio), std::string::npos);
  EXPECT_EQ(mostrar(h, Forma_historial::csv, salida, errores), kSalida_correcta);
  EXPECT_EQ(Cuenta(salida, "\n"), 1u);
  EXPECT_EQ(mostrar(h, Forma_historial::json_lines, salida, errores), kSalida_correcta);
  EXPECT_TRUE(salida.empty());

  for (const Config_medidor& c : {Medidor_rapido(), Medidor_al_dia()}) {
    Banco_linea b(c);
    b.entorno.historial = &h;
    Opciones_linea o;
    o.si = true;
    (void)b.Ejecutar(o);
  }
  // A run cut off mid-record: its line is skipped with a warning.
  std::ofstream(h.Fichero(), std::ios::app) << "{\"time\":\"2025-";
  const Caso casos[] = {
      // The update's steps on a line of their own below it.
      {"table", Forma_historial::tabla, kSalida_correcta, 4, ", line 3:"},
      {"table, every column", Forma_historial::tabla_larga, kSalida_correcta, 3, ", line 3:"},
      {"CSV", Forma_historial::csv, kSalida_correcta, 3, ", line 3:"},
      {"JSON Lines", Forma_historial::json_lines, kSalida_correcta, 2, ", line 3:"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(mostrar(h, k.forma, salida, errores), k.salida);
    EXPECT_EQ(Cuenta(salida, "\n"), k.lineas) << salida;
    EXPECT_NE(errores.find(k.en_errores), std::string::npos) << errores;
    EXPECT_NE(salida.find("updated"), std::string::npos);
    // The table tells the outcome in the command line's language; the CSV and the
    // JSON Lines keep the record's word.
    const bool tabla = k.forma == Forma_historial::tabla || k.forma == Forma_historial::tabla_larga;
    EXPECT_NE(salida.find(tabla ? "the meter needs nothing" : "nothing-needed"), std::string::npos)
        << salida;
  }
  // The JSON Lines are the records as the file keeps them, each read back whole.
  EXPECT_EQ(mostrar(h, Forma_historial::json_lines, salida, errores), kSalida_correcta);
  std::istringstream lineas(salida);
  for (std::string linea; std::getline(lineas, linea);) {
    std::string error;
    EXPECT_TRUE(Registro_de_linea(linea, error).has_value()) << error;
  }
  // A history that is there and cannot be read.
  EXPECT_EQ(mostrar(Historial(carpeta.Ruta()), Forma_historial::tabla, salida, errores),
            kSalida_orden_erronea);
  EXPECT_FALSE(errores.empty());
}

}  // namespace
}  // namespace r27::pruebas
