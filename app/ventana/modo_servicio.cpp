// Service mode: the two service dialogs in "Configurar" and the pause in which the
// technician changes the step ticks before the update.
#include "app/ventana/modo_servicio.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "app/nucleo/historial.h"
#include "app/nucleo/paso_firmware.h"
#include "app/nucleo/registro_historial.h"
#include "app/ventana/dialogo_historial.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/formulario_fpga.h"
#include "app/ventana/formulario_param_defecto.h"
#include "app/ventana/ventana_brisco.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"

namespace r27 {

namespace {

// How often the pause looks whether the meter is still connected.
constexpr int kIntervalo_pausa_ms = 100;

// The connect toggle as the factory dialog gets it: the connection's own, with
// the disconnect watch kept off after a connect, because the dialog's requests
// follow at once and the watch would take their answers off the line.
class Conexion_sin_vigilancia final : public Operaciones_conexion {
 public:
  Conexion_sin_vigilancia(Operaciones_conexion& conexion, Interfaz_temporizador& vigilancia)
      : conexion_(conexion), vigilancia_(vigilancia) {}
  void Cambiar_velocidad_puerto(uint32_t baudios) override {
    conexion_.Cambiar_velocidad_puerto(baudios);
  }
  bool Es_windows64() override { return conexion_.Es_windows64(); }
  void Boton_ConectarClick() override {
    conexion_.Boton_ConectarClick();
    vigilancia_.Deshabilitar();
  }
  bool Conectar() override {
    const bool conectado = conexion_.Conectar();
    vigilancia_.Deshabilitar();
    return conectado;
  }
  void Desconectar() override { conexion_.Desconectar(); }

 private:
  Operaciones_conexion& conexion_;
  Interfaz_temporizador& vigilancia_;
};

// The window's tick boxes and the shared ticks they stand for.
struct Tick {
  QCheckBox* Tventana_brisco::*control;
  bool Estado_ventana::*marcado;
};
constexpr Tick kTicks[] = {
    {&Tventana_brisco::Check_teclado, &Estado_ventana::Check_teclado},
    {&Tventana_brisco::Check_borrar, &Estado_ventana::Check_borrar},
    {&Tventana_brisco::Check_configuracion, &Estado_ventana::Check_configuracion},
    {&Tventana_brisco::Check_planes, &Estado_ventana::Check_planes},
    {&Tventana_brisco::Check_fpga, &Estado_ventana::Check_fpga},
    {&Tventana_brisco::Check_firmware, &Estado_ventana::Check_firmware},
    {&Tventana_brisco::Check_mpeg4_apl, &Estado_ventana::Check_mpeg4_apl},
};

}  // namespace

Modo_servicio::Modo_servicio(Tventana_brisco& ventana, Enlace_asistente& enlace,
                             Historial* historial)
    : QObject(&ventana), ventana_(ventana), enlace_(enlace), historial_(historial) {
  setObjectName("Modo_servicio");
  ventana_.Estado().modo_servicio = kModo_servicio_activo;
  // The technician chooses the steps: the correct screen names what is left.
  enlace_.Actualizacion_().mostrar_pendientes = true;
  ejecutar_dialogo = [](QDialog& d) { d.exec(); };

  Param_defecto = ventana_.MenuConfigurar->addAction(kTexto_param_defecto);
  Param_defecto->setObjectName("Param_defecto");
  connect(Param_defecto, &QAction::triggered, this, [this] { Param_defectoClick(); });
  Config_fpga = ventana_.MenuConfigurar->addAction(kTexto_config_fpga);
  Config_fpga->setObjectName("Config_fpga");
  connect(Config_fpga, &QAction::triggered, this, [this] { Config_fpgaClick(); });
  Historial_ = ventana_.MenuConfigurar->addAction(kTexto_historial);
  Historial_->setObjectName("Historial");
  connect(Historial_, &QAction::triggered, this, [this] { HistorialClick(); });
  // Every update run, finished or not, is recorded before its outcome screen.
  enlace_.Actualizacion_().al_terminar = [this] { Anotar_ejecucion(); };

  for (const Tick& t : kTicks) {
    bool Estado_ventana::*marcado = t.marcado;
    connect(ventana_.*t.control, &QCheckBox::toggled, this,
            [this, marcado](bool b) { ventana_.Estado().*marcado = b; });
  }

  // The wizard hands a connected, ready meter to the update: the pause comes first.
  Asistente& asistente = enlace_.Asistente_();
  std::function<void()> actualizar = asistente.ejecutar_actualizacion;
  asistente.ejecutar_actualizacion = [this, actualizar = std::move(actualizar)] {
    if (!Pausa()) {
      Mostrar_ticks(false, false);
      // The meter went away during the pause (a dialog let it go, or it asked to
      // be let go): back to the start. A closing window needs nothing more.
      if (!ventana_.Estado().saliendo) enlace_.Asistente_().Volver_al_inicio();
      return;
    }
    Mostrar_ticks(true, false);  // shown, not changed, while the update runs
    antes_ = Leer_ficha(enlace_.Conexion_(), ventana_.Estado());
    inicio_us_ = ventana_.Reloj_().Micros();
    aviso_.clear();
    if (actualizar) actualizar();
    Mostrar_ticks(false, false);
    if (!aviso_.empty()) ventana_.Mensaje(aviso_);
  };
}

Modo_servicio::~Modo_servicio() = default;

void Modo_servicio::Mostrar_ticks(bool visibles, bool habilitados) {
  const Estado_ventana& e = ventana_.Estado();
  for (const Tick& t : kTicks) {
    QCheckBox* c = ventana_.*t.control;
    c->setChecked(e.*t.marcado);
    c->setEnabled(habilitados);
    c->setVisible(visibles);
  }
}

bool Modo_servicio::Pausa() {
  Estado_ventana& e = ventana_.Estado();
  Mostrar_ticks(true, true);
  ventana_.Label_info3->setText(kTexto_pausa);
  ventana_.Label_info3->adjustSize();
  ventana_.Button_buscar_puerto->show();
  ventana_.Image_buscar_puerto->show();
  // The service dialogs may work on the meter now; the rest of the menus stay off.
  ventana_.MenuConfigurar->menuAction()->setEnabled(true);

  QEventLoop bucle;
  bool seguir = false;
  const std::function<void()> boton = ventana_.al_pulsar_asistente;
  ventana_.al_pulsar_asistente = [&] {
    seguir = true;
    bucle.quit();
  };
  QTimer mira;
  mira.setInterval(kIntervalo_pausa_ms);
  connect(&mira, &QTimer::timeout, &bucle, [&] {
    if (!e.conectado || e.saliendo) bucle.quit();
  });
  mira.start();
  if (e.conectado && !e.saliendo) bucle.exec();
  mira.stop();

  ventana_.al_pulsar_asistente = boton;
  ventana_.MenuConfigurar->menuAction()->setEnabled(false);
  ventana_.Button_buscar_puerto->hide();
  ventana_.Image_buscar_puerto->hide();
  ventana_.Label_info3->clear();
  return seguir && e.conectado && !e.saliendo;
}

void Modo_servicio::Anotar_ejecucion() {
  if (!historial_) return;
  const Estado_ventana& e = ventana_.Estado();
  Registro_historial r = Registro_de_actualizacion("COM" + std::to_string(e.puerto), antes_,
                                                   enlace_.Actualizacion_().Desenlace());
  r.programa = "r27-update";
  const uint64_t ahora_us = ventana_.Reloj_().Micros();
  r.duracion_s = ahora_us > inicio_us_ ? static_cast<double>(ahora_us - inicio_us_) / 1e6 : 0.0;
  const Anotacion a = historial_->Anotar(r);
  if (a.avisar) aviso_ = kAviso_historial + a.error;
}

void Modo_servicio::HistorialClick() {
  const Lectura_historial lectura = historial_ ? historial_->Leer() : Lectura_historial{};
  const QString fichero =
      historial_ ? QString::fromStdString(historial_->Fichero().string()) : QString();
  Dialogo_historial dialogo(lectura, fichero, &ventana_);
  ejecutar_dialogo(dialogo);
}

void Modo_servicio::Param_defectoClick() {
  Estado_ventana& e = ventana_.Estado();
  Conexion_sin_vigilancia conexion(enlace_.Conexion_(), enlace_);
  TFParam_defecto param(ventana_, conexion);
  Formulario_param_defecto formulario(param, &ventana_);
  // The watch stays off while the dialog may talk to the meter.
  enlace_.Deshabilitar();
  ejecutar_dialogo(formulario);
  if (e.conectado) enlace_.Habilitar();
}

void Modo_servicio::Config_fpgaClick() {
  Estado_ventana& e = ventana_.Estado();
  TCFpga fpga(ventana_);
  Formulario_fpga formulario(fpga, &ventana_);
  // The set is burnt here: no firmware step of this dialog would burn it.
  fpga.grabar_flash = true;
  bool grabando = false;
  formulario.antes_de_grabar = [&] {
    if (!e.conectado) {
      ventana_.Mensaje(std::string(Dialogo_param_defecto::kSin_medidor));
      return false;
    }
    grabando = true;
    // Switches the watch off and loads the loader; the staging erase that
    // follows tells whether the meter listens.
    (void)Preparar_fpga(ventana_, enlace_.Conexion_(), enlace_);
    return true;
  };
  enlace_.Deshabilitar();
  ejecutar_dialogo(formulario);
  if (!e.conectado) return;
  if (grabando) {
    // The loader's end restarted the meter: this connection is over.
    enlace_.Conexion_().Desconectar();
  } else {
    enlace_.Habilitar();
  }
}

}  // namespace r27
