#pragma once
// The history's words in the chosen language, for every front end: the windows'
// dialog (its title, headings, the file line, each run's outcome and steps, the
// warnings of the reading), service mode's menu item and the "still to do" line
// after a service run. Where the command line shows the same word, the key is
// the command line's, so the language file translates it once.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace r27 {

// One text: its key in the language file and its English default.
struct Clave_historial {
  const char* clave;
  const char* defecto;
};

// The outcomes a record may hold, by their JSON word, and the steps by their key.
inline constexpr size_t kNumero_desenlaces = 15;
inline constexpr size_t kNumero_pasos = 7;

struct Textos_historial {
  std::string titulo;
  std::string cerrar;
  std::string menu;  // service mode's item
  std::string sin_fichero;
  std::string sin_ejecuciones;
  // {1} the file, {2} the line, {3} the reader's own words on what was wrong
  // (the language's text leaves them out: they are JSON's, not the technician's).
  std::string linea_danada;
  std::string pendiente;  // {1} the steps
  std::string si;
  std::string no;
  std::string fallido;  // marks a failed step
  std::array<std::string, 9> cabeceras;
  std::array<std::string, kNumero_desenlaces> desenlaces;
  std::array<std::string, kNumero_pasos> pasos;

  // An outcome by its JSON word, a step by its key; an unknown one as it stands.
  std::string Desenlace(std::string_view palabra) const;
  std::string Paso(std::string_view clave) const;
};

// Every text read through `leer` (key, English default -> the language's text).
using Lector_textos = std::function<std::string(std::string_view clave, std::string_view defecto)>;
Textos_historial Leer_textos_historial(const Lector_textos& leer);
// The English texts, as a file without them gives.
Textos_historial Textos_historial_defecto();

// Every key with its default, for the tests that check each language has it.
std::vector<Clave_historial> Claves_historial();

}  // namespace r27
