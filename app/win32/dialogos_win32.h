#pragma once
// The small windows of the Windows window: the About box, the correct-update
// box, service mode's two dialogs over their programming objects, and its
// history of runs. Each is a modal window of common controls whose controls
// call the object's handlers and mirror its texts, as the Qt forms do.
#include <functional>
#include <memory>
#include <string>

#include "app/win32/sistema.h"

namespace r27 {

class TCFpga;
class TFParam_defecto;
struct Lectura_historial;
struct Textos_historial;

// The About box: one picture, modal, closed with its close box.
void Mostrar_about_win32(HINSTANCE instancia, HWND dueno, int dpi);
// The correct-update box (192 x 96, silver, no border icons), created hidden
// with the main window and released with it: nothing in the updater shows it.
class Form_act_correcta_win32 {
 public:
  Form_act_correcta_win32(HINSTANCE instancia, HWND dueno, int dpi);
  ~Form_act_correcta_win32();
  Form_act_correcta_win32(const Form_act_correcta_win32&) = delete;
  Form_act_correcta_win32& operator=(const Form_act_correcta_win32&) = delete;
  HWND Hwnd() const;

 private:
  struct Partes;
  std::unique_ptr<Partes> partes_;
};
// "Parametros por defecto": shown modally over `param` until it closes.
void Dialogo_param_defecto_win32(HINSTANCE instancia, HWND dueno, int dpi, TFParam_defecto& param);
// "Configuracion fpga": shown modally over `fpga` until it closes; its write
// sequence starts only when `antes_de_grabar` says so.
void Dialogo_fpga_win32(HINSTANCE instancia, HWND dueno, int dpi, TCFpga& fpga,
                        const std::function<bool()>& antes_de_grabar);

// The history: the runs `lectura` read from `fichero` (UTF-8; empty when there
// is no history), newest first in a list, a failed run's row in red and one
// that did not complete in amber; the reading's warnings below; its words in
// the language of `textos`. Modal until closed.
void Dialogo_historial_win32(HINSTANCE instancia, HWND dueno, int dpi,
                             const Lectura_historial& lectura, const std::string& fichero,
                             const Textos_historial& textos);

// For the pictures of the documentation: called with each of these windows once
// it is drawn, before it would wait for the technician; it may close it.
extern std::function<void(HWND)> al_mostrar_dialogo_win32;

}  // namespace r27
