// Service mode's controls in the Qt window.
#include "app/ventana/modo_servicio.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "app/nucleo/historial.h"
#include "app/ventana/dialogo_historial.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/formulario_fpga.h"
#include "app/ventana/formulario_param_defecto.h"
#include "app/ventana/ventana_brisco.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"

namespace r27 {

namespace {

// The window's tick boxes, in the order of kTicks_pasos.
std::array<QCheckBox*, 7> Casillas(Tventana_brisco& v) {
  return {v.Check_teclado, v.Check_borrar,   v.Check_configuracion, v.Check_planes,
          v.Check_fpga,    v.Check_firmware, v.Check_mpeg4_apl};
}

}  // namespace

Modo_servicio::Modo_servicio(Tventana_brisco& ventana, Enlace_asistente& enlace,
                             Historial* historial)
    : QObject(&ventana), ventana_(ventana), enlace_(enlace), historial_(historial) {
  setObjectName("Modo_servicio");
  servicio_ = std::make_unique<Servicio>(ventana_, enlace_.Sesion(), *this, historial_);
  ejecutar_dialogo = [](QDialog& d) { d.exec(); };

  Param_defecto = ventana_.MenuConfigurar->addAction(kTexto_param_defecto);
  Param_defecto->setObjectName("Param_defecto");
  connect(Param_defecto, &QAction::triggered, this, [this] { Param_defectoClick(); });
  Config_fpga = ventana_.MenuConfigurar->addAction(kTexto_config_fpga);
  Config_fpga->setObjectName("Config_fpga");
  connect(Config_fpga, &QAction::triggered, this, [this] { Config_fpgaClick(); });
  Historial_ =
      ventana_.MenuConfigurar->addAction(QString::fromStdString(ventana_.Textos().historial.menu));
  Historial_->setObjectName("Historial");
  connect(Historial_, &QAction::triggered, this, [this] { HistorialClick(); });

  const std::array<QCheckBox*, 7> casillas = Casillas(ventana_);
  for (size_t i = 0; i < casillas.size(); ++i)
    connect(casillas[i], &QCheckBox::toggled, this,
            [this, i](bool b) { servicio_->Marcar_tick(i, b); });
}

Modo_servicio::~Modo_servicio() = default;

void Modo_servicio::Mostrar_ticks(bool visibles, bool habilitados) {
  const Estado_ventana& e = ventana_.Estado();
  const std::array<QCheckBox*, 7> casillas = Casillas(ventana_);
  for (size_t i = 0; i < casillas.size(); ++i) {
    casillas[i]->setChecked(e.*kTicks_pasos[i].marcado);
    casillas[i]->setEnabled(habilitados);
    casillas[i]->setVisible(visibles);
  }
}

void Modo_servicio::Mostrar_pausa(bool en_pausa, const std::string& linea3) {
  ventana_.Label_info3->setText(QString::fromStdString(linea3));
  ventana_.Label_info3->adjustSize();
  ventana_.Button_buscar_puerto->setVisible(en_pausa);
  ventana_.Image_buscar_puerto->setVisible(en_pausa);
  // The service dialogs may work on the meter now; the rest of the menus stay off.
  ventana_.MenuConfigurar->menuAction()->setEnabled(en_pausa);
}

void Modo_servicio::Esperar_mientras(const std::function<bool()>& seguir) {
  // The timer wakes the loop, so a change made outside any event is seen too.
  QTimer mira;
  mira.setInterval(static_cast<int>(Servicio::kIntervalo_pausa_ms));
  mira.start();
  while (seguir()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Modo_servicio::Param_defectoClick() {
  servicio_->Param_defectoClick([this](TFParam_defecto& param) {
    Formulario_param_defecto formulario(param, &ventana_);
    ejecutar_dialogo(formulario);
  });
}

void Modo_servicio::Config_fpgaClick() {
  servicio_->Config_fpgaClick([this](TCFpga& fpga, const std::function<bool()>& antes_de_grabar) {
    Formulario_fpga formulario(fpga, &ventana_);
    formulario.antes_de_grabar = antes_de_grabar;
    ejecutar_dialogo(formulario);
  });
}

void Modo_servicio::HistorialClick() {
  const Lectura_historial lectura = historial_ ? historial_->Leer() : Lectura_historial{};
  const QString fichero =
      historial_ ? QString::fromStdString(historial_->Fichero().string()) : QString();
  Dialogo_historial dialogo(lectura, fichero, ventana_.Textos().historial, &ventana_);
  ejecutar_dialogo(dialogo);
}

}  // namespace r27
