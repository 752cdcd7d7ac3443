// The meter's identity as text for the technician.
#include "app/linea/identidad_linea.h"

#include <algorithm>
#include <iterator>

#include "app/linea/mensajes_linea.h"

namespace r27 {

namespace {

// Meter texts may hold any byte: control bytes are shown as '?'.
std::string Imprimible(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

// The language index by its name, the index after it: "Spanish (0)".
std::string Texto_idioma(int32_t idioma, const Idioma_linea& t) {
  static constexpr const Texto_linea* kNombres[] = {
      &kTl_idioma_0, &kTl_idioma_1, &kTl_idioma_2, &kTl_idioma_3, &kTl_idioma_4,
      &kTl_idioma_5, &kTl_idioma_6, &kTl_idioma_7, &kTl_idioma_8, &kTl_idioma_9};
  const std::string numero = std::to_string(idioma);
  if (idioma < 0 || idioma >= static_cast<int32_t>(std::size(kNombres))) return numero;
  return t(*kNombres[idioma]) + " (" + numero + ")";
}

}  // namespace

std::string Texto_mpeg4(const Datos_mpeg4& m, const Idioma_linea& t) {
  if (!Mpeg4_contesto(m)) return t(kTl_id_sin_respuesta);
  return t(kTl_id_mpeg4_versiones,
           {std::to_string(m.version_aplicacion), std::to_string(m.build_aplicacion),
            std::to_string(m.version_decoders), std::to_string(m.version_boot)});
}

std::string Texto_identidad(const Ficha_medidor& f, const std::string& s, const Idioma_linea& t) {
  const std::string fpga = Texto_fpga(f);
  const std::string firmware = Imprimible(Version_completa_de_ficha(f)) +
                               (f.modo_arranque ? " " + t(kTl_id_modo_arranque) : "");
  const std::pair<std::string, std::string> filas[] = {
      {t(kTl_id_familia), Imprimible(f.familia)},
      {t(kTl_id_region), f.region.empty() ? t(kTl_id_sin_region) : Imprimible(f.region)},
      {t(kTl_id_firmware), firmware},
      {t(kTl_id_fpga), fpga.empty() ? t(kTl_id_sin_leer) : fpga},
      {t(kTl_id_mpeg4), Texto_mpeg4(f.mpeg4, t)},
      {t(kTl_id_idioma), Texto_idioma(f.idioma, t)},
  };
  size_t ancho = 0;
  for (const auto& [etiqueta, valor] : filas) ancho = std::max(ancho, Ancho_texto(etiqueta));
  std::string texto;
  for (const auto& [etiqueta, valor] : filas) {
    if (!texto.empty()) texto += "\n";
    texto += s + Columna(etiqueta, ancho + 1) + valor;
  }
  return texto;
}

}  // namespace r27
