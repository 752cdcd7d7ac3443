// The wizard's screens built from the texts of the chosen language.
#include "app/nucleo/pantallas.h"

namespace r27 {

namespace {

Pantalla Hacer(int imagen, std::string l1, std::string l2, std::string l3, bool numeros, bool boton,
               std::optional<bool> progreso) {
  Pantalla p;
  p.imagen = imagen;
  p.lineas = {std::move(l1), std::move(l2), std::move(l3)};
  p.numeros_visibles = numeros;
  p.boton_visible = boton;
  p.progreso_general_visible = progreso;
  return p;
}

// A screen whose three lines are three consecutive texts starting at `primera`.
Pantalla Hacer_con_textos(const Textos_idioma& t, int imagen, Texto primera, bool numeros,
                          bool boton, std::optional<bool> progreso) {
  const auto i = static_cast<std::size_t>(primera);
  return Hacer(imagen, t.textos[i], t.textos[i + 1], t.textos[i + 2], numeros, boton, progreso);
}

constexpr std::optional<bool> kSin_cambio = std::nullopt;

}  // namespace

std::string Linea_version(const std::array<char, 12>& version_fichero) {
  std::string linea = "Version ";
  for (char c : version_fichero) {
    if (c == '\0') break;
    linea += c;
  }
  // Characters 13-18 (counting from 1) are the build part after the point.
  if (linea.size() >= 18 && linea.compare(12, 6, ".00000") == 0) linea.resize(12);
  return linea;
}

Pantalla Pantalla_inicio(const Textos_idioma& t, const std::string& linea_version) {
  return Hacer(kImagen_inicio, t[Texto::PASO1_L1], linea_version, t[Texto::PASO1_L3], false, true,
               false);
}

Pantalla Pantalla_conectar(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_conectar, Texto::PASO2_L1, true, true, false);
}

Pantalla Pantalla_buscando(const Textos_idioma& t, int32_t puerto) {
  return Hacer(kImagen_buscando, t[Texto::PASO3_L1], Linea_buscando(t, puerto), t[Texto::PASO3_L3],
               false, false, kSin_cambio);
}

Pantalla Pantalla_no_encontrado(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_no_encontrado, Texto::P6_E1_L1, false, true, kSin_cambio);
}

Pantalla Pantalla_no_encontrado_m(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_no_encontrado, Texto::P6_E5_L1, false, true, kSin_cambio);
}

Pantalla Pantalla_actualizando(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_actualizando, Texto::PASO4_L1, false, false, true);
}

Pantalla Pantalla_correcta(const Textos_idioma& t) {
  // "PASO5_L3" is read with the others but this screen leaves line 3 empty.
  return Hacer(kImagen_correcta, t[Texto::PASO5_L1], t[Texto::PASO5_L2], "", false, false, false);
}

Pantalla Pantalla_fallida(const Textos_idioma& t, int32_t codigo_error) {
  return Hacer(kImagen_fallida, t[Texto::P6_E4_L1] + " " + std::to_string(codigo_error),
               t[Texto::P6_E4_L2], t[Texto::P6_E4_L3], false, false, false);
}

Pantalla Pantalla_rechazo_nivel(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_rechazo, Texto::P6_E2_L1, false, true, false);
}

Pantalla Pantalla_rechazo_estado(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_rechazo, Texto::P6_E3_L1, false, true, false);
}

Pantalla Pantalla_nada_familia(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_rechazo, Texto::PASO7_L1, false, true, false);
}

Pantalla Pantalla_nada_ajena(const Textos_idioma& t) {
  return Hacer_con_textos(t, kImagen_rechazo, Texto::PASO8_L1, false, true, false);
}

std::string Linea_buscando(const Textos_idioma& t, int32_t puerto) {
  return t[Texto::PASO3_L2] + std::to_string(puerto);
}

std::string Linea_banner_paso(const Textos_idioma& t, int k, int n) {
  return t[Texto::PASO4_L3] + ": " + std::to_string(k) + "/" + std::to_string(n);
}

}  // namespace r27
