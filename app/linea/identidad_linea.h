#pragma once
// The meter's identity as the command line shows it to the technician: family,
// region, firmware version and build, FPGA version, MPEG-4 module versions and
// language, from what the connect read.
#include <string>

#include "app/nucleo/ficha_medidor.h"

namespace r27 {

// "application 132 build 0, decoders 5, boot 2", or "no answer".
std::string Texto_mpeg4(const Datos_mpeg4& m);

// Several lines, each starting with `sangria`, without a final line break.
std::string Texto_identidad(const Ficha_medidor& ficha, const std::string& sangria);

}  // namespace r27
