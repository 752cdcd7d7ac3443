#pragma once
// The update's steps as the command line names them: which the ticks select, in
// the order the sequence runs them, with their budgets; and which step sets a
// given result code, to tell which step a failed run stopped in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/nucleo/textos_historial.h"
#include "link/estado_ventana.h"

namespace r27 {

enum class Paso_actualizacion { teclado, borrado, planes, zona, fpga, firmware, mpeg4 };

struct Paso_previsto {
  Paso_actualizacion paso;
  const char* nombre;
  int presupuesto;  // seconds of the overall budget
};

const char* Nombre_paso(Paso_actualizacion paso);
// The step's short key, as the service mode's step list names it ("zona").
const char* Clave_paso(Paso_actualizacion paso);
// The step of a key; none for an unknown key.
std::optional<Paso_actualizacion> Paso_de_clave(std::string_view clave);
// The step's tick in the shared state.
bool Estado_ventana::*Tick_de_paso(Paso_actualizacion paso);
// Ticks exactly `pasos` (the service mode's choice); the others are cleared.
void Elegir_pasos(Estado_ventana& estado, const std::vector<Paso_actualizacion>& pasos);
// "still to do: zone configuration, main firmware": what a meter still needs
// after a service run, in the language of `textos`.
std::string Texto_pendientes(const std::vector<Paso_actualizacion>& pasos,
                             const Textos_historial& textos);

// The ticked steps in the order they run (channel plans only without the
// firmware), each with its budget; on 64-bit Windows the long steps get their
// extras. Its length is the banner's n.
std::vector<Paso_previsto> Pasos_previstos(const Estado_ventana& estado, bool windows64);

// The step whose work sets `codigo`; none for 0, for the code the baud switch
// shares with the channel plans, and for codes no step sets.
std::optional<Paso_actualizacion> Paso_de_codigo(int32_t codigo);

}  // namespace r27
