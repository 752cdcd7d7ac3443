// The factory dialog's flash requests and the options block.
#include "factory/tramas_fabrica.h"

#include <algorithm>

#include "incrustado/opciones_fabrica.h"

namespace r27 {

std::array<uint8_t, 2> Orden_borrar_sector(uint8_t sector) {
  return {kOrden_borrar_sector, sector};
}

std::array<uint8_t, 2> Orden_confirmar_grabacion(uint8_t sector) {
  return {kOrden_confirmar_grabacion, sector};
}

std::array<uint8_t, kBytes_bloque_opciones> Bloque_opciones(
    std::span<const uint16_t, kBytes_bloque_opciones / 2> leido,
    std::span<const uint8_t, kBytes_opciones> opciones) {
  std::array<uint8_t, kBytes_bloque_opciones> bloque{};
  for (size_t i = 0; i < leido.size(); ++i) {
    bloque[2 * i] = static_cast<uint8_t>(leido[i]);
    bloque[2 * i + 1] = static_cast<uint8_t>(leido[i] >> 8);
  }
  std::copy(opciones.begin(), opciones.end(), bloque.begin() + kInicio_opciones);
  return bloque;
}

std::span<const uint8_t> Opciones_incrustadas() {
  const std::span<const uint8_t> datos = datos::opciones_fabrica();
  if (datos.size() != kBytes_opciones) return {};
  return datos;
}

}  // namespace r27
