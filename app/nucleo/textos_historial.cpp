// The history's words, read from the language file.
#include "app/nucleo/textos_historial.h"

namespace r27 {

namespace {

struct Palabra_clave {
  const char* palabra;  // the JSON word or the step key
  Clave_historial texto;
};

// clang-format off
constexpr std::array<Palabra_clave, kNumero_desenlaces> kDesenlaces{{
    {"updated", {"LINEA_DESENLACE_ACTUALIZADO", "updated"}},
    {"failed", {"LINEA_DESENLACE_FALLIDO", "failed"}},
    {"cancelled", {"LINEA_DESENLACE_CANCELADO", "cancelled"}},
    {"interrupted", {"LINEA_DESENLACE_INTERRUMPIDO", "interrupted"}},
    {"checked", {"LINEA_DESENLACE_COMPROBADO", "checked, nothing written"}},
    {"nothing-needed", {"LINEA_DESENLACE_NADA", "the meter needs nothing"}},
    {"refused-family", {"LINEA_DESENLACE_FAMILIA", "refused: another family"}},
    {"refused-region", {"LINEA_DESENLACE_REGION", "refused: American region"}},
    {"refused-level", {"LINEA_DESENLACE_NIVEL", "refused: power level too low"}},
    {"refused-status", {"LINEA_DESENLACE_ESTADO", "refused: bus status check failed"}},
    {"refused-connection", {"LINEA_DESENLACE_CONEXION", "refused: the meter answered \"m\""}},
    {"no-permission", {"LINEA_DESENLACE_SIN_PERMISO", "no meter found, a port without permission"}},
    {"port-busy", {"LINEA_DESENLACE_OCUPADO", "no meter found, a port held by another program"}},
    {"not-found", {"LINEA_DESENLACE_NO_ENCONTRADO", "no meter found"}},
    {"bad-command-line", {"LINEA_DESENLACE_ORDEN", "bad command line"}},
}};

constexpr std::array<Palabra_clave, kNumero_pasos> kPasos{{
    {"teclado", {"LINEA_PASO_TECLADO", "keyboard"}},
    {"borrado", {"LINEA_PASO_BORRADO", "erase stored tables"}},
    {"planes", {"LINEA_PASO_PLANES", "channel plans"}},
    {"zona", {"LINEA_PASO_ZONA", "zone configuration"}},
    {"fpga", {"LINEA_PASO_FPGA", "FPGA set and screen graphics"}},
    {"firmware", {"LINEA_PASO_FIRMWARE", "main firmware"}},
    {"mpeg4", {"LINEA_PASO_MPEG4", "MPEG-4 application"}},
}};

constexpr std::array<Clave_historial, 9> kCabeceras{{
    {"LINEA_TABLA_HORA", "Date"},
    {"LINEA_TABLA_PUERTO", "Port"},
    {"LINEA_TABLA_ANTES", "Before"},
    {"LINEA_TABLA_DESPUES", "After"},
    {"LINEA_TABLA_PASOS", "Steps"},
    {"LINEA_TABLA_RESULTADO", "Result"},
    {"LINEA_TABLA_CODIGO", "Code"},
    {"LINEA_TABLA_PROBADA", "Proven"},
    {"LINEA_TABLA_MOTIVO", "Reason"},
}};

struct Campo_historial {
  Clave_historial texto;
  std::string Textos_historial::*campo;
};

const std::array<Campo_historial, 10> kCampos{{
    {{"HISTORIAL_TITULO", "History"}, &Textos_historial::titulo},
    {{"HISTORIAL_CERRAR", "Close"}, &Textos_historial::cerrar},
    {{"HISTORIAL_MENU", "History..."}, &Textos_historial::menu},
    {{"HISTORIAL_SIN_FICHERO", "(no history file)"}, &Textos_historial::sin_fichero},
    {{"HISTORIAL_SIN_EJECUCIONES", "(no runs)"}, &Textos_historial::sin_ejecuciones},
    {{"HISTORIAL_LINEA_DANADA", "{1}, line {2}: no whole record; skipped"}, &Textos_historial::linea_danada},
    {{"LINEA_AUN_PENDIENTE", "still to do: {1}"}, &Textos_historial::pendiente},
    {{"LINEA_SI", "yes"}, &Textos_historial::si},
    {{"LINEA_NO", "no"}, &Textos_historial::no},
    {{"LINEA_ESTADO_FALLIDO", "FAILED"}, &Textos_historial::fallido},
}};
// clang-format on

}  // namespace

std::string Textos_historial::Desenlace(std::string_view palabra) const {
  for (size_t i = 0; i < kDesenlaces.size(); ++i)
    if (palabra == kDesenlaces[i].palabra) return desenlaces[i];
  return std::string(palabra);
}

std::string Textos_historial::Paso(std::string_view clave) const {
  for (size_t i = 0; i < kPasos.size(); ++i)
    if (clave == kPasos[i].palabra) return pasos[i];
  return std::string(clave);
}

Textos_historial Leer_textos_historial(const Lector_textos& leer) {
  Textos_historial t;
  for (const Campo_historial& c : kCampos) t.*c.campo = leer(c.texto.clave, c.texto.defecto);
  for (size_t i = 0; i < kCabeceras.size(); ++i)
    t.cabeceras[i] = leer(kCabeceras[i].clave, kCabeceras[i].defecto);
  for (size_t i = 0; i < kDesenlaces.size(); ++i)
    t.desenlaces[i] = leer(kDesenlaces[i].texto.clave, kDesenlaces[i].texto.defecto);
  for (size_t i = 0; i < kPasos.size(); ++i)
    t.pasos[i] = leer(kPasos[i].texto.clave, kPasos[i].texto.defecto);
  return t;
}

Textos_historial Textos_historial_defecto() {
  return Leer_textos_historial(
      [](std::string_view, std::string_view defecto) { return std::string(defecto); });
}

std::vector<Clave_historial> Claves_historial() {
  std::vector<Clave_historial> r;
  for (const Campo_historial& c : kCampos) r.push_back(c.texto);
  r.insert(r.end(), kCabeceras.begin(), kCabeceras.end());
  for (const Palabra_clave& d : kDesenlaces) r.push_back(d.texto);
  for (const Palabra_clave& p : kPasos) r.push_back(p.texto);
  return r;
}

}  // namespace r27
