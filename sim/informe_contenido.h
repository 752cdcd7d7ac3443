#pragma once
// Whether what the simulated meter holds after a run is exactly what the
// updater carries, as lines a script can check (each "igual" or "distinto"):
//   fpga_conjunto=igual    flash from segment 48 holds the set of the embedded
//                          FPGA configurations, directory and bitstreams
//   eeprom_zona=igual      the EEPROM pages of the zone step hold the default
//                          configuration and the four profiles for this meter
//                          (its language, the edition the update accepts, the
//                          status bit it showed at the start, the first plan set)
//   mpeg4_modulo=igual     the module's application and stage-2 program are the
//                          embedded ones
#include <string>

#include "sim/medidor_simulado.h"

namespace r27::sim {

std::string Informe_contenido(const Medidor_simulado& medidor);

}  // namespace r27::sim
