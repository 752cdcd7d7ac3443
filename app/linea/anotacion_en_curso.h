#pragma once
// A run's record in the history, written once: by the run itself when it ends,
// or, when the process is ended under it (on Windows the system ends a console
// program a few seconds after its console closes, whatever it does), by the one
// who sees the end coming, as an "interrupted" run with what was known then.
#include <mutex>
#include <optional>

#include "app/nucleo/historial.h"
#include "app/nucleo/registro_historial.h"

namespace r27 {

class Anotacion_en_curso {
 public:
  // No history: nothing is ever written.
  explicit Anotacion_en_curso(Historial* historial);
  ~Anotacion_en_curso();
  Anotacion_en_curso(const Anotacion_en_curso&) = delete;
  Anotacion_en_curso& operator=(const Anotacion_en_curso&) = delete;

  // The record to leave should the process be ended now (it replaces the one
  // prepared before).
  void Preparar(Registro_historial registro);
  // The run's own record, unless this run's record is on disk already: then
  // none, and nothing is written.
  std::optional<Anotacion> Anotar(const Registro_historial& registro);

 private:
  friend void Anotar_interrumpidas();
  void Anotar_preparado();

  Historial* historial_;
  std::mutex cerrojo_;
  std::optional<Registro_historial> preparado_;
  bool anotado_ = false;
};

// The process is about to be ended: every run still going writes the record it
// prepared. Safe from any thread.
void Anotar_interrumpidas();

}  // namespace r27
