// PLACEHOLDER for the update run: tells the technician, lets the meter go.
#include "actualizacion_pendiente.h"

namespace r27 {

void Actualizacion_no_incluida(Interfaz_ventana& ventana, Asistente& asistente) {
  ventana.Mensaje(kAviso_sin_actualizacion);
  asistente.Volver_al_inicio();
}

}  // namespace r27
