#pragma once
// The exit codes of r27-actualizar. 0 is a proven update or a meter that needs
// nothing; 1..29 is the failed run's own result code; 30..39 are the outcomes
// the update sequence has no result code for; 40 is a command line it could not
// read. The table below feeds --help (its texts in the technician's language);
// README.md carries the same table.
#include <array>

#include "app/linea/mensajes_linea.h"

namespace r27 {

enum Codigo_salida : int {
  kSalida_correcta = 0,
  // A failed run exits with its result code when it is one of these.
  kSalida_primer_codigo_resultado = 1,
  kSalida_ultimo_codigo_resultado = 29,
  // A failed run without a result code: the technician cancelled, or the FPGA
  // buffer could not be had.
  kSalida_fallo_sin_codigo = 30,
  kSalida_no_encontrado = 31,
  // Another family, or a meter of the American region.
  kSalida_rechazo_familia = 32,
  kSalida_rechazo_nivel = 33,
  // The meter failed its internal bus status check.
  kSalida_rechazo_estado = 34,
  kSalida_sin_permiso = 35,
  kSalida_puerto_ocupado = 36,
  // A meter answered the probe with "m": it refused the connection.
  kSalida_rechazo_conexion = 37,
  kSalida_orden_erronea = 40,
};

struct Descripcion_salida {
  int desde;
  int hasta;  // equal to `desde` for a single code
  const Texto_linea* texto;
};

inline constexpr std::array<Descripcion_salida, 11> kDescripciones_salida{{
    {kSalida_correcta, kSalida_correcta, &kTl_salida_0},
    {kSalida_primer_codigo_resultado, kSalida_ultimo_codigo_resultado, &kTl_salida_1_29},
    {kSalida_fallo_sin_codigo, kSalida_fallo_sin_codigo, &kTl_salida_30},
    {kSalida_no_encontrado, kSalida_no_encontrado, &kTl_salida_31},
    {kSalida_rechazo_familia, kSalida_rechazo_familia, &kTl_salida_32},
    {kSalida_rechazo_nivel, kSalida_rechazo_nivel, &kTl_salida_33},
    {kSalida_rechazo_estado, kSalida_rechazo_estado, &kTl_salida_34},
    {kSalida_sin_permiso, kSalida_sin_permiso, &kTl_salida_35},
    {kSalida_puerto_ocupado, kSalida_puerto_ocupado, &kTl_salida_36},
    {kSalida_rechazo_conexion, kSalida_rechazo_conexion, &kTl_salida_37},
    {kSalida_orden_erronea, kSalida_orden_erronea, &kTl_salida_40},
}};

}  // namespace r27
