#pragma once
// The update run behind the wizard's hand-over: the budget and the time estimate,
// the technician's confirmations, the ticked steps in their fixed order with the
// waits and reconnections between them, the closing request, the disconnect and
// the outcome screen. Everything runs on the window's thread.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/nucleo/asistente.h"
#include "app/nucleo/comprobacion.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/desenlace.h"
#include "app/nucleo/ficha_medidor.h"
#include "app/nucleo/idiomas.h"
#include "app/nucleo/temporizador.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// Budgets in seconds of expected duration: the unit of the overall bar and of
// the time estimate.
inline constexpr int kPresupuesto_teclado = 180;
inline constexpr int kPresupuesto_borrado = 10;
inline constexpr int kPresupuesto_planes = 30;
inline constexpr int kPresupuesto_zona = 50;
inline constexpr int kPresupuesto_fpga = 30;
inline constexpr int kPresupuesto_firmware = 300;
inline constexpr int kPresupuesto_mpeg4 = 640;
// On 64-bit Windows the line stays at 115,200 baud: the long steps take longer.
inline constexpr int kExtra_firmware_windows64 = 120;
inline constexpr int kExtra_mpeg4_windows64 = 220;

// Waits before reconnecting to a meter that restarts after a step.
inline constexpr uint32_t kEspera_tras_teclado_ms = 9000;
inline constexpr uint32_t kEspera_tras_planes_ms = 5000;
inline constexpr uint32_t kEspera_tras_mpeg4_ms = 17000;
// Fixed waits: after the baud switch, and after the zone step (run or not).
inline constexpr uint32_t kEspera_tras_velocidad_ms = 1000;
inline constexpr uint32_t kEspera_tras_zona_ms = 5000;
inline constexpr uint32_t kBaudios_rapidos = 500'000;
inline constexpr uint32_t kBaudios_normales = 115'200;

// Erase step: the stored-tables reset write, the blank staging block and the
// three sectors, each tried up to 10 times.
inline constexpr uint8_t kPagina_borrado = 0x50;
inline constexpr uint16_t kOffset_borrado = 0x0852;
inline constexpr int kIntentos_borrado = 10;
inline constexpr uint32_t kPausa_borrado_ms = 500;

// Closing request 0x0F 0x00, then this pause.
inline constexpr uint32_t kPausa_fin_actualizacion_ms = 500;

// Check after writing. The meter restarts after the closing request (or, after a
// module update, after its end byte); the longest restart the run allows it is
// the wait after the module update, so the check waits as long before it
// connects. A meter slower than that gets more connects, each of 4 probes, about
// as long again as a reconnection's 10 probes.
inline constexpr uint32_t kEspera_reinicio_comprobacion_ms = kEspera_tras_mpeg4_ms;
inline constexpr int kConexiones_comprobacion = 3;

class Actualizacion {
 public:
  Actualizacion(Interfaz_ventana& ventana, Conexion& conexion,
                Interfaz_temporizador& timer_desconexion, Vista_asistente& vista,
                const Textos_idioma& textos);

  // The wizard's last step for a connected, ready meter: the updating screen, the
  // run, the outcome screen; the wizard is left ready for "Actualizar".
  void Ejecutar_actualizacion(Asistente& asistente);
  // True when the update failed or the technician refused it. The whole story is
  // in Desenlace().
  bool Actualizar_medidor();
  Resultado Borrar_medidor();
  // The keyboard step: fails with the programmer's code (1, 2, 25, 27), or 28 when
  // no meter could be connected. Its failure does not stop the sequence.
  Resultado Paso_teclado();
  void Fin_actualizacion();

  // The keyboard step clears the file dialog's name (the window's control).
  std::function<void()> al_limpiar_fichero;
  // A step begins its work (the banner); the command line shows it.
  std::function<void(Paso_actualizacion)> al_empezar_paso;
  // The check after writing begins (the steps are over); the command line shows it.
  std::function<void()> al_empezar_comprobacion;
  // The run is over and its outcome known, before the outcome screen tells it:
  // service mode records it in the history here.
  std::function<void()> al_terminar;
  // When set, the time question gives this (the command line's "less than 1
  // min.") for steps under a minute instead of "0 min."; the window keeps its form.
  std::string menos_de_un_minuto;
  // Service mode: the correct screen's line 3 names the steps the meter still needs.
  bool mostrar_pendientes = false;

  // Steps counted in the last run (the banner's n).
  int pasos_contados() const { return n_; }
  const Desenlace_actualizacion& Desenlace() const { return desenlace_; }
  const Resultado_comprobacion& Comprobacion() const { return desenlace_.comprobacion; }

 private:
  void Banner();
  void Avanzar_base(int unidades);
  void Esperar_y_reconectar(uint32_t espera_ms);
  Resultado Paso_fpga();
  // After the run: the meter and the port back at the rate a search uses.
  void Volver_a_velocidad_normal();
  // Waits for the restart, connects with the full identity and tick decision,
  // judges, lets the meter go; false (code 26) when the update is not proven.
  bool Comprobar_escritura();

  // A step's record in the outcome.
  Desenlace_paso* Registro(Paso_actualizacion paso);
  void Empezar_paso(Paso_actualizacion paso);
  // Ends the step: done, or failed with the failure behind the code it set (or
  // its own, when it set none). Returns whether it succeeded.
  bool Terminar_paso(Paso_actualizacion paso, const Resultado& resultado);
  // A failed step stops the rest of the run; a refused question cancels it.
  void Fallar();
  void Cancelar();
  // A step of the run is recorded as failed (also one that let the sequence go on).
  bool Algun_paso_fallido() const;
  // True once the meter is known to be unplugged: nothing more is asked of it.
  bool Perdido();
  // After a wait between steps, before a reconnect: true when the meter was
  // unplugged, the run then ended as the next step ends without a meter.
  bool Perdido_entre_pasos();
  // A connect inside a step runs the tick decision again; the run keeps the
  // steps it was confirmed with.
  bool Conectar_en_paso();

  Interfaz_ventana& ventana_;
  Conexion& conexion_;
  Interfaz_temporizador& timer_;
  Vista_asistente& vista_;
  const Textos_idioma& textos_;
  int k_ = 0;
  int n_ = 0;
  bool perdido_ = false;  // the meter was unplugged during the run
  uint64_t inicio_paso_us_ = 0;
  int32_t codigo_al_empezar_ = 0;   // the run's code when the current step began
  std::array<bool, 7> elegidos_{};  // the ticks the run was confirmed with
  Escrito_en_actualizacion escrito_;
  // A failure the current step kept from the sequence (the FPGA set's burn).
  std::optional<Fallo> fallo_sin_parar_;
  Desenlace_actualizacion desenlace_;
};

}  // namespace r27
