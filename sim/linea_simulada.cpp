#include "sim/linea_simulada.h"

namespace r27::sim {

uint64_t Tiempo_byte_us(uint32_t baudios) {
  if (baudios == 0) return 0;
  return (11'000'000ull + baudios - 1) / baudios;
}

uint8_t Byte_recibido(uint8_t valor, uint32_t baudios_emisor, uint32_t baudios_receptor) {
  if (baudios_emisor == baudios_receptor) return valor;
  return static_cast<uint8_t>(0xC0 | (valor >> 2));
}

uint32_t Baudios_de_codigo(uint16_t codigo) {
  switch (codigo) {
    case 1:
      return 500000;
    case 3:
      return 250000;
    case 8:
      return 115200;
    default:
      return static_cast<uint32_t>(1'000'000u / (uint32_t{codigo} + 1));
  }
}

uint64_t Generador::Siguiente() {
  uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Generador::Uniforme() { return static_cast<double>(Siguiente() >> 11) * 0x1.0p-53; }

}  // namespace r27::sim
