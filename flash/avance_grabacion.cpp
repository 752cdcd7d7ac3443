// The judge of the meter's progress bytes during a flash burn.
#include "flash/avance_grabacion.h"

#include <algorithm>

#include "link/peticiones.h"

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

void Escuchar_hasta_fin_grabacion(Contexto_peticion& contexto, int64_t inicio_s, int64_t limite_s) {
  Reloj& reloj = contexto.Reloj_();
  uint8_t previo = 0;
  for (;;) {
    const int64_t desde = reloj.Segundos();
    if (desde - inicio_s >= limite_s) return;
    const int64_t plazo = std::min(kSilencio_fin_grabacion_s, limite_s - (desde - inicio_s));
    const Respuesta r = Esperar_byte(contexto, desde, Plazo::Menos_de(plazo));
    if (!r.llego) return;  // silence, the time limit, or the device gone
    if (r.byte == Avance_grabacion::kCompleta && previo == Avance_grabacion::kCompleta) return;
    previo = r.byte;
  }
}

}  // namespace r27
