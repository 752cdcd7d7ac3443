#pragma once
// Service mode (r27-update --servicio): modo_servicio is 'A', "Configurar" holds
// "Parametros por defecto...", "Configuracion fpga..." and "Historial...", every
// update run is recorded in the history, and the update pauses
// once the connection has decided the step ticks. During the pause the window
// shows the seven tick boxes for the technician to change (they write back to
// the shared ticks) and the two dialogs can work on the connected meter; the
// wizard button goes on with the update. Without a connected meter the dialogs'
// OK says so and sends nothing. A child of the window.
#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "app/nucleo/ficha_medidor.h"

class QAction;
class QCheckBox;
class QDialog;

namespace r27 {

class Enlace_asistente;
class Historial;
class Tventana_brisco;

class Modo_servicio : public QObject {
 public:
  static constexpr const char* kTexto_param_defecto = "Parametros por defecto...";
  static constexpr const char* kTexto_config_fpga = "Configuracion fpga...";
  static constexpr const char* kTexto_historial = "Historial...";
  // A run's record could not be written (followed by the reason).
  static constexpr const char* kAviso_historial =
      "El resultado no cambia, pero no se pudo anotar en el historial: ";
  // Line 3 of the window while the update waits for the technician.
  static constexpr const char* kTexto_pausa = "Servicio: revise los pasos y pulse el boton";

  // `historial`: where each update run is recorded and what "Historial..." shows;
  // none records nothing.
  Modo_servicio(Tventana_brisco& ventana, Enlace_asistente& enlace, Historial* historial = nullptr);
  ~Modo_servicio() override;

  // Menu "Configurar".
  void Param_defectoClick();
  void Config_fpgaClick();
  void HistorialClick();

  QAction* Param_defecto = nullptr;
  QAction* Config_fpga = nullptr;
  QAction* Historial_ = nullptr;

  // Shows a dialog and returns when it is closed: exec() unless a test drives it.
  std::function<void(QDialog&)> ejecutar_dialogo;

 private:
  // Between the tick decision and the update: true when the technician went on
  // with the meter still connected.
  bool Pausa();
  void Mostrar_ticks(bool visibles, bool habilitados);
  // The run just ended, into the history.
  void Anotar_ejecucion();

  Tventana_brisco& ventana_;
  Enlace_asistente& enlace_;
  Historial* historial_;
  // The run being recorded: its meter before, its start, and a warning to give
  // once its outcome screen is shown.
  std::optional<Ficha_medidor> antes_;
  uint64_t inicio_us_ = 0;
  std::string aviso_;
};

}  // namespace r27
