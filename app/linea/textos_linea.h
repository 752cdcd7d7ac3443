#pragma once
// The language texts of the command line: the language file the window reads
// (or the one --idiomas names), with a copy of the shipped file built into the
// program for what it lacks, so questions and screens are never blank.
#include <string>

#include "app/nucleo/idiomas.h"

namespace r27 {

// `ruta` empty: the window's language file when there is one. `aviso` tells
// when the built-in copy had to stand in for a whole file.
Textos_idioma Textos_linea(const std::string& ruta, std::string& aviso);

// The texts of the built-in copy, in its own language.
Textos_idioma Textos_incorporados();

// The command line's own texts.
// A run's record could not be written to the history (followed by the reason).
inline constexpr const char* kAviso_historial_no_escrito =
    "the run's result stands, but it could not be recorded in the history: ";
// --historial finds no history yet (followed by the file).
inline constexpr const char* kHistorial_vacio = "no run is recorded yet in ";

}  // namespace r27
