#pragma once
// The differential-update dialog of TCDiferencial, described without a toolkit:
// its texts, controls and layout. The window layer builds the form from this; no
// operation shows it today (every firmware step writes every segment).
#include <string_view>

namespace r27 {

struct Dialogo_diferencial {
  static constexpr std::string_view kTitulo = "Actualizacion diferencial";
  static constexpr std::string_view kTexto_fecha = "Este medidor se actualizo el dia :";
  static constexpr std::string_view kPregunta = "Intento la actualizacion diferencial?";
  static constexpr std::string_view kCampo_vacio = "00";  // Label_dia ... Label_minuto
  static constexpr std::string_view kSeparador_fecha = "/";
  static constexpr std::string_view kSeparador_hora = ":";
  static constexpr int kLado_boton = 65;   // Button_diferencial_ok / _cancel
  static constexpr int kLado_imagen = 64;  // Image_ok / Image_cancel
  // Dialog border, stays on top, centred on the main window.
  static constexpr bool kSiempre_encima = true;
  static constexpr bool kCentrado_en_ventana = true;

  bool visible = false;  // closed by either button
};

}  // namespace r27
