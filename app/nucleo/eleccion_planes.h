#pragma once
// The technician's choice of channel-plan set, from "Configurar" > "Planes de
// canales". Nothing read from the meter selects a plan set, so without a choice
// no update writes one. A choice sets indice_plan (the set the plan step writes
// and the zone records follow) and ticks the plan step; it is kept in
// planes_elegidos, so the tick decision of the next connection, which clears
// every tick, ticks the plan step again. The update sequence clears
// planes_elegidos once it has written the set.
#include <cstdint>

#include "link/estado_ventana.h"

namespace r27 {

// The regional sets offered, by selector: European, Asian, North American,
// Eastern European, Australian.
inline constexpr int32_t kConjuntos_elegibles = 5;

// Chooses set `indice`: true and the state changed when it is 0..4; false and
// nothing changed otherwise.
bool Elegir_planes(Estado_ventana& estado, int32_t indice);

// The tick decision's share: the plan step is ticked exactly while a choice is
// pending.
void Aplicar_eleccion_planes(Estado_ventana& estado);

}  // namespace r27
