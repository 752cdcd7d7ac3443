#pragma once
// r27-actualizar --historial: the history of runs as a table, as CSV, or as
// JSON Lines (--json: the records as the file keeps them, one object a line).
#include <ostream>

#include "app/linea/textos_linea.h"
#include "app/nucleo/historial.h"

namespace r27 {

// Prints the records on `salida` (oldest first); a damaged line's warning, or
// the news that no run is recorded yet, on `errores`. Returns the exit code:
// 0, or 40 when the history is there and cannot be read. The table is in
// `idioma`, its outcomes and reasons too; the CSV keeps the records' own words
// under the JSON keys, for a spreadsheet; JSON Lines are the records themselves.
// The table fits 120 columns; `tabla_larga` (--largo) shows every column in full.
enum class Forma_historial { tabla, tabla_larga, csv, json_lines };
int Mostrar_historial(const Historial& historial, Forma_historial forma, std::ostream& salida,
                      std::ostream& errores, const Idioma_linea& idioma);

}  // namespace r27
