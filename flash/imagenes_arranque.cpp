// The run-wide writable copy of the loader images.
#include "flash/imagenes_arranque.h"

#include <algorithm>
#include <array>

#include "incrustado/imagenes_arranque.h"

namespace r27 {

namespace {

std::array<uint8_t, Imagenes_arranque::kBytes_total>& Copia_compartida() {
  static std::array<uint8_t, Imagenes_arranque::kBytes_total> copia = [] {
    std::array<uint8_t, Imagenes_arranque::kBytes_total> c{};
    const auto fuente = Imagenes_arranque_incrustadas();
    std::copy_n(fuente.begin(), std::min(fuente.size(), c.size()), c.begin());
    return c;
  }();
  return copia;
}

}  // namespace

std::span<const uint8_t> Imagenes_arranque_incrustadas() { return datos::imagenes_arranque(); }

Imagenes_arranque::Imagenes_arranque() : datos_(Copia_compartida()) {}

std::span<const uint8_t> Imagenes_arranque::Arranque() const {
  return datos_.first(kBytes_arranque);
}
std::span<const uint8_t> Imagenes_arranque::Primera_etapa() const {
  return datos_.subspan(kBytes_arranque, kBytes_primera_etapa);
}
std::span<const uint8_t> Imagenes_arranque::Segunda_etapa() const {
  return datos_.subspan(kBytes_arranque + kBytes_primera_etapa, kBytes_segunda_etapa);
}
std::span<uint8_t> Imagenes_arranque::Segunda_etapa_escribible() {
  return datos_.subspan(kBytes_arranque + kBytes_primera_etapa, kBytes_segunda_etapa);
}

void Imagenes_arranque::Restaurar() {
  auto& c = Copia_compartida();
  c.fill(0);
  const auto fuente = Imagenes_arranque_incrustadas();
  std::copy_n(fuente.begin(), std::min(fuente.size(), c.size()), c.begin());
}

}  // namespace r27
