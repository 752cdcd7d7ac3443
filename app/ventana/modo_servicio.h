#pragma once
// Service mode (r27-update --servicio) in the Qt window: what it does is
// Servicio's (the pause, the dialogs' work, the history's records); here are its
// three "Configurar" entries, the seven tick boxes, the pause's controls and the
// three dialogs. A child of the window.
#include <QObject>
#include <functional>
#include <memory>

#include "app/nucleo/servicio.h"

class QAction;
class QCheckBox;
class QDialog;

namespace r27 {

class Enlace_asistente;
class Historial;
class Tventana_brisco;

class Modo_servicio : public QObject, public Vista_servicio {
 public:
  static constexpr const char* kTexto_param_defecto = Servicio::kTexto_param_defecto;
  static constexpr const char* kTexto_config_fpga = Servicio::kTexto_config_fpga;
  static constexpr const char* kAviso_historial = Servicio::kAviso_historial;
  static constexpr const char* kTexto_pausa = Servicio::kTexto_pausa;

  // `historial`: where each update run is recorded and what "History..." shows;
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

  // Vista_servicio.
  void Mostrar_ticks(bool visibles, bool habilitados) override;
  void Mostrar_pausa(bool en_pausa, const std::string& linea3) override;
  void Esperar_mientras(const std::function<bool()>& seguir) override;

 private:
  Tventana_brisco& ventana_;
  Enlace_asistente& enlace_;
  Historial* historial_;
  std::unique_ptr<Servicio> servicio_;
};

}  // namespace r27
