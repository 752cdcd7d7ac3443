#pragma once
// What the windows' history dialog shows, whichever window draws it, in the
// chosen language: its title, a line naming the file and how many runs it
// holds, the column headings, one row per run newest first with its colours
// (the outcome and the steps in words), and the warnings of the reading (the
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
  static constexpr size_t kColumnas = 9;
  static constexpr int kColumna_resultado = 5;
  static constexpr int kColumna_motivo = 8;

  std::string titulo;
  std::string cerrar;
  std::array<std::string, kColumnas> cabeceras;
  std::string linea_fichero;          // "C:\...\historial.jsonl  (3)"
  std::vector<Fila_historial> filas;  // newest first
  std::vector<std::string> avisos;    // the reading's error first, then one per damaged line
};

// The rows as the file holds them, turned newest first; `fichero` names it
// (empty: the system names no data folder, so there is no history); the words
// in the language of `textos`.
Vista_historial Vista_de(const Lectura_historial& lectura, const std::string& fichero,
                         const Textos_historial& textos);

// None for a run that ended well.
std::optional<Colores_fila> Colores_de(Clase_registro clase);

}  // namespace r27
