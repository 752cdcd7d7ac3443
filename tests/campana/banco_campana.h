#pragma once
// Whole updates under faults, in process on the virtual clock: a simulated meter
// whose flash and EEPROM hold an old content of their own, found and connected as
// a search does, its steps ticked as service mode allows, and the update run as the
// wizard hands it over. The run is cut into parts by the overall bar's base (each
// step moves it by its budget), so a fault can be aimed at the n-th request of a
// kind inside one part, and a firing can be told which part it fell in. After a
// run the meter's memory is checked region by region against what the run
// reported.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/idiomas.h"
#include "sim/medidor_simulado.h"
#include "tests/actualizacion/banco_actualizacion.h"
#include "tests/apoyo/vista_falsa.h"

namespace r27::pruebas {

// The service steps: the keyboard, the erase and the plans (which run only when the
// firmware is not ticked) with the zone and the FPGA set, burnt by its own step.
inline constexpr Pasos kServicio{true, true, true, true, true, false, false};

// The parts of a run in their order. A step's budget cuts it in two where the
// step moves the overall base itself: the firmware records and the burn, the
// module's stage 1 and the rest (stage 2, start, completion, reconnection).
enum class Tramo : uint8_t {
  Conexion,  // the search and the connection before the run
  Teclado,
  Borrado,
  Planes,
  Zona,  // with the fast-line switch before it
  Fpga,  // with the wait after the zone and the loader stages
  Firmware_envio,
  Firmware_grabacion,
  Mpeg4_etapa1,
  Mpeg4_resto,
  Cierre,  // after the last step's budget: closing request, line back, disconnect
  Fin,     // marks the end of the run
};
const char* Nombre_tramo(Tramo t);

// The step a part belongs to; Ninguno for the connection and the closing.
enum class Paso : uint8_t { Ninguno, Teclado, Borrado, Planes, Zona, Fpga, Firmware, Mpeg4 };
Paso Paso_de(Tramo t);
const char* Nombre_paso(Paso p);

// The result codes a fault inside part `t` can lead to.
std::vector<int32_t> Codigos_de(Tramo t);
// The step a result code belongs to (Ninguno for 0 and for a code no step sets).
// Code 8 belongs to the plans or to the fast-line switch before the zone: the
// part the fault fell in decides.
Paso Paso_de_codigo(int32_t codigo, Tramo tramo);

// Where a part starts: the request counts of every kind at that moment.
struct Frontera {
  Tramo tramo;
  uint64_t t_us;
  std::array<uint32_t, sim::kNum_peticiones> cuentas;
};

// The part of the run in which request number `cuenta` of kind `p` was handled;
// Fin when it came after the run.
Tramo Tramo_de_peticion(const std::vector<Frontera>& fronteras, sim::Peticion p, uint32_t cuenta);
// Requests of kind `p` inside part `t`: numbers desde .. hasta (none when desde > hasta).
struct Intervalo {
  uint32_t desde = 1, hasta = 0;
  bool Vacio() const { return desde > hasta; }
};
Intervalo Peticiones_en(const std::vector<Frontera>& fronteras, Tramo t, sim::Peticion p);

struct Resultado_run {
  int32_t codigo = 0;
  bool correcta = false;    // the correct screen
  bool desbordada = false;  // stopped at its virtual time limit
  uint64_t duracion_us = 0;
  std::vector<Frontera> fronteras;
  std::string abandono;              // the reason behind the result code, as text
  std::optional<r27::Fallo> motivo;  // the failure behind the result code
  // The step the outcome marks failed with that very failure, when one does.
  std::optional<Paso_actualizacion> paso_del_motivo;
};

// A copy of what the meter holds: flash, EEPROM, module, keyboard controller.
struct Copia_medidor {
  std::vector<uint8_t> flash;
  std::vector<uint8_t> eeprom;
  sim::Estado_mpeg4 mpeg4;
  sim::Estado_teclado teclado;
};

// How a step ended as the run reported it.
enum class Estado_paso : uint8_t {
  Sin_empezar,  // its regions hold what they held before the run
  Hecho,        // its regions hold the embedded images
  Libre,        // failed: anything
};

// Each ticked step's state for a run that ended on `codigo` (correct screen:
// every step done). The failing step is free; the steps before it are done; the
// steps after it have not started, except after the keyboard, whose failure does
// not stop the run (they may or may not have run).
std::array<Estado_paso, 8> Estados_pasos(const Pasos& pasos, bool correcta, int32_t codigo,
                                         Tramo tramo_fallo);

// One run's steps and how each ended, laid over the memory in the order of the runs.
struct Capa {
  Pasos pasos;
  std::array<Estado_paso, 8> estados;
};

// The meter's memory against `antes` after the runs of `capas`: every difference,
// one line each (empty: exact). Each run's regions are laid over what the runs
// before left, in the steps' order: a done step's bytes are the embedded images, a
// failed step's bytes are free until a later done step writes them again, a step
// not started leaves them. Flash and EEPROM outside every region must be as before.
std::vector<std::string> Comprobar_memoria(const sim::Medidor_simulado& m,
                                           const Copia_medidor& antes,
                                           const std::vector<Capa>& capas);

// The meter's model as the campaign uses it for a run of `pasos`, the module
// update shortened to 20 s. Without the firmware step it is a meter that needs
// only the service work: its firmware and module are the embedded ones already,
// so the check after writing finds nothing left to tick.
sim::Config_medidor Config_campana(const Pasos& pasos);

class Banco_campana : public Banco_actualizacion {
 public:
  explicit Banco_campana(sim::Config_medidor config);

  // Old content in flash and EEPROM (the identity block, the FPGA directory and
  // the status block the model wrote stay), so that every write and erase shows.
  void Sembrar_memoria();
  Copia_medidor Copiar() const;

  // A search as the technician repeats it: up to `intentos` connections 5 s
  // apart, then the wizard's readiness reads.
  bool Buscar(int intentos = 3);
  // The ticks of `pasos`, as service mode sets them after the tick decision.
  void Marcar(const Pasos& pasos);
  bool Buscar_y_marcar(const Pasos& pasos, int intentos = 3) {
    if (!Buscar(intentos)) return false;
    Marcar(pasos);
    return true;
  }
  // The update run, stopped when the virtual clock passes `limite_us` after its
  // start (a hang on the virtual clock).
  Resultado_run Ejecutar(uint64_t limite_us);
  // After the run: the screen, the menus, the wizard, the line, the connection.
  std::vector<std::string> Comprobar_ventana(const Resultado_run& r) const;

  Textos_idioma textos;
  Vista_falsa vista;
  Directorio_vacio directorio_vacio;
  Asistente asistente;
  Actualizacion actualizacion;

 private:
  void Al_mover_barra();
  std::array<uint32_t, sim::kNum_peticiones> Cuentas() const;
  Tramo Tramo_de_base(int32_t base) const;

  bool en_marcha_ = false;
  uint64_t limite_absoluto_us_ = 0;
  std::vector<std::pair<Tramo, int32_t>> inicios_;  // the ticked parts and their base
  int32_t total_ = 0;
  std::vector<Frontera> fronteras_;
};

// The virtual duration of a clean run of `pasos`, measured once per program.
uint64_t Duracion_limpia_us(const Pasos& pasos);
// The request counts at the parts of a clean run of `pasos`, measured once.
const std::vector<Frontera>& Fronteras_limpias(const Pasos& pasos);

}  // namespace r27::pruebas
