#pragma once
// The history as a table: the command line's text table (--historial), its CSV
// for a spreadsheet (--historial --csv), and the cells the window's dialog shows.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/registro_historial.h"
#include "app/nucleo/textos_historial.h"

namespace r27 {

// "2025-03-07 14:05:09": the record's local time without its offset.
std::string Texto_hora(const Registro_historial& registro);
// "QZT EUR 3.01.00000 FPGA 3.3 MPEG-4 133"; empty when unknown.
std::string Texto_identidad_breve(const std::optional<Identidad_registrada>& identidad);
// "yes", "no", or empty when no check was made (the CSV's words).
std::string Texto_probada(const Registro_historial& registro);

// The words of the text table, in the reader's language; English by default.
struct Palabras_tabla {
  std::array<std::string, 9> cabecera = {"time",    "port", "before", "after", "steps",
                                         "outcome", "code", "proven", "reason"};
  std::string si = "yes";
  std::string no = "no";
  std::string fallido = "failed";  // marks a failed step: "main firmware (failed)"
  // The outcome, a step's key and the reason as the reader reads them; null:
  // as recorded.
  std::function<std::string(const std::string&)> resultado;
  std::function<std::string(const std::string&)> paso;
  std::function<std::string(const std::string&)> motivo;
};
// The words of `textos`; the reason as recorded.
Palabras_tabla Palabras_de(const Textos_historial& textos);

// The steps that ran in words, a failed one marked: "zone configuration, FPGA
// set and screen graphics (FAILED)".
std::string Texto_pasos_registrados(const Registro_historial& registro,
                                    const Palabras_tabla& palabras);

// A terminal the table fits without --largo.
inline constexpr size_t kAncho_tabla_historial = 120;

// Every record, oldest first, under a heading line, columns aligned by the
// characters shown (a heading with accents lines up too). Short: time to the
// minute, port, the firmware before and after, outcome, code and proven, a long
// outcome cut after a whole word, so it fits kAncho_tabla_historial columns; the
// steps and a failed run's reason whole on the lines below it, wrapped. Long
// (`largo`): every column in full on one line (time, port, identity before and
// after, steps, outcome, code, proven, reason).
std::string Tabla_historial(const std::vector<Registro_historial>& registros,
                            const Palabras_tabla& palabras = {}, bool largo = false);

// Every record as a CSV row (RFC 4180 quoting; "\n" line ends, which a text
// stream on Windows writes as CRLF) under a heading row of the JSON keys, with
// each identity field in a column of its own. A text cell that a spreadsheet
// would take for a formula is written with a leading quote.
std::string Csv_historial(const std::vector<Registro_historial>& registros);

}  // namespace r27
