#pragma once
// Several meters updated at once from one command line (--todos, or --puerto
// given more than once): a tray of meters on a USB hub after a firmware release.
//
// Each meter runs the whole single-meter run (Ejecutar_linea) in its own session
// on its own thread: its own port object, window state, loader images, texts and
// trace. Threads rather than processes, because the sessions share nothing but
// the terminal and the summary, and a process per meter would have to send its
// progress and outcome back over pipes. A meter that fails, is unplugged or
// answers garbage ends its own session only.
//
// The sessions still take the machine-wide port lock around every port call,
// as every port user on the machine does. One call holds it for a few
// milliseconds; the longest hold is a write into a transmit queue that does not
// move, which the port gives up after its stall limit (4 s): a stalled meter
// delays each call of the others by at most that much, an unplugged one not at
// all (its calls fail at once).
//
// Each meter's device is fixed when its session starts, by a path that survives
// its restarts (the hub port's): the COM numbers of the system's directory are
// read afresh at every call, and one meter's restart may renumber the others.
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/linea/opciones_linea.h"
#include "app/linea/resumen_json.h"
#include "app/linea/textos_linea.h"
#include "app/nucleo/historial.h"
#include "link/backend_serie.h"
#include "link/directorio_puertos.h"
#include "link/reloj.h"

namespace r27 {

// What one meter's session runs on.
struct Medios_medidor {
  std::unique_ptr<Backend_serie> backend;
  Reloj* reloj = nullptr;
};

struct Entorno_bandeja {
  // The system's port directory: the search's ports and the devices behind them.
  const Directorio_puertos* directorio = nullptr;
  // One meter's backend and clock; the backend opens its COM number through
  // `fijo`, which outlives it.
  std::function<Medios_medidor(int numero, const Directorio_puertos& fijo)> medios;
  // The path of a device that stays its own through restarts (see Ruta_estable).
  std::function<std::string(const std::string& ruta)> ruta_estable;
  // A --puerto path as a COM number, as for a single meter; null where paths
  // cannot be mapped.
  std::function<std::optional<int>(const std::string& ruta, std::string& error)> numero_de_ruta;
  std::ostream* salida = nullptr;   // stdout
  std::ostream* errores = nullptr;  // stderr
  bool salida_terminal = false;
  bool errores_terminal = false;
  // The width of the terminal the progress lines are drawn on (0: unknown): a
  // line longer than it would wrap, and the block would no longer redraw in place.
  int columnas = 0;
  Idioma_linea textos;  // the language of every text, each meter's too
  std::function<bool()> windows64;
  std::function<void(bool actualizando)> al_cambiar_actualizando;
  std::function<bool()> tomar_interrupcion;
  // Where each meter's run is recorded, one record each; none: no record. A
  // history that cannot be written warns once for the whole tray.
  Historial* historial = nullptr;
};

// Finds the meters (every port of the search with --todos, else the ports
// given), updates them all at once and prints a table of their outcomes (a
// JSON array with --json). The exit code is 0 when every meter was proven or
// needed nothing, else the first failing meter's in port order. With
// `resumenes`, each meter's summary, in port order.
int Ejecutar_bandeja(const Opciones_linea& opciones, Entorno_bandeja& entorno,
                     std::vector<Resumen_linea>* resumenes = nullptr);

// The trace file of the meter on COM `numero` when --traza names `traza`:
// "-COMn" before the extension ("t.txt" -> "t-COM3.txt").
std::string Traza_de_medidor(const std::string& traza, int numero);

// How the technician knows a meter of the tray: the path it was given by or is
// held by (`ruta`); on Windows, where a COM number names its device for good, and
// where no path is known, its COM number.
std::string Nombre_de_medidor(const std::string& ruta, int numero);

// The summary table: the meter (Nombre_de_medidor), identity before and after,
// result, code, duration and reason.
std::string Tabla_bandeja(const std::vector<Resumen_linea>& resumenes, const Idioma_linea& idioma);

}  // namespace r27
