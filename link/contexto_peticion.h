#pragma once
// What a request and what a step see of the program around them.
//
// A request (a few bytes out, a reply awaited) sees the port, the clock, the
// message pump that keeps the window painting while it waits, and whether the
// run is to stop. A step (a programmer that runs many requests) also sees its
// progress bars, the beep and message box, and where its failure goes.
#include <cstdint>
#include <string>

#include "link/barra.h"
#include "link/fallo.h"
#include "link/puerto_serie.h"
#include "link/reloj.h"

namespace r27 {

class Contexto_peticion {
 public:
  virtual ~Contexto_peticion() = default;
  virtual Puerto_serie& Puerto() = 0;
  virtual Reloj& Reloj_() = 0;
  // Let pending window messages run (repaint, close requests, the watch timer).
  virtual void Procesar_mensajes() = 0;
  // True once the run is to stop (the technician cancelled, or a step failed):
  // the waits that honour it end at once.
  virtual bool Cancelada() = 0;
};

class Contexto_paso : public Contexto_peticion {
 public:
  virtual Barra& Barra_progreso() = 0;       // the current step
  virtual Barra& ProgressBar_general() = 0;  // the whole run, in seconds of budget
  virtual void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) = 0;
  // A plain message box with an OK button.
  virtual void Mensaje(const std::string& texto) = 0;
  // The step failed: its result code and reason become the run's unless the run
  // has one already (the first failure of a run wins).
  virtual void Fijar_error(const Fallo& fallo) = 0;
};

// The failure beep used throughout: 1000 Hz for 500 ms.
inline void Pitido_fallo(Contexto_paso& paso) { paso.Pitido(1000, 500); }

}  // namespace r27
