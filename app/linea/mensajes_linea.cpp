// The command line's words for a step and for a run's outcome.
#include "app/linea/mensajes_linea.h"

#include <utility>

namespace r27 {

const Texto_linea& Texto_paso(Paso_actualizacion paso) {
  switch (paso) {
    case Paso_actualizacion::teclado:
      return kTl_paso_teclado;
    case Paso_actualizacion::borrado:
      return kTl_paso_borrado;
    case Paso_actualizacion::planes:
      return kTl_paso_planes;
    case Paso_actualizacion::zona:
      return kTl_paso_zona;
    case Paso_actualizacion::fpga:
      return kTl_paso_fpga;
    case Paso_actualizacion::firmware:
      return kTl_paso_firmware;
    case Paso_actualizacion::mpeg4:
      break;
  }
  return kTl_paso_mpeg4;
}

namespace {

// The outcome's word in the JSON, as the last line tells it.
constexpr std::array<std::pair<std::string_view, const Texto_linea*>, 15> kTextos_desenlace{{
    {"updated", &kTl_desenlace_actualizado},
    {"failed", &kTl_desenlace_fallido},
    {"cancelled", &kTl_desenlace_cancelado},
    {"interrupted", &kTl_desenlace_interrumpido},
    {"checked", &kTl_desenlace_comprobado},
    {"nothing-needed", &kTl_desenlace_nada},
    {"refused-family", &kTl_desenlace_familia},
    {"refused-region", &kTl_desenlace_region},
    {"refused-level", &kTl_desenlace_nivel},
    {"refused-status", &kTl_desenlace_estado},
    {"refused-connection", &kTl_desenlace_conexion},
    {"no-permission", &kTl_desenlace_sin_permiso},
    {"port-busy", &kTl_desenlace_ocupado},
    {"not-found", &kTl_desenlace_no_encontrado},
    {"bad-command-line", &kTl_desenlace_orden},
}};

}  // namespace

std::string Texto_desenlace(std::string_view palabra, const Idioma_linea& t) {
  for (const auto& [json, texto] : kTextos_desenlace)
    if (json == palabra) return t(*texto);
  return std::string(palabra);
}

}  // namespace r27
