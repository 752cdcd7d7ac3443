// libFuzzer target: the input is the meter (see cuerpo_medidor.h). A broken rule
// is named, then traps; a loop that does not end aborts from the backend's
// watchdog. With R27_MEDIDA set in the environment every run prints what it
// measured (virtual time, longest silence, port operations), to find slow inputs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/cuerpo_medidor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  static const bool medir = std::getenv("R27_MEDIDA") != nullptr;
  r27::fuzz::Medida_medidor m;
  if (!r27::fuzz::Probar_medidor({datos, n}, &m)) {
    std::fprintf(stderr, "fuzz_medidor: rule broken: %s (result code %d)\n", m.regla_rota,
                 static_cast<int>(m.codigo_error));
    __builtin_trap();
  }
  if (medir)
    std::fprintf(stderr,
                 "medida: run %u virtual %.1f s, longest silence %.1f s, %llu port "
                 "operations, %llu message turns, %s, code %d\n",
                 n > 0 ? datos[0] % 12u : 0u, static_cast<double>(m.tiempo_virtual_us) / 1e6,
                 static_cast<double>(m.maximo_silencio_us) / 1e6,
                 static_cast<unsigned long long>(m.operaciones),
                 static_cast<unsigned long long>(m.mensajes),
                 m.conectado ? "connected" : "not connected", static_cast<int>(m.codigo_error));
  return 0;
}
