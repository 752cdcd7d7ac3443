// The meter's identity after the last connect.
#include "app/nucleo/ficha_medidor.h"

#include "app/nucleo/conexion.h"

namespace r27 {

namespace {

std::string Campo(const Texto_version& v, size_t desde, size_t cuantos) {
  std::string s;
  for (size_t i = desde; i < desde + cuantos && i < v.size() && v[i] != '\0'; ++i)
    s.push_back(v[i]);
  return s;
}

}  // namespace

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

std::string Version_de_ficha(const Ficha_medidor& f) { return Campo(f.version, 0, 4); }

std::string Build_de_ficha(const Ficha_medidor& f) { return Campo(f.version, 5, 5); }

std::string Version_completa_de_ficha(const Ficha_medidor& f) {
  const std::string build = Build_de_ficha(f);
  return build.empty() ? Version_de_ficha(f) : Version_de_ficha(f) + "." + build;
}

std::string Texto_fpga(const Ficha_medidor& ficha) {
  if (!ficha.fpga_leida) return {};
  return std::to_string(ficha.fpga_mayor) + "." + std::to_string(ficha.fpga_menor);
}

bool Mpeg4_contesto(const Datos_mpeg4& datos) {
  return datos.version_boot != 0xFF && datos.version_decoders != 0xFF;
}

}  // namespace r27
