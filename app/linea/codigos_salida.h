#pragma once
// The exit codes of r27-actualizar. 0 is a proven update or a meter that needs
// nothing; 1..29 is the failed run's own result code; 30..39 are the outcomes
// the update sequence has no result code for; 40 is a command line it could not
// read. The table below feeds --help; README.md carries the same table.
#include <array>

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
  const char* texto;
};

inline constexpr std::array<Descripcion_salida, 11> kDescripciones_salida{{
    {kSalida_correcta, kSalida_correcta,
     "the update completed and was proven, the meter needs nothing, or --solo-comprobar "
     "found and identified a meter that may be updated"},
    {kSalida_primer_codigo_resultado, kSalida_ultimo_codigo_resultado,
     "the update failed with this result code (the code the window shows on its failed "
     "screen; 26: the check after writing failed; 27: the meter ended the keyboard "
     "exchange without success; 28: the keyboard step could not connect)"},
    {kSalida_fallo_sin_codigo, kSalida_fallo_sin_codigo,
     "the update did not complete and has no result code: cancelled at a confirmation "
     "(also when stdin is not a terminal and --si was not given), or the FPGA buffer "
     "could not be had"},
    {kSalida_no_encontrado, kSalida_no_encontrado, "no meter was found"},
    {kSalida_rechazo_familia, kSalida_rechazo_familia,
     "refused: the meter belongs to another family or to the American region"},
    {kSalida_rechazo_nivel, kSalida_rechazo_nivel, "refused: the meter's power level is too low"},
    {kSalida_rechazo_estado, kSalida_rechazo_estado,
     "refused: the meter failed its internal bus status check"},
    {kSalida_sin_permiso, kSalida_sin_permiso,
     "no meter was found and a port could not be opened for lack of permission"},
    {kSalida_puerto_ocupado, kSalida_puerto_ocupado,
     "no meter was found and a port is held by another program"},
    {kSalida_rechazo_conexion, kSalida_rechazo_conexion,
     "the meter refused the connection (answered \"m\"; go back to its main screen)"},
    {kSalida_orden_erronea, kSalida_orden_erronea,
     "the command line could not be read (unknown option, bad port, trace file)"},
}};

}  // namespace r27
