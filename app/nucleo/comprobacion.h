#pragma once
// The check after writing, judged on what the restarted meter reported against
// what the run wrote: the connect found it in its application and it is one of
// ours; where the run wrote them, the firmware carries the embedded image's
// version and build, the FPGA information is the head of the set the run built,
// and the MPEG-4 module answers and its own rule asks for nothing. A step the run did not
// write never fails the check.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/nucleo/ficha_medidor.h"
#include "app/nucleo/pasos_actualizacion.h"
#include "link/estado_ventana.h"

namespace r27 {

// What the run wrote and the check can look at: the steps that ran and succeeded.
struct Escrito_en_actualizacion {
  bool firmware = false;  // version and build must be the image's
  bool fpga = false;      // the FPGA information must be `cabecera_fpga`
  std::array<uint8_t, kBytes_info_fpga> cabecera_fpga{};  // the set's first bytes
  bool mpeg4 = false;  // the module must answer, and no longer be ticked
};

struct Juicio_comprobacion {
  bool probada = false;
  // For the failure when not proven: what the check waited for ("3.01.00000") and
  // what came ("3.00.00000, en etapa de arranque").
  std::string esperado;
  std::string llegado;
};

// `despues` is the identity of the connect after the run; `estado` holds the ticks
// its decision set and the family flag.
Juicio_comprobacion Juzgar_comprobacion(const Ficha_medidor& despues, const Estado_ventana& estado,
                                        const Escrito_en_actualizacion& escrito);

// The steps the restarted meter's tick decision still asks for, in the order they run.
std::vector<Paso_actualizacion> Pasos_pendientes(const Estado_ventana& estado);

}  // namespace r27
