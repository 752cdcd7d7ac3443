// The meter's identity as text for the technician.
#include "app/linea/identidad_linea.h"

namespace r27 {

namespace {

// Meter texts may hold any byte: control bytes are shown as '?'.
std::string Imprimible(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

}  // namespace

std::string Texto_mpeg4(const Datos_mpeg4& m) {
  if (!Mpeg4_contesto(m)) return "no answer";
  return "application " + std::to_string(m.version_aplicacion) + " build " +
         std::to_string(m.build_aplicacion) + ", decoders " + std::to_string(m.version_decoders) +
         ", boot " + std::to_string(m.version_boot);
}

std::string Texto_identidad(const Ficha_medidor& f, const std::string& s) {
  const std::string fpga = Texto_fpga(f);
  std::string t;
  t += s + "family:    " + Imprimible(f.familia) + "\n";
  t += s + "region:    " + Imprimible(f.region) + "\n";
  t += s + "firmware:  version " + Imprimible(Version_de_ficha(f)) + ", build " +
       Imprimible(Build_de_ficha(f)) + (f.modo_arranque ? " (answered in its boot stage)" : "") +
       "\n";
  t += s + "FPGA:      " + (fpga.empty() ? std::string("not read") : fpga) + "\n";
  t += s + "MPEG-4:    " + Texto_mpeg4(f.mpeg4) + "\n";
  t += s + "language:  " + std::to_string(f.idioma);
  return t;
}

}  // namespace r27
