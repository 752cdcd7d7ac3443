#pragma once
// The check after writing, judged on what the restarted meter reported: the
// connect found it in its application, it is one of ours, its tick decision left
// nothing to write, and, where the run wrote them, the firmware carries the
// embedded image's version and the MPEG-4 module answers again.
#include <array>
#include <string>

#include "app/nucleo/ficha_medidor.h"
#include "link/estado_ventana.h"

namespace r27 {

// What the run wrote that the check can look at.
struct Escrito_en_actualizacion {
  bool firmware = false;  // the firmware step ran (version and build must be the image's)
  bool mpeg4 = false;     // the module update ran (the module must answer)
};

struct Juicio_comprobacion {
  bool probada = false;
  // For the give-up note when not proven: what the check waited for ("3.01.00000 y
  // nada que marcar") and what came ("3.00.00000, firmware fpga marcados").
  std::string esperado;
  std::string llegado;
};

// `despues` is the identity of the connect after the run; `estado` holds the ticks
// its decision set and the family flag.
Juicio_comprobacion Juzgar_comprobacion(const Ficha_medidor& despues, const Estado_ventana& estado,
                                        const Escrito_en_actualizacion& escrito);

// The ticks set in `estado`, by name, in the order of the steps ("firmware mpeg4").
std::string Ticks_marcados(const Estado_ventana& estado);

}  // namespace r27
