#pragma once
// r27-actualizar --historial: the history of runs as a table, or as CSV.
#include <ostream>

#include "app/nucleo/historial.h"

namespace r27 {

// Prints the records on `salida` (oldest first); a damaged line's warning, or
// the news that no run is recorded yet, on `errores`. Returns the exit code:
// 0, or 40 when the history is there and cannot be read.
int Mostrar_historial(const Historial& historial, bool csv, std::ostream& salida,
                      std::ostream& errores);

}  // namespace r27
