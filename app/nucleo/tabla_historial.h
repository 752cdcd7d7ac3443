#pragma once
// The history as a table: the command line's text table (--historial), its CSV
// for a spreadsheet (--historial --csv), and the cells the window's dialog shows.
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/registro_historial.h"

namespace r27 {

// "2025-03-07 14:05:09": the record's local time without its offset.
std::string Texto_hora(const Registro_historial& registro);
// "QZT EUR 3.01.00000 FPGA 3.3 MPEG-4 133"; empty when unknown.
std::string Texto_identidad_breve(const std::optional<Identidad_registrada>& identidad);
// The steps that ran, by key, a failed one marked: "zona fpga firmware(failed)".
std::string Texto_pasos_registrados(const Registro_historial& registro);
// "yes", "no", or empty when no check was made.
std::string Texto_probada(const Registro_historial& registro);

// Every record, oldest first, one line each, under a heading line: time, port,
// before, after, steps, outcome, code, proven, reason; columns aligned.
std::string Tabla_historial(const std::vector<Registro_historial>& registros);

// Every record as a CSV row (RFC 4180 quoting; "\n" line ends, which a text
// stream on Windows writes as CRLF) under a heading row of the JSON keys, with
// each identity field in a column of its own. A text cell that a spreadsheet
// would take for a formula is written with a leading quote.
std::string Csv_historial(const std::vector<Registro_historial>& registros);

}  // namespace r27
