#pragma once
// What the code outside the window needs of "the main window": its serial port,
// the shared state, the two progress bars, a beep, a message box, "let window
// messages run" and the clock. The Qt window implements it; tests implement it
// with a fake that records what was shown.
#include <string>

#include "barra.h"
#include "estado_ventana.h"
#include "puerto_serie.h"
#include "reloj.h"

namespace r27 {

class Lector_lineas;
class Lector_hex;
class Subida_graficos;

class Interfaz_ventana {
 public:
  virtual ~Interfaz_ventana() = default;

  virtual Puerto_serie& Puerto() = 0;
  virtual Estado_ventana& Estado() = 0;
  virtual Reloj& Reloj_() = 0;
  virtual Barra& Barra_progreso() = 0;       // current step
  virtual Barra& ProgressBar_general() = 0;  // overall, in seconds of budget

  // Let pending window messages run (repaint, close requests, the watch timer).
  virtual void Procesar_mensajes() = 0;
  virtual void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) = 0;
  // A plain message box with an OK button.
  virtual void Mensaje(const std::string& texto) = 0;
  // A message box with OK and Cancel and an empty title; true for OK.
  virtual bool Confirmar(const std::string& texto) = 0;

  // Objects the window owns for the whole run (null where not available).
  virtual Lector_lineas* Lineas_firmware() = 0;
  virtual Lector_hex* Hex_firmware() = 0;
  virtual Subida_graficos* Graficos() = 0;
};

// The failure beep used throughout: 1000 Hz for 500 ms.
inline void Pitido_fallo(Interfaz_ventana& v) { v.Pitido(1000, 500); }

}  // namespace r27
