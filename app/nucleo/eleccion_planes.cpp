// The choice of channel-plan set.
#include "app/nucleo/eleccion_planes.h"

namespace r27 {

bool Elegir_planes(Estado_ventana& estado, int32_t indice) {
  if (indice < 0 || indice >= kConjuntos_elegibles) return false;
  estado.indice_plan = indice;
  estado.planes_elegidos = true;
  estado.Check_planes = true;
  return true;
}

void Aplicar_eleccion_planes(Estado_ventana& estado) {
  estado.Check_planes = estado.planes_elegidos;
}

}  // namespace r27
