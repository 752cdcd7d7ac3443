#pragma once
// One run of the updater as the history keeps it: when, which program and
// version, the port, the meter before and after, each step's outcome and
// duration, the result code and its reason, the check after writing and the
// trace file. Built from a run's outcome; historial.h writes and reads it.
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/desenlace.h"
#include "app/nucleo/ficha_medidor.h"

namespace r27 {

struct Mpeg4_registrado {
  int aplicacion = 0;
  int build = 0;
  int decoders = 0;
  int boot = 0;
  bool operator==(const Mpeg4_registrado&) const = default;
};

// A meter's identity as text (UTF-8), as the connect read it.
struct Identidad_registrada {
  std::string familia;
  std::string region;
  std::string version;  // "3.01.00000"
  bool modo_arranque = false;
  std::string fpga;                       // "3.3"; empty when it was not read
  std::optional<Mpeg4_registrado> mpeg4;  // none when the module did not answer
  int idioma = 0;
  bool operator==(const Identidad_registrada&) const = default;
};

Identidad_registrada Identidad_de_ficha(const Ficha_medidor& ficha);

struct Paso_registrado {
  std::string paso;    // the step's key, as --pasos names it ("zona", "firmware")
  std::string estado;  // "not-run", "done", "failed" or "cancelled"
  double duracion_s = 0;
  std::string motivo;  // the failure of a failed step
  bool operator==(const Paso_registrado&) const = default;
};

struct Comprobacion_registrada {
  bool probada = false;
  double duracion_s = 0;
  bool operator==(const Comprobacion_registrada&) const = default;
};

// How a run reads at a glance: the history's table colours its rows by it.
enum class Clase_registro { correcta, fallida, incompleta };

struct Registro_historial {
  std::string hora;      // local time with its offset, "2025-03-07T14:05:09+01:00"
  std::string programa;  // "r27-actualizar", "r27-update"
  std::string version_programa;
  std::string puerto;  // "COM3"
  std::string ruta;    // the device path, when known
  // One word: updated, failed, cancelled, nothing-needed, checked, refused-...,
  // interrupted (the command line's words).
  std::string resultado;
  int codigo_resultado = 0;
  std::string motivo;         // the failure behind the result code
  bool desconectado = false;  // the meter was unplugged during the run
  std::optional<Identidad_registrada> antes;
  std::optional<Identidad_registrada> despues;  // none when a run wrote and could not read it
  std::vector<Paso_registrado> pasos;
  std::optional<Comprobacion_registrada> comprobacion;  // none when no check was made
  std::vector<std::string> pendientes;                  // keys of steps the meter still asks for
  double duracion_s = 0;                                // the whole run, 0 when not measured
  std::string traza;                                    // the wire trace file, if one was written

  Clase_registro Clase() const;
  bool operator==(const Registro_historial&) const = default;
};

// What the meter holds after an update run: what the check after writing read;
// the identity before when nothing was written; none when the run wrote and the
// meter was not read again (or did not come back).
std::optional<Ficha_medidor> Ficha_despues(const std::optional<Ficha_medidor>& antes,
                                           const Desenlace_actualizacion& desenlace);

// The run's one word: updated, failed or cancelled.
const char* Palabra_desenlace(const Desenlace_actualizacion& desenlace);

// The record of an update run on `puerto` ("COM3"): identities, steps, code,
// reason and check from its outcome; the time and this program's version now.
// The caller adds the program's name, the device path, the run's duration and
// the trace file.
Registro_historial Registro_de_actualizacion(const std::string& puerto,
                                             const std::optional<Ficha_medidor>& antes,
                                             const Desenlace_actualizacion& desenlace);

// The record of a run that reached a meter and wrote nothing (refused, needs
// nothing, only checked, interrupted): `resultado` is its word.
Registro_historial Registro_sin_actualizacion(const std::string& puerto,
                                              const std::optional<Ficha_medidor>& antes,
                                              const std::string& resultado);

// Now, local time with its offset from UTC: "2025-03-07T14:05:09+01:00".
std::string Hora_local_iso();

}  // namespace r27
