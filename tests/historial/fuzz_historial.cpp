// Fuzz body: one line of the history file, any bytes. Reading never fails but by
// refusing the line; a line read as a record writes back as one that reads the
// same. Runs as an ordinary test over the checked-in corpus (corpus_historial/).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/nucleo/json_historial.h"

namespace r27::fuzz {

bool Probar_historial(std::span<const char> datos) {
  const std::string_view linea(datos.data(), datos.size());
  std::string error;
  const std::optional<Registro_historial> r = Registro_de_linea(linea, error);
  if (!r) return !error.empty();
  const std::string otra = Linea_de_registro(*r);
  if (otra.find('\n') != std::string::npos) return false;
  const std::optional<Registro_historial> de_nuevo = Registro_de_linea(otra, error);
  return de_nuevo && Linea_de_registro(*de_nuevo) == otra;
}

}  // namespace r27::fuzz

#ifdef R27_FUZZ_PRINCIPAL
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (!r27::fuzz::Probar_historial({reinterpret_cast<const char*>(datos), n})) __builtin_trap();
  return 0;
}
#endif
