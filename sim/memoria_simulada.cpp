#include "sim/memoria_simulada.h"

#include <algorithm>

namespace r27::sim {
namespace {

const std::vector<uint8_t>& Segmento_borrado() {
  static const std::vector<uint8_t> borrado(kTamano_segmento, 0xFF);
  return borrado;
}

}  // namespace

std::optional<Rango_sector> Sector_pequeno(uint8_t sector) {
  if (sector < 8) return Rango_sector{0, uint32_t{sector} * 0x2000u, 0x2000u};
  int segmento = sector - 7;
  if (segmento >= kNum_segmentos_flash) return std::nullopt;
  return Rango_sector{segmento, 0, kTamano_segmento};
}

Memoria_simulada::Memoria_simulada()
    : flash_(size_t{kNum_segmentos_flash} * kTamano_segmento, 0xFF),
      area_(kTamano_area_sectores, 0xFF),
      eeprom_(kTamano_eeprom, 0xFF) {}

std::span<uint8_t> Memoria_simulada::Segmento_flash(int k) {
  return std::span<uint8_t>(flash_).subspan(size_t(k) * kTamano_segmento, kTamano_segmento);
}

std::span<const uint8_t> Memoria_simulada::Segmento_flash(int k) const {
  return std::span<const uint8_t>(flash_).subspan(size_t(k) * kTamano_segmento, kTamano_segmento);
}

void Memoria_simulada::Borrar_flash(int segmento, uint32_t desde, uint32_t tamano) {
  auto s = Segmento_flash(segmento);
  desde = std::min(desde, kTamano_segmento);
  tamano = std::min(tamano, kTamano_segmento - desde);
  std::fill_n(s.begin() + desde, tamano, uint8_t{0xFF});
}

uint8_t Memoria_simulada::Leer(uint32_t direccion) const {
  uint32_t pagina = (direccion >> 16) & 0xFF;
  uint32_t desplazamiento = direccion & 0xFFFF;
  if (pagina == 0 && desplazamiento >= 0xF000) return ram_baja_[desplazamiento - 0xF000];
  if (pagina < kNum_segmentos_flash) return flash_[pagina * kTamano_segmento + desplazamiento];
  auto it = ram_alta_.find(pagina);
  return it == ram_alta_.end() ? 0 : it->second[desplazamiento];
}

bool Memoria_simulada::Escribir(uint32_t direccion, uint8_t valor) {
  uint32_t pagina = (direccion >> 16) & 0xFF;
  uint32_t desplazamiento = direccion & 0xFFFF;
  if (pagina == 0 && desplazamiento >= 0xF000) {
    ram_baja_[desplazamiento - 0xF000] = valor;
    return true;
  }
  if (pagina < kNum_segmentos_flash) return false;
  auto& bloque = ram_alta_[pagina];
  if (bloque.empty()) bloque.assign(kTamano_segmento, 0);
  bloque[desplazamiento] = valor;
  return true;
}

void Memoria_simulada::Preparar(uint8_t segmento, uint16_t direccion,
                                std::span<const uint8_t> datos) {
  // A block is addressed by its first byte; one that runs past the end of its
  // segment goes on into the next segment byte.
  uint32_t s = segmento;
  uint32_t d = direccion;
  for (uint8_t b : datos) {
    if (d >= kTamano_segmento) {
      d = 0;
      s = (s + 1) & 0xFF;
    }
    auto& p = preparacion_[s];
    if (!p) p = std::make_unique<std::vector<uint8_t>>(kTamano_segmento, 0xFF);
    (*p)[d] = b;
    ++d;
    extension_[s] = std::max(extension_[s], d);
  }
}

void Memoria_simulada::Borrar_preparacion(uint8_t segmento) {
  preparacion_[segmento].reset();
  extension_[segmento] = 0;
}

std::span<const uint8_t> Memoria_simulada::Preparacion(uint8_t segmento) const {
  const auto& p = preparacion_[segmento];
  return p ? std::span<const uint8_t>(*p) : std::span<const uint8_t>(Segmento_borrado());
}

uint32_t Memoria_simulada::Extension_preparada(uint8_t segmento) const {
  return extension_[segmento];
}

void Memoria_simulada::Grabar_segmento(int k) {
  auto origen = Preparacion(static_cast<uint8_t>(kPrimer_segmento_flash + k));
  std::copy(origen.begin(), origen.end(), Segmento_flash(k).begin());
}

bool Memoria_simulada::Preparar_area(uint32_t direccion, std::span<const uint8_t> datos) {
  if (direccion > area_.size() || datos.size() > area_.size() - direccion) return false;
  std::copy(datos.begin(), datos.end(), area_.begin() + direccion);
  return true;
}

void Memoria_simulada::Perder_ram_de_trabajo() {
  for (int s = 0; s < 256; ++s)
    if (!conservada_[s]) Borrar_preparacion(static_cast<uint8_t>(s));
  std::fill(area_.begin(), area_.end(), uint8_t{0xFF});
}

void Memoria_simulada::Perder_ram() {
  ram_baja_.fill(0);
  ram_alta_.clear();
}

void Memoria_simulada::Conservar_preparacion(uint8_t desde, int cuantos) {
  for (int i = 0; i < cuantos; ++i) conservada_[(desde + i) & 0xFF] = true;
}

}  // namespace r27::sim
