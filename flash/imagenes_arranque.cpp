// A session's writable copy of the loader images.
#include "flash/imagenes_arranque.h"

#include <algorithm>

#include "incrustado/imagenes_arranque.h"

namespace r27 {

std::span<const uint8_t> Imagenes_arranque_incrustadas() { return datos::imagenes_arranque(); }

Imagenes_arranque::Imagenes_arranque() {
  const auto fuente = Imagenes_arranque_incrustadas();
  std::copy_n(fuente.begin(), std::min(fuente.size(), datos_.size()), datos_.begin());
}

std::span<const uint8_t> Imagenes_arranque::Arranque() const {
  return std::span<const uint8_t>(datos_).first(kBytes_arranque);
}
std::span<const uint8_t> Imagenes_arranque::Primera_etapa() const {
  return std::span<const uint8_t>(datos_).subspan(kBytes_arranque, kBytes_primera_etapa);
}
std::span<const uint8_t> Imagenes_arranque::Segunda_etapa() const {
  return std::span<const uint8_t>(datos_).subspan(kBytes_arranque + kBytes_primera_etapa,
                                                  kBytes_segunda_etapa);
}
std::span<uint8_t> Imagenes_arranque::Segunda_etapa_escribible() {
  return std::span<uint8_t>(datos_).subspan(kBytes_arranque + kBytes_primera_etapa,
                                            kBytes_segunda_etapa);
}

}  // namespace r27
