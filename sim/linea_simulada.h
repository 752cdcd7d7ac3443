#pragma once
// The serial line between the computer and the simulated meter: how long a byte
// takes, what a receiver set to another rate makes of it, and the meter's rate
// codes. Shared by both transports, so they agree on what "garbage" is.
#include <cstdint>

namespace r27::sim {

// Microseconds one byte occupies on the line: 11 bits (start, 8 data, 2 stop).
uint64_t Tiempo_byte_us(uint32_t baudios);

// The byte a receiver set to `baudios_receptor` reads when the sender used
// `baudios_emisor`. Equal rates pass the byte through; a mismatch gives a byte in
// 0xC0..0xFF, which is none of the meter's answer bytes.
uint8_t Byte_recibido(uint8_t valor, uint32_t baudios_emisor, uint32_t baudios_receptor);

// The rate the meter sets when its baud-rate reload value is written at 0xFEB4:
// 1 -> 500,000, 3 -> 250,000, 8 -> 115,200 (other values: 1,000,000 / (v + 1)).
uint32_t Baudios_de_codigo(uint16_t codigo);

// A small deterministic generator (splitmix64), the same on every system.
class Generador {
 public:
  explicit Generador(uint64_t semilla) : estado_(semilla) {}
  uint64_t Siguiente();
  double Uniforme();  // [0, 1)

 private:
  uint64_t estado_;
};

}  // namespace r27::sim
