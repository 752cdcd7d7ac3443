// The main firmware HEX text, embedded at build time by data/firmware.
#include "app/nucleo/imagen_firmware.h"

#include <incrustado/firmware_hex.h>

namespace r27 {

std::span<const char> Imagen_firmware() {
  const std::span<const uint8_t> bytes = datos::firmware_hex();
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace r27
