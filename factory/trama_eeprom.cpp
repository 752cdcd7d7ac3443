// The EEPROM page write frame.
#include "factory/trama_eeprom.h"

namespace r27 {

std::vector<uint8_t> Trama_pagina_eeprom(uint16_t direccion, std::span<const uint8_t> datos) {
  if (datos.size() > kMaximo_datos_pagina_eeprom) return {};
  std::vector<uint8_t> t{kOrden_escritura,
                         static_cast<uint8_t>(datos.size() + 5),
                         kSelector_bus_eeprom,
                         kDispositivo_eeprom,
                         kRegistro_eeprom,
                         static_cast<uint8_t>(direccion >> 8),
                         static_cast<uint8_t>(direccion)};
  t.insert(t.end(), datos.begin(), datos.end());
  return t;
}

}  // namespace r27
