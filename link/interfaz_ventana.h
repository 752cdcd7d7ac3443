#pragma once
// What the code outside the window needs of "the main window": its serial port,
// the shared state, the two progress bars, a beep, a message box, "let window
// messages run", the clock and the objects it keeps for the session. The Qt
// window implements it; tests implement it with a fake that records what was
// shown.
#include <string>

#include "link/contexto_peticion.h"
#include "link/estado_ventana.h"

namespace r27 {

class Imagenes_arranque;
class Lector_lineas;
class Lector_hex;
class Subida_graficos;

class Interfaz_ventana : public Contexto_paso {
 public:
  virtual Estado_ventana& Estado() = 0;

  // The run stops once `abortar` is set.
  bool Cancelada() override { return Estado().abortar; }
  void Fijar_error(const Fallo& fallo) override { Estado().Fijar_error(fallo); }

  // A message box with OK and Cancel and an empty title; true for OK.
  virtual bool Confirmar(const std::string& texto) = 0;

  // Objects the window owns for the whole run (null where not available).
  virtual Lector_lineas* Lineas_firmware() = 0;
  virtual Lector_hex* Hex_firmware() = 0;
  virtual Subida_graficos* Graficos() = 0;
  // The loader images of this session (a window, a command-line run): one copy
  // shared by every programming object of the session, so the MPEG-4 entry
  // patch, once written, is in every later load of the session and in no other.
  virtual Imagenes_arranque& Arranque() = 0;
};

}  // namespace r27
