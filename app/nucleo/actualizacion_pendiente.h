#pragma once
// PLACEHOLDER for the update run. This build finds, connects and checks the
// meter, but does not yet contain the update sequence that rewrites it. A ready
// meter reaches this instead: the technician is told so in a plain message box,
// the meter is let go and the wizard returns to its start screen. Nothing is
// written to the meter. Replace the wizard's ejecutar_actualizacion hook with the
// update sequence when it exists.
#include "asistente.h"
#include "interfaz_ventana.h"

namespace r27 {

inline constexpr const char* kAviso_sin_actualizacion =
    "The meter is ready and connected, but this build does not contain the update "
    "sequence yet. Nothing has been written to the meter; it will now be disconnected.";

void Actualizacion_no_incluida(Interfaz_ventana& ventana, Asistente& asistente);

}  // namespace r27
