#include "sim/dispositivo_linea.h"

#include <algorithm>

namespace r27::sim {

void Cola_salida::Poner(uint8_t valor, uint64_t listo_us, uint32_t baudios) {
  auto pos = std::upper_bound(cola_.begin(), cola_.end(), listo_us,
                              [](uint64_t t, const Byte_saliente& b) { return t < b.listo_us; });
  cola_.insert(pos, Byte_saliente{valor, listo_us, baudios});
}

size_t Cola_salida::Tomar(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) {
  size_t n = 0;
  while (n < max && !cola_.empty() && cola_.front().listo_us <= hasta_us) {
    const Byte_saliente& b = cola_.front();
    destino[n++] = Byte_recibido(b.valor, b.baudios, baudios);
    cola_.pop_front();
  }
  return n;
}

void Cola_salida::Descartar(uint64_t hasta_us) {
  while (!cola_.empty() && cola_.front().listo_us <= hasta_us) cola_.pop_front();
}

std::optional<uint64_t> Cola_salida::Primero_us() const {
  if (cola_.empty()) return std::nullopt;
  return cola_.front().listo_us;
}

void Dispositivo_basura::Recibir(const uint8_t*, size_t n, uint64_t t_us, uint32_t baudios) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t b;
    do {
      b = static_cast<uint8_t>(generador_.Siguiente());
    } while (b == 0x5D || b == 0xD5 || b == 0x6D);
    salida_.Poner(b, t_us + 300, baudios);
  }
}

}  // namespace r27::sim
