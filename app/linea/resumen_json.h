#pragma once
// The summary --json prints at the end of a run: the identity before and after,
// the steps, the result and exit codes and the durations, as one JSON object.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/nucleo/ficha_medidor.h"

namespace r27 {

struct Paso_resumen {
  std::string nombre;
  bool ejecutado = false;  // the step began its work
  bool correcto = false;
  std::string estado;  // not-run, done, failed, cancelled
  double duracion_s = 0;
  std::string motivo;  // the step's failure, when it failed
};

// The check after writing, when the run made one.
struct Comprobacion_resumen {
  bool probada = false;
  double duracion_s = 0;
};

struct Resumen_linea {
  int puerto = 0;         // COM number of the meter (or of the port tried), 0 when none
  std::string ruta;       // the device path given with --puerto, if any
  std::string resultado;  // one word: updated, nothing-needed, checked, failed, ...
  std::optional<Ficha_medidor> antes;
  std::optional<Ficha_medidor> despues;
  std::vector<Paso_resumen> pasos;
  std::optional<Comprobacion_resumen> comprobacion;
  int codigo_resultado = 0;
  int codigo_salida = 0;
  double duracion_s = 0;
  std::string motivo;                   // the failure behind the result code (or the failed step's)
  std::vector<std::string> pendientes;  // steps the meter still asks for after the run
  bool desconectado = false;            // the meter was unplugged during the run
  std::string aviso;  // the unplug message shown (leave it alone when it was writing)
};

// `texto` as a JSON string with its quotes. Bytes that are not UTF-8 are taken as
// Latin-1 (a meter text may hold any byte), so the output is always valid JSON.
std::string Cadena_json(std::string_view texto);

std::string Json_identidad(const Ficha_medidor& ficha);
// One line, no trailing newline.
std::string Json_resumen(const Resumen_linea& r);

}  // namespace r27
