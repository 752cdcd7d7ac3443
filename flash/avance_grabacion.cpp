// The judge of the meter's progress bytes during a flash burn.
#include "flash/avance_grabacion.h"

namespace r27 {

Paso_grabacion Avance_grabacion::Recibir(uint8_t b) {
  const uint8_t p = previo_;
  previo_ = b;
  if (b == kCompleta) return p == kCompleta ? Paso_grabacion::Completa : Paso_grabacion::Seguir;
  if (b == kBorrando) {
    if (p != kBorrando) return Paso_grabacion::Seguir;
    borrando_ = true;
    grabando_ = false;
    return Paso_grabacion::Borrando;
  }
  if (b == kGrabando) {
    if (p != kGrabando) return Paso_grabacion::Seguir;
    grabando_ = true;
    borrando_ = false;
    return Paso_grabacion::Grabando;
  }
  // Sector and segment bytes count only once the meter has said what it does.
  return borrando_ || grabando_ ? Paso_grabacion::Seguir : Paso_grabacion::Rechazada;
}

}  // namespace r27
