#pragma once
// How a run ended, as every front end reads it: the window, the command line
// (its exit code, its text and its JSON) and anything later. The wizard's search
// and checks end in one `Desenlace_busqueda`; an update run in one
// `Desenlace_actualizacion`, step by step, with the check after writing.
#include <cstdint>
#include <optional>
#include <vector>

#include "app/nucleo/comprobacion.h"
#include "app/nucleo/ficha_medidor.h"
#include "app/nucleo/pasos_actualizacion.h"
#include "link/fallo.h"

namespace r27 {

// Where the wizard's second click ended.
enum class Desenlace_busqueda {
  sin_busqueda,     // no search ran (yet)
  no_encontrado,    // no port answered as a meter
  sin_permiso,      // none found, and a port could not be opened for lack of permission
  ocupado,          // none found, and a port is held by another program
  respuesta_m,      // a meter answered "m": it refuses the connection
  rechazo_familia,  // another family
  rechazo_region,   // a meter of the American region
  rechazo_nivel,    // its power level is too low
  rechazo_estado,   // it failed its internal bus status check
  nada_que_hacer,   // one of ours that needs nothing
  listo,            // a ready meter was handed to the update
};

// A step the technician's refusal left out is cancelled; one left out after a
// failed step is not run.
enum class Estado_paso { no_ejecutado, hecho, fallido, cancelado };

struct Desenlace_paso {
  Paso_actualizacion paso{};
  Estado_paso estado = Estado_paso::no_ejecutado;
  std::optional<Fallo> fallo;  // set when the step failed
  double duracion_s = 0;       // from its start to its end, on the run's clock
};

// The check after writing, when the run made one.
struct Resultado_comprobacion {
  bool hecha = false;    // the run wrote something and did not fail, so it was checked
  bool probada = false;  // the restarted meter proved the update
  Ficha_medidor ficha;   // what the connect after the restart read
  Juicio_comprobacion juicio;
  double duracion_s = 0;
};

struct Desenlace_actualizacion {
  // `Actualizar_medidor`'s answer: the run failed or was cancelled.
  bool fallida = false;
  // The technician said no at a question (no step ran because of it). A cancel
  // shows the failed screen with code 0 (or the baud switch's code).
  bool cancelada = false;
  // The meter was unplugged during the run: the failure came at once, and the
  // clean-up that only serves a meter was left out.
  bool desconectado = false;
  // The unplug hit a step while the meter wrote its own flash (the FPGA set's
  // burn, the firmware's burn, the module's update): it may still be writing.
  bool grabando_al_desconectar = false;
  int32_t codigo = 0;           // the result code the failed screen shows
  std::optional<Fallo> motivo;  // the failure behind `codigo`
  // The steps counted for the run, in the order they run.
  std::vector<Desenlace_paso> pasos;
  Resultado_comprobacion comprobacion;
  // What the restarted meter still asks for (steps this run did not choose):
  // information, never a failure.
  std::vector<Paso_actualizacion> pendientes;

  bool Alguno_ejecutado() const {
    for (const Desenlace_paso& p : pasos)
      if (p.estado == Estado_paso::hecho || p.estado == Estado_paso::fallido) return true;
    return false;
  }
};

}  // namespace r27
