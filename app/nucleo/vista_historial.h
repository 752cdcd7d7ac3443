#pragma once
// What the windows' "Historial..." dialog shows, whichever window draws it: a
// line naming the file and how many runs it holds, the column headings, one row
// per run newest first with its colours, and the warnings of the reading (the
// file could not be read, a damaged line was skipped).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/historial.h"

namespace r27 {

struct Color_rgb {
  uint8_t r, g, b;
  bool operator==(const Color_rgb&) const = default;
};

// A run that did not end well stands out: a tinted row, its text darker in the
// same hue.
struct Colores_fila {
  Color_rgb fondo;
  Color_rgb texto;
  bool operator==(const Colores_fila&) const = default;
};

struct Fila_historial {
  std::array<std::string, 9> celdas;
  Clase_registro clase = Clase_registro::correcta;
};

struct Vista_historial {
  static constexpr const char* kTitulo = "Historial";
  static constexpr const char* kCerrar = "Cerrar";
  static constexpr int kColumna_resultado = 5;
  static constexpr int kColumna_motivo = 8;
  static constexpr std::array<const char*, 9> kCabeceras = {"Fecha",   "Puerto",     "Antes",
                                                            "Despues", "Pasos",      "Resultado",
                                                            "Codigo",  "Comprobada", "Motivo"};

  std::string linea_fichero;          // "C:\...\historial.jsonl  (3)"
  std::vector<Fila_historial> filas;  // newest first
  std::vector<std::string> avisos;    // the reading's error first, then one per damaged line
};

// The rows as the file holds them, turned newest first; `fichero` names it
// (empty: the system names no data folder, so there is no history).
Vista_historial Vista_de(const Lectura_historial& lectura, const std::string& fichero);

// None for a run that ended well.
std::optional<Colores_fila> Colores_de(Clase_registro clase);

}  // namespace r27
