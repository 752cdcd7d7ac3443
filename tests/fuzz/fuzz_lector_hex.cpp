// libFuzzer target: the record reader over arbitrary text.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/cuerpos_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (!r27::fuzz::Recorrer_registros({reinterpret_cast<const char*>(datos), n})) __builtin_trap();
  return 0;
}
