// What the windows' history dialog shows: read from a real file, newest first,
// damaged lines skipped with their warning, and the line naming the file.
#include "app/nucleo/vista_historial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "tests/historial/registros_prueba.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

Registro_historial Ejecucion(const char* hora, const char* resultado) {
  Registro_historial r = Registro_minimo(resultado);
  r.hora = hora;
  r.puerto = "COM3";
  return r;
}

TEST(Vista_historial, FilasNuevasPrimeroLineasDanadasSaltadasYElFicheroNombrado) {
  struct Caso {
    const char* nombre;
    std::vector<Registro_historial> registros;  // appended in this order
    const char* danada;                         // a line written after them, or null
    bool sin_fichero;                           // the history names no file
    std::string linea;                          // after the path
    std::vector<std::string> resultados;        // the outcome column, top to bottom
    std::vector<Clase_registro> clases;
    size_t avisos;
  };
  const Caso casos[] = {
      {"never written", {}, nullptr, false, "  (no runs)", {}, {}, 0},
      {"only a damaged line", {}, "{\"time\":", false, "  (no runs)", {}, {}, 1},
      {"no data folder", {}, nullptr, true, "(no history file)", {}, {}, 0},
      {"three runs and a cut-off one",
       {Ejecucion("2025-03-07T10:00:00+01:00", "updated"),
        Ejecucion("2025-03-07T11:00:00+01:00", "failed"),
        Ejecucion("2025-03-07T12:00:00+01:00", "cancelled")},
       "{\"time\":\"2025-03-07T13:00",
       false,
       "  (3)",
       {"cancelled", "failed", "updated"},
       {Clase_registro::incompleta, Clase_registro::fallida, Clase_registro::correcta},
       1},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Carpeta_temporal carpeta;
    Historial h(carpeta.Ruta() / "r27" / kNombre_historial);
    for (const Registro_historial& r : k.registros) ASSERT_TRUE(h.Anotar(r).escrita);
    if (k.danada) {
      fs::create_directories(h.Fichero().parent_path());
      std::ofstream(h.Fichero(), std::ios::app) << k.danada << "\n";
    }
    const std::string fichero = k.sin_fichero ? std::string() : h.Fichero().string();
    const Vista_historial v = Vista_de(h.Leer(), fichero, Textos_historial_defecto());
    EXPECT_EQ(v.linea_fichero, fichero + k.linea);
    std::vector<std::string> resultados;
    std::vector<Clase_registro> clases;
    for (const Fila_historial& f : v.filas) {
      resultados.push_back(f.celdas[Vista_historial::kColumna_resultado]);
      clases.push_back(f.clase);
    }
    EXPECT_EQ(resultados, k.resultados);
    EXPECT_EQ(clases, k.clases);
    ASSERT_EQ(v.avisos.size(), k.avisos);
    if (k.avisos) {
      EXPECT_EQ(v.avisos[0].rfind(fichero + ", line ", 0), 0u) << v.avisos[0];
    }
  }
}

// Every column of a failed run, under its heading, as the command line shows it.
TEST(Vista_historial, CeldasDeUnaEjecucionFallida) {
  Lectura_historial l;
  l.existe = true;
  Registro_historial r = Registro_completo();
  r.comprobacion = Comprobacion_registrada{false, 2.5};
  l.registros = {r};
  l.error = "cannot read";
  // Every word from the language: here each text is its own key.
  const Textos_historial textos = Leer_textos_historial(
      [](std::string_view clave, std::string_view) { return "<" + std::string(clave) + ">"; });
  const Vista_historial v = Vista_de(l, "h.jsonl", textos);
  ASSERT_EQ(v.filas.size(), 1u);
  const std::array<std::string, 9> esperadas = {
      "2025-03-07 14:05:09",
      "COM3",
      "QZT EUR 3.00.00000 FPGA 3.2 MPEG-4 132",
      "",
      "<LINEA_PASO_ZONA>, <LINEA_PASO_FPGA>, <LINEA_PASO_FIRMWARE> (<LINEA_ESTADO_FALLIDO>)",
      "<LINEA_DESENLACE_FALLIDO>",
      "21",
      "<LINEA_NO>",
      "Enviar_bloque: esperaba 0x30, llego nada (tiempo agotado)"};
  EXPECT_EQ(v.filas[0].celdas, esperadas);
  EXPECT_EQ(v.cabeceras[Vista_historial::kColumna_motivo], "<LINEA_TABLA_MOTIVO>");
  EXPECT_EQ(v.titulo, "<HISTORIAL_TITULO>");
  EXPECT_EQ(v.cerrar, "<HISTORIAL_CERRAR>");
  EXPECT_EQ(v.avisos, std::vector<std::string>{"cannot read"});
  // An outcome or a step no language knows (a newer program's) as recorded.
  EXPECT_EQ(textos.Desenlace("melted"), "melted");
  EXPECT_EQ(textos.Paso("cafetera"), "cafetera");
}

// A row's text stays readable on its tint (contrast of at least 4.5 to 1), and a
// failed run does not look like an incomplete one.
TEST(Vista_historial, ColoresLegiblesYDistintos) {
  const auto luminancia = [](Color_rgb c) {
    const auto canal = [](uint8_t v) {
      const double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * canal(c.r) + 0.7152 * canal(c.g) + 0.0722 * canal(c.b);
  };
  EXPECT_FALSE(Colores_de(Clase_registro::correcta));
  for (Clase_registro clase : {Clase_registro::fallida, Clase_registro::incompleta}) {
    const std::optional<Colores_fila> c = Colores_de(clase);
    ASSERT_TRUE(c);
    const double contraste = (luminancia(c->fondo) + 0.05) / (luminancia(c->texto) + 0.05);
    EXPECT_GE(contraste, 4.5) << static_cast<int>(clase);
  }
  EXPECT_NE(Colores_de(Clase_registro::fallida), Colores_de(Clase_registro::incompleta));
}

}  // namespace
}  // namespace r27::pruebas
