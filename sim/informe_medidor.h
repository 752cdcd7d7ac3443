#pragma once
// What the simulated meter holds after a run, as lines a script can check:
//   firmware=igual | firmware=distinto segmento K | firmware=sin-imagen
//   version=3.01.00000      (the identity block's version and build)
//   fpga=3.3                (the FPGA set directory's configuration version)
//   mpeg4=133,0,5,2         (the module's application, build, decoders, boot)
//   reinicios=N
// Everything is read from the model's memories, not from its configuration, so
// a burn that left the old contents shows the old values.
#include <span>
#include <string>

#include "sim/medidor_simulado.h"

namespace r27::sim {

// `imagen_hex` is the firmware image as Intel HEX text (data and extended linear
// address records); each 64 KiB segment it writes must equal the meter's flash
// segment, with 0xFF where no record writes.
std::string Informe_medidor(const Medidor_simulado& medidor, std::span<const char> imagen_hex);

}  // namespace r27::sim
