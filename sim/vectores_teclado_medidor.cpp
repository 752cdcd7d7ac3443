#include "sim/vectores_teclado_medidor.h"

#include "data/teclado/vectores_teclado.h"

namespace r27::sim {

// The meter's copy of the tables is the same data as the updater's: one source.
std::span<const uint32_t> Tabla_vectores(uint8_t codigo) { return datos::Vectores_teclado(codigo); }

}  // namespace r27::sim
