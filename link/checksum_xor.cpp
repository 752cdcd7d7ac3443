// The XOR check byte of the block transfer packets.
#include "link/lector_hex.h"

namespace r27 {

uint8_t Checksum_xor(const uint8_t* datos, int32_t longitud) {
  uint8_t x = 0;
  for (int32_t i = 0; i < longitud; ++i) x ^= datos[i];
  return x;
}

}  // namespace r27
