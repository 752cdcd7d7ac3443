// The history as the command line's table and as CSV for a spreadsheet.
#include "app/nucleo/tabla_historial.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/historial/registros_prueba.h"

namespace r27::pruebas {
namespace {

std::vector<std::string> Lineas(const std::string& texto) {
  std::vector<std::string> r;
  std::istringstream in(texto);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}

// The cell of column `clave` in the CSV's first row (cells without quotes).
std::string Celda(const std::string& csv, const std::string& clave) {
  const std::vector<std::string> lineas = Lineas(csv);
  auto partir = [](const std::string& l) {
    std::vector<std::string> c;
    std::istringstream in(l);
    for (std::string x; std::getline(in, x, ',');) c.push_back(x);
    if (!l.empty() && l.back() == ',') c.emplace_back();
    return c;
  };
  const std::vector<std::string> cabecera = partir(lineas.at(0));
  const std::vector<std::string> fila = partir(lineas.at(1));
  for (size_t i = 0; i < cabecera.size(); ++i)
    if (cabecera[i] == clave) return i < fila.size() ? fila[i] : "(missing)";
  return "(no column)";
}

TEST(Csv_historial, UnaColumnaPorCampoYCeldasQueUnaHojaNoMalinterpreta) {
  struct Caso {
    const char* nombre;
    std::string motivo;
    std::string familia;
    std::string celda_motivo;  // as the CSV line holds it
    std::string celda_familia;
  };
  const Caso casos[] = {
      {"plain", "Enviar_bloque: esperaba 0x30", "QZT", "Enviar_bloque: esperaba 0x30", "QZT"},
      {"a separator", "esperaba 0x30, llego nada", "QZT", "\"esperaba 0x30, llego nada\"", "QZT"},
      {"quotes", "llego \"m\"", "QZT", "\"llego \"\"m\"\"\"", "QZT"},
      {"a formula", "=HYPERLINK(\"x\")", "+QZ", "\"'=HYPERLINK(\"\"x\"\")\"", "'+QZ"},
      {"at and minus", "@SUM(A1)", "-1", "'@SUM(A1)", "'-1"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Registro_historial r = Registro_completo();
    r.motivo = k.motivo;
    r.antes->familia = k.familia;
    const std::string csv = Csv_historial({r});
    const std::vector<std::string> lineas = Lineas(csv);
    ASSERT_EQ(lineas.size(), 2u) << csv;
    EXPECT_NE(lineas[1].find("," + k.celda_motivo + ","), std::string::npos) << lineas[1];
    EXPECT_NE(lineas[1].find("," + k.celda_familia + ",EUR,"), std::string::npos) << lineas[1];
  }
  Registro_historial r = Registro_completo();
  r.motivo = "Enviar_bloque: esperaba 0x30";  // no separator: the cells split plainly
  r.pasos[2].motivo = r.motivo;
  const std::string csv = Csv_historial({r});
  EXPECT_EQ(Celda(csv, "port"), "COM3");
  EXPECT_EQ(Celda(csv, "result_code"), "21");
  EXPECT_EQ(Celda(csv, "before_version"), "3.00.00000");
  EXPECT_EQ(Celda(csv, "before_mpeg4"), "132/0");  // never the number 132.0
  EXPECT_EQ(Celda(csv, "before_build"), "(no column)");
  EXPECT_EQ(Celda(csv, "after_version"), "");  // not read after the failed run
  EXPECT_EQ(Celda(csv, "proven"), "");         // no check was made
  EXPECT_EQ(Celda(csv, "still_to_do"), "teclado");
  EXPECT_EQ(Celda(csv, "disconnected"), "yes");
  // An empty history is its heading alone.
  EXPECT_EQ(Lineas(Csv_historial({})).size(), 1u);
}

TEST(Tabla_historial, LargaColumnasAlineadasYLosPasosQueCorrieron) {
  Registro_historial correcta = Registro_completo();
  correcta.resultado = "updated";
  correcta.codigo_resultado = 0;
  correcta.motivo.clear();
  correcta.pasos[2].estado = "done";
  correcta.despues = Identidad_300();
  correcta.despues->version = "3.01.00000";
  correcta.comprobacion = Comprobacion_registrada{true, 17};
  const std::string t = Tabla_historial({Registro_completo(), correcta}, {}, true);
  const std::vector<std::string> l = Lineas(t);
  ASSERT_EQ(l.size(), 3u) << t;
  // Each column starts where its heading does.
  for (const char* columna : {"port", "before", "outcome", "reason"}) {
    const size_t en = l[0].find(columna);
    ASSERT_NE(en, std::string::npos);
    EXPECT_NE(l[1][en], ' ') << columna << "\n" << t;
    EXPECT_EQ(l[1][en - 1], ' ') << columna << "\n" << t;
  }
  EXPECT_EQ(l[1].rfind("2025-03-07 14:05:09  COM3", 0), 0u) << l[1];
  EXPECT_NE(l[1].find("zona, fpga, firmware (failed)  failed"), std::string::npos) << l[1];
  EXPECT_NE(l[1].find("Enviar_bloque: esperaba 0x30"), std::string::npos);
  EXPECT_NE(l[2].find("QZT EUR 3.00.00000 FPGA 3.2 MPEG-4 132  QZT EUR 3.01.00000"),
            std::string::npos)
      << l[2];
  EXPECT_NE(l[2].find("updated  0     yes"), std::string::npos) << l[2];
}

// Without --largo every line fits 120 columns, however long the steps, the
// outcome and the reason: a long outcome is cut after a whole word with "…",
// the steps and the reason go whole on the lines below their run.
TEST(Tabla_historial, CortaCabeEnCientoVeinteColumnas) {
  const auto ancho = [](const std::string& s) {
    size_t n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  Palabras_tabla largas;
  largas.cabecera = {"Datum",    "Anschluss", "Vorher",    "Nachher", "Schritte",
                     "Ergebnis", "Code",      "Bestätigt", "Grund"};
  largas.paso = [](const std::string& clave) { return "schrittname-" + clave + "-äöü"; };
  largas.resultado = [](const std::string&) {
    return std::string("abgelehnt: Busstatusprüfung fehlgeschlagen");
  };
  Registro_historial r = Registro_completo();
  r.puerto = "COM255";
  r.motivo.clear();
  for (int i = 0; i < 30; ++i) r.motivo += "Grabar_plan esperaba 0x" + std::to_string(i) + " ";
  r.motivo += std::string(150, 'x');  // a word longer than a line
  struct Caso {
    const char* nombre;
    Palabras_tabla palabras;
  };
  for (const Caso& k : {Caso{"English", {}}, Caso{"long words", largas}}) {
    SCOPED_TRACE(k.nombre);
    const std::string t = Tabla_historial({r, Registro_minimo("checked")}, k.palabras);
    const std::vector<std::string> l = Lineas(t);
    std::string debajo;
    for (size_t i = 0; i < l.size(); ++i) {
      EXPECT_LE(ancho(l[i]), kAncho_tabla_historial) << l[i];
      if (i >= 2 && l[i].rfind("  ", 0) == 0) debajo += l[i].substr(2) + " ";
    }
    // The run's own line: the time to the minute, the versions alone.
    EXPECT_EQ(l[1].rfind("2025-03-07 14:05  COM255", 0), 0u) << l[1];
    EXPECT_NE(l[1].find("  3.00.00000  "), std::string::npos) << l[1];
    // The steps and the reason, every word, below their run.
    const std::string pasos = k.palabras.cabecera[4] + ": ";
    EXPECT_NE(debajo.find(pasos + (k.palabras.paso ? "schrittname-zona-äöü, " : "zona, ")),
              std::string::npos)
        << t;
    const std::string cabecera = k.palabras.cabecera[8] + ": ";
    EXPECT_NE(debajo.find(cabecera + "Grabar_plan esperaba 0x0 "), std::string::npos) << t;
    EXPECT_NE(debajo.find("0x29 "), std::string::npos) << t;
    EXPECT_NE(debajo.find(std::string(110, 'x')), std::string::npos) << t;
  }
  // A long outcome keeps its whole words.
  const std::string t = Tabla_historial({r}, largas);
  EXPECT_NE(t.find("abgelehnt: Busstatusprüfung\u2026"), std::string::npos) << t;
}

}  // namespace
}  // namespace r27::pruebas
