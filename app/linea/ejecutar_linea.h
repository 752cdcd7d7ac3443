#pragma once
// One run of the command-line updater: the wizard's search (automatic, or the
// port given), the identity and the steps printed, the update sequence behind
// the terminal's operator interface, and the outcome as an exit code. Everything
// the run needs from the system comes in through Entorno, so a test drives it in
// process against the simulated meter on the virtual clock.
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/linea/opciones_linea.h"
#include "app/linea/resumen_json.h"
#include "app/linea/textos_linea.h"
#include "app/nucleo/historial.h"
#include "link/backend_serie.h"
#include "link/directorio_puertos.h"
#include "link/reloj.h"

namespace r27 {

struct Entorno_linea {
  std::unique_ptr<Backend_serie> backend;  // the serial port's backend
  Reloj* reloj = nullptr;
  const Directorio_puertos* directorio = nullptr;
  std::istream* entrada = nullptr;
  std::ostream* salida = nullptr;   // stdout
  std::ostream* errores = nullptr;  // stderr
  bool entrada_terminal = false;
  bool salida_terminal = false;
  bool errores_terminal = false;
  // Waits until the technician's answer can be read; false on Ctrl-C. Null: read at once.
  std::function<bool()> esperar_entrada;
  // The language of every text printed.
  Idioma_linea textos;
  // Gives a device path a COM number the port can open it by; on failure none,
  // with the reason in `error`. Null where paths cannot be mapped.
  std::function<std::optional<int>(const std::string& ruta, std::string& error)> numero_de_ruta;
  // The WOW64 answer; null for the system's.
  std::function<bool()> windows64;
  // Told when an update starts and ends (closing is refused meanwhile).
  std::function<void(bool actualizando)> al_cambiar_actualizando;
  // Asked whenever window messages would run: true when the technician asked to
  // stop (Ctrl-C, SIGTERM, the terminal or the pipe closed...) since the last
  // call. Refused while the meter is written; at a question it answers no;
  // elsewhere the run ends as interrupted.
  std::function<bool()> tomar_interrupcion;
  // When set, the progress line goes here instead of to the terminal.
  std::function<void(const std::string& linea)> al_progreso;
  // The path the meter is known by when its port comes as a COM number (a meter
  // of a tray: the path the technician gave, or the stable one it is held by).
  // It names the meter in the summary and the history; empty: the port's device.
  std::string ruta_medidor;
  // Where every run that reaches a meter is recorded; none: no record.
  Historial* historial = nullptr;
};

// Runs the command line's work and returns the exit code (codigos_salida.h).
// With `resumen`, the summary is also handed back.
int Ejecutar_linea(const Opciones_linea& opciones, Entorno_linea& entorno,
                   Resumen_linea* resumen = nullptr);

}  // namespace r27
