#pragma once
// The main-firmware step of an update and the preparation before the FPGA step.
// Both load the programming loader into the meter through a programming object
// the connection holds (it stays loaded until the meter restarts, so the
// firmware step loads it itself only when the FPGA step did not).
#include "app/nucleo/conexion.h"
#include "app/nucleo/temporizador.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// Share of the overall bar the firmware records take (the burn's share follows
// in the update sequence).
inline constexpr int kParte_paso_firmware = kParte_envio_firmware;

// Applies the loader's MPEG-4 entry patch, switches the disconnect watch off and
// loads both loader stages; succeeds when the meter accepted both (the second is
// not tried when the first fails). Sets no result code: the sequence does.
Resultado Preparar_fpga(Interfaz_ventana& ventana, Conexion& conexion,
                        Interfaz_temporizador& timer_desconexion);

// Stages the embedded firmware image and has the meter burn it, with the status
// pictures on the meter's screen; succeeds when the firmware was written. Result
// codes (first one wins): 20 staging area not opened, `abortar` already set, or
// no connection at all; 21 records not sent; 22 aborted after the records;
// 23 burn failed. The failure is the step's first one: the staging reopen after
// it never replaces it.
Resultado Paso_firmware(Interfaz_ventana& ventana, Conexion& conexion,
                        Interfaz_temporizador& timer_desconexion);

}  // namespace r27
