#pragma once
// The command line of r27-actualizar: its options, how they are read, and the
// --help text with the exit codes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  std::string traza;      // wire trace file, empty for none
  std::string idiomas;    // language file, empty for the usual places
  bool servicio = false;  // service mode: --pasos may choose the steps
  // --pasos: exactly these steps are ticked (service mode only).
  std::optional<std::vector<Paso_actualizacion>> pasos;
  std::optional<int> plan;  // --plan: the channel-plan set, as the menu chooses it
  bool historial = false;   // --historial: print the history of runs instead of running
  bool csv = false;         // --csv (with --historial): as CSV
};

// Several meters at once: --todos, or --puerto more than once.
inline bool Varios_medidores(const Opciones_linea& o) { return o.todos || o.puertos.size() > 1; }

struct Lectura_opciones {
  Opciones_linea opciones;
  std::string error;  // empty when the command line was read
};

// Reads the arguments after the program name.
Lectura_opciones Leer_opciones(const std::vector<std::string_view>& argumentos);

// A --puerto value; none when it is neither a COM name with a number in 1..255
// nor a path (a path starts with '/' or '.').
std::optional<Puerto_pedido> Interpretar_puerto(std::string_view texto);

// The --help text: usage, options and the exit code table.
std::string Texto_ayuda(std::string_view programa);

}  // namespace r27
