#pragma once
// The EEPROM page write: a write to device 0x52 (the EEPROM) on the meter's
// internal bus, register 8, whose first two data bytes are the EEPROM address,
// high byte first. The meter answers 0x20 once the page is written.
//
//   0x02, N + 5, 0x50, 0x52, 0x08, address high, address low, N data bytes
#include <cstdint>
#include <span>
#include <vector>

namespace r27 {

inline constexpr uint8_t kOrden_escritura = 0x02;
inline constexpr uint8_t kSelector_bus_eeprom = 0x50;
inline constexpr uint8_t kDispositivo_eeprom = 0x52;
inline constexpr uint8_t kRegistro_eeprom = 0x08;
inline constexpr uint8_t kPagina_eeprom_escrita = 0x20;
inline constexpr size_t kCabecera_pagina_eeprom = 7;
// N + 5 must fit the length byte.
inline constexpr size_t kMaximo_datos_pagina_eeprom = 0xFF - 5;

// The whole frame; empty when the data do not fit the length byte.
std::vector<uint8_t> Trama_pagina_eeprom(uint16_t direccion, std::span<const uint8_t> datos);

}  // namespace r27
