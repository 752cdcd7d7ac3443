// The meter's identity after the last connect.
#include "app/nucleo/ficha_medidor.h"

#include "app/nucleo/conexion.h"

namespace r27 {

Ficha_medidor Leer_ficha(const Conexion& conexion, const Estado_ventana& estado) {
  Ficha_medidor f = conexion.Lecturas();
  f.conectado = estado.conectado;
  f.modo_arranque = estado.modo_arranque;
  f.mpeg4 = estado.mpeg4;
  f.idioma = estado.idioma_medidor;
  return f;
}

std::string Texto_de_version(const Texto_version& v) {
  std::string s;
  for (char c : v)
    if (c != '\0') s.push_back(c);
  // Both fields empty (nothing read): no text rather than the lone point.
  return s == "." ? std::string() : s;
}

std::string Texto_fpga(const Ficha_medidor& ficha) {
  if (!ficha.fpga_leida) return {};
  return std::to_string(ficha.fpga_mayor) + "." + std::to_string(ficha.fpga_menor);
}

bool Mpeg4_contesto(const Datos_mpeg4& datos) {
  return datos.version_boot != 0xFF && datos.version_decoders != 0xFF;
}

}  // namespace r27
