#pragma once
// The command line of r27-actualizar: its options, how they are read, and the
// --help text with the exit codes, in the technician's language.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/linea/textos_linea.h"
#include "app/nucleo/pasos_actualizacion.h"

namespace r27 {

// Where --puerto points: a COM number ("COM7", "com7", "\\.\COM7") or a device path.
struct Puerto_pedido {
  int numero = 0;    // 0 when a path was given
  std::string ruta;  // empty when a COM number was given
};

struct Opciones_linea {
  // --puerto, each in the order given; none: the automatic search. More than
  // one, or --todos, updates several meters at once.
  std::vector<Puerto_pedido> puertos;
  bool todos = false;           // --todos: every meter the search's ports lead to
  bool si = false;              // answers yes to both confirmations
  bool solo_comprobar = false;  // connect, identify, report; write nothing
  bool json = false;            // one summary object on stdout at the end
  bool ayuda = false;
  bool version = false;   // --version: the program's and the embedded firmware's
  std::string traza;      // wire trace file, empty for none
  std::string idiomas;    // language file, empty for the usual places
  std::string idioma;     // --idioma: the language section, empty for the file's choice
  bool servicio = false;  // service mode: --pasos may choose the steps
  // --pasos: exactly these steps are ticked (service mode only).
  std::optional<std::vector<Paso_actualizacion>> pasos;
  std::optional<int> plan;  // --plan: the channel-plan set, as the menu chooses it
  bool historial = false;   // --historial: print the history of runs instead of running
  bool csv = false;         // --csv (with --historial): as CSV
  bool largo = false;       // --largo (with --historial): every column in full
};

// Several meters at once: --todos, or --puerto more than once.
inline bool Varios_medidores(const Opciones_linea& o) { return o.todos || o.puertos.size() > 1; }

struct Lectura_opciones {
  Opciones_linea opciones;
  std::string error;  // empty when the command line was read
};

// Reads the arguments after the program name; an error is told in `idioma`.
Lectura_opciones Leer_opciones(const std::vector<std::string_view>& argumentos,
                               const Idioma_linea& idioma);

// What --idiomas and --idioma name, looked for before the rest is read: the
// errors of the rest are told in that language.
struct Eleccion_idioma {
  std::string idiomas;
  std::string idioma;
};
Eleccion_idioma Buscar_eleccion_idioma(const std::vector<std::string_view>& argumentos);

// A --puerto value; none when it is neither a COM name with a number in 1..255
// nor a path (a path starts with '/' or '.').
std::optional<Puerto_pedido> Interpretar_puerto(std::string_view texto);

// The --help text: usage, options and the exit code table.
// `version_firmware`: the embedded firmware's ("3.01.00000"), named where
// --version is; empty leaves it out.
std::string Texto_ayuda(std::string_view programa, const Idioma_linea& idioma,
                        const std::string& version_firmware = {});
// The --version text: the program's version, then the embedded firmware's.
std::string Texto_version_linea(std::string_view programa, std::string_view version_programa,
                                const std::string& version_firmware, const Idioma_linea& idioma);

}  // namespace r27
