// Service mode: the pause before the update and the two service dialogs' work.
#include "app/nucleo/servicio.h"

#include "app/nucleo/historial.h"
#include "app/nucleo/paso_firmware.h"
#include "app/nucleo/registro_historial.h"
#include "components/tcfpga.h"
#include "factory/textos_param_defecto.h"
#include "factory/tfparam_defecto.h"

namespace r27 {

namespace {

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

}  // namespace

const std::array<Tick_paso, 7> kTicks_pasos{{
    {"Check_teclado", "Teclado", &Estado_ventana::Check_teclado},
    {"Check_borrar", "Borrar", &Estado_ventana::Check_borrar},
    {"Check_configuracion", "Zona", &Estado_ventana::Check_configuracion},
    {"Check_planes", "Planes", &Estado_ventana::Check_planes},
    {"Check_fpga", "Fpga", &Estado_ventana::Check_fpga},
    {"Check_firmware", "Medidor", &Estado_ventana::Check_firmware},
    {"Check_mpeg4_apl", "Mpeg4_apl", &Estado_ventana::Check_mpeg4_apl},
}};

Servicio::Servicio(Interfaz_ventana& ventana, Sesion_asistente& sesion, Vista_servicio& vista,
                   Historial* historial)
    : ventana_(ventana), sesion_(sesion), vista_(vista), historial_(historial) {
  ventana_.Estado().modo_servicio = kModo_servicio_activo;
  // The technician chooses the steps: the correct screen names what is left.
  sesion_.Actualizacion_().mostrar_pendientes = true;

  // Every update run, finished or not, is recorded before its outcome screen.
  sesion_.Actualizacion_().al_terminar = [this] { Anotar_ejecucion(); };

  // The wizard button ends the pause instead of starting a search.
  sesion_.al_pulsar_en_pausa = [this] {
    if (!en_pausa_) return false;
    seguir_ = true;
    return true;
  };

  // The wizard hands a connected, ready meter to the update: the pause comes first.
  Asistente& asistente = sesion_.Asistente_();
  std::function<void()> actualizar = asistente.ejecutar_actualizacion;
  asistente.ejecutar_actualizacion = [this, actualizar = std::move(actualizar)] {
    if (!Pausa()) {
      vista_.Mostrar_ticks(false, false);
      // The meter went away during the pause (a dialog let it go, or it asked to
      // be let go): back to the start. A closing window needs nothing more.
      if (!ventana_.Estado().saliendo) sesion_.Asistente_().Volver_al_inicio();
      return;
    }
    vista_.Mostrar_ticks(true, false);  // shown, not changed, while the update runs
    antes_ = Leer_ficha(sesion_.Conexion_(), ventana_.Estado());
    inicio_us_ = ventana_.Reloj_().Micros();
    aviso_.clear();
    if (actualizar) actualizar();
    vista_.Mostrar_ticks(false, false);
    if (!aviso_.empty()) ventana_.Mensaje(aviso_);
  };
}

Servicio::~Servicio() = default;

void Servicio::Marcar_tick(size_t indice, bool marcado) {
  if (indice >= kTicks_pasos.size()) return;
  ventana_.Estado().*kTicks_pasos[indice].marcado = marcado;
}

void Servicio::Anotar_ejecucion() {
  if (!historial_) return;
  const Estado_ventana& e = ventana_.Estado();
  Registro_historial r = Registro_de_actualizacion("COM" + std::to_string(e.puerto), antes_,
                                                   sesion_.Actualizacion_().Desenlace());
  r.programa = "r27-update";
  const uint64_t ahora_us = ventana_.Reloj_().Micros();
  r.duracion_s = ahora_us > inicio_us_ ? static_cast<double>(ahora_us - inicio_us_) / 1e6 : 0.0;
  const Anotacion a = historial_->Anotar(r);
  if (a.avisar) aviso_ = kAviso_historial + a.error;
}

bool Servicio::Pausa() {
  const Estado_ventana& e = ventana_.Estado();
  vista_.Mostrar_ticks(true, true);
  vista_.Mostrar_pausa(true, kTexto_pausa);
  seguir_ = false;
  en_pausa_ = true;
  const auto esperando = [&] { return !seguir_ && e.conectado && !e.saliendo; };
  {
    // Nothing is asked of the meter while the technician looks: the disconnect
    // watch may look at the line (the dialogs switch it off while they talk).
    Conexion::Reposo reposo(sesion_.Conexion_());
    if (esperando()) vista_.Esperar_mientras(esperando);
  }
  en_pausa_ = false;
  vista_.Mostrar_pausa(false, {});
  return seguir_ && e.conectado && !e.saliendo;
}

void Servicio::Param_defectoClick(const std::function<void(TFParam_defecto&)>& mostrar) {
  const Estado_ventana& e = ventana_.Estado();
  Conexion_sin_vigilancia conexion(sesion_.Conexion_(), sesion_.Vigilancia());
  TFParam_defecto param(ventana_, conexion);
  // The watch stays off while the dialog may talk to the meter.
  sesion_.Vigilancia().Deshabilitar();
  mostrar(param);
  if (e.conectado) sesion_.Vigilancia().Habilitar();
}

void Servicio::Config_fpgaClick(const Mostrar_fpga& mostrar) {
  const Estado_ventana& e = ventana_.Estado();
  TCFpga fpga(ventana_);
  // The set is burnt here: no firmware step of this dialog would burn it.
  fpga.grabar_flash = true;
  bool grabando = false;
  const std::function<bool()> antes_de_grabar = [&] {
    if (!e.conectado) {
      ventana_.Mensaje(std::string(Dialogo_param_defecto::kSin_medidor));
      return false;
    }
    grabando = true;
    // Switches the watch off and loads the loader; the staging erase that
    // follows tells whether the meter listens.
    (void)Preparar_fpga(ventana_, sesion_.Conexion_(), sesion_.Vigilancia());
    return true;
  };
  sesion_.Vigilancia().Deshabilitar();
  mostrar(fpga, antes_de_grabar);
  if (!e.conectado) return;
  if (grabando) {
    // The loader's end restarted the meter: this connection is over.
    sesion_.Conexion_().Desconectar();
  } else {
    sesion_.Vigilancia().Habilitar();
  }
}

}  // namespace r27
