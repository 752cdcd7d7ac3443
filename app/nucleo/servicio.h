#pragma once
// Service mode (--servicio): `modo_servicio` is 'A', "Configurar" holds
// "Parametros por defecto...", "Configuracion fpga..." and "Historial...", every
// update run is recorded in the history, and the update pauses once the
// connection has decided the step ticks. During the pause the
// window shows the seven tick boxes for the technician to change (they write
// back to the shared ticks) and the two dialogs can work on the connected
// meter; the wizard button goes on with the update. Without a connected meter
// the dialogs' OK says so and sends nothing. The window draws the boxes and the
// dialogs; this is what they do.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/nucleo/ficha_medidor.h"
#include "app/nucleo/sesion_asistente.h"
#include "link/estado_ventana.h"
#include "link/interfaz_ventana.h"

namespace r27 {

class Historial;
class TCFpga;
class TFParam_defecto;

// The seven step ticks of the window, left to right: the control's name, its
// caption and the shared tick it shows.
struct Tick_paso {
  const char* nombre;
  const char* texto;
  bool Estado_ventana::*marcado;
};
extern const std::array<Tick_paso, 7> kTicks_pasos;

// What service mode needs of the window's controls.
class Vista_servicio {
 public:
  virtual ~Vista_servicio() = default;
  // The seven boxes show the shared ticks, shown or hidden, changeable or not.
  virtual void Mostrar_ticks(bool visibles, bool habilitados) = 0;
  // The pause: line 3 shows `linea3`, the wizard button shows and "Configurar"
  // is enabled while `en_pausa`; afterwards line 3 is empty, the button hidden
  // and "Configurar" disabled again.
  virtual void Mostrar_pausa(bool en_pausa, const std::string& linea3) = 0;
  // Runs window messages until `seguir` turns false; it is asked after every
  // message and at least every kIntervalo_pausa_ms.
  virtual void Esperar_mientras(const std::function<bool()>& seguir) = 0;
};

// It takes over the wizard button's pause and the wizard's hand-over from the
// session, so it lives as long as the session is used.
class Servicio {
 public:
  static constexpr const char* kTexto_param_defecto = "Parametros por defecto...";
  static constexpr const char* kTexto_config_fpga = "Configuracion fpga...";
  // A run's record could not be written (followed by the reason).
  static constexpr const char* kAviso_historial =
      "El resultado no cambia, pero no se pudo anotar en el historial: ";
  // Line 3 of the window while the update waits for the technician.
  static constexpr const char* kTexto_pausa = "Servicio: revise los pasos y pulse el boton";
  // How often the pause looks whether the meter is still connected.
  static constexpr unsigned kIntervalo_pausa_ms = 100;

  // `historial`: where each update run is recorded; none records nothing.
  Servicio(Interfaz_ventana& ventana, Sesion_asistente& sesion, Vista_servicio& vista,
           Historial* historial = nullptr);
  ~Servicio();
  Servicio(const Servicio&) = delete;
  Servicio& operator=(const Servicio&) = delete;

  // A tick box changed by the technician: the shared tick follows.
  void Marcar_tick(size_t indice, bool marcado);

  // "Parametros por defecto...": `mostrar` shows the dialog over the object and
  // returns when it is closed.
  void Param_defectoClick(const std::function<void(TFParam_defecto&)>& mostrar);
  // "Configuracion fpga...": `mostrar` shows the dialog over the object and
  // returns when it is closed; the dialog asks `antes_de_grabar` before its
  // write sequence and starts it only on true.
  using Mostrar_fpga =
      std::function<void(TCFpga& fpga, const std::function<bool()>& antes_de_grabar)>;
  void Config_fpgaClick(const Mostrar_fpga& mostrar);

  bool En_pausa() const { return en_pausa_; }

 private:
  // Between the tick decision and the update: true when the technician went on
  // with the meter still connected.
  bool Pausa();
  // The run just ended, into the history.
  void Anotar_ejecucion();

  Interfaz_ventana& ventana_;
  Sesion_asistente& sesion_;
  Vista_servicio& vista_;
  Historial* historial_;
  bool en_pausa_ = false;
  bool seguir_ = false;
  // The run being recorded: its meter before, its start, and a warning to give
  // once its outcome screen is shown.
  std::optional<Ficha_medidor> antes_;
  uint64_t inicio_us_ = 0;
  std::string aviso_;
};

}  // namespace r27
