#pragma once
// The wizard's screens: which picture, which three text lines, and which of the
// step numbers, wizard button and overall progress bar each one shows. The window
// applies a Pantalla as a whole; the step progress bar is never shown by any.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/nucleo/idiomas.h"

namespace r27 {

// Indices of the wizard pictures (ImageList_acciones).
enum Imagen_accion : int {
  kImagen_inicio = 0,
  kImagen_conectar = 1,
  kImagen_buscando = 2,
  kImagen_no_encontrado = 3,
  kImagen_actualizando = 4,
  kImagen_correcta = 5,
  kImagen_fallida = 6,
  kImagen_rechazo = 7,  // refused, or nothing to do
};
inline constexpr int kNumero_imagenes_accion = 8;

struct Pantalla {
  int imagen = kImagen_inicio;
  std::array<std::string, 3> lineas;  // Label_info1..3
  bool numeros_visibles = false;      // "1." "2." "3."
  bool boton_visible = true;          // wizard button and its picture
  // Overall progress bar with its label; empty when the screen leaves it as it is.
  std::optional<bool> progreso_general_visible;

  bool operator==(const Pantalla&) const = default;
};

// "Version " and the embedded firmware's version text, cut to "Version x.yy" when
// the build part is 00000. `version_fichero` is read up to its first zero byte.
std::string Linea_version(const std::array<char, 12>& version_fichero);

Pantalla Pantalla_inicio(const Textos_idioma& t, const std::string& linea_version);
Pantalla Pantalla_conectar(const Textos_idioma& t);
Pantalla Pantalla_buscando(const Textos_idioma& t, int32_t puerto);
Pantalla Pantalla_no_encontrado(const Textos_idioma& t);
Pantalla Pantalla_no_encontrado_m(const Textos_idioma& t);  // the meter answered "m"
Pantalla Pantalla_actualizando(const Textos_idioma& t);
Pantalla Pantalla_correcta(const Textos_idioma& t);
Pantalla Pantalla_fallida(const Textos_idioma& t, int32_t codigo_error);
Pantalla Pantalla_rechazo_nivel(const Textos_idioma& t);
Pantalla Pantalla_rechazo_estado(const Textos_idioma& t);
Pantalla Pantalla_nada_familia(const Textos_idioma& t);  // expected family
Pantalla Pantalla_nada_ajena(const Textos_idioma& t);    // another family

// Line 2 of the searching screen for another port: "PASO3_L2" and the number.
std::string Linea_buscando(const Textos_idioma& t, int32_t puerto);
// The updating screen's step banner: "PASO4_L3" + ": " + k + "/" + n.
std::string Linea_banner_paso(const Textos_idioma& t, int k, int n);

}  // namespace r27
