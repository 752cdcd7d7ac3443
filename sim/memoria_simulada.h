#pragma once
// The memories of the simulated meter, as the meter itself addresses them.
//
// - Program flash: 64 segments of 64 KiB. Memory page p (p < 0x40) reads flash
//   segment p, so the identity block (page 0x18), the FPGA directory (page 0x30)
//   and the status block (page 0, 0x6010) are flash contents that a burn rewrites.
// - Page 0 from 0xF000 up is the processor's own RAM and registers (the level
//   word at 0xFEA0, the baud-rate reload value at 0xFEB4); pages 0x40 and above are
//   external RAM (the language byte lives at 0x42:0x0210).
// - Block staging: one 64 KiB RAM buffer per segment byte, filled by block packets
//   (0x03) and erased by the staging erase; a burn copies segment byte 0xAB + k
//   into flash segment k. Lost at a restart.
// - Sector staging: the area 0x5A blocks fill (24-bit addresses from 0) and a 0x5B
//   sector write copies into flash. Lost at a restart.
// - EEPROM behind bus device 0x52: 32 KiB.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace r27::sim {

inline constexpr uint32_t kTamano_segmento = 0x10000;
inline constexpr int kNum_segmentos_flash = 64;
inline constexpr uint32_t kTamano_eeprom = 0x8000;
inline constexpr uint32_t kTamano_area_sectores = 0x40000;
inline constexpr uint8_t kPrimer_segmento_flash = 0xAB;  // staging byte of flash segment 0

// A flash range named by a sector number of the erase (0x0C) and confirm (0x06)
// requests: sectors 0..7 are the 8 KiB boot sectors of segment 0, sector s >= 8
// is the whole segment s - 7.
struct Rango_sector {
  int segmento;
  uint32_t desplazamiento;
  uint32_t tamano;
};
std::optional<Rango_sector> Sector_pequeno(uint8_t sector);

class Memoria_simulada {
 public:
  Memoria_simulada();

  // Program flash.
  std::span<uint8_t> Segmento_flash(int k);
  std::span<const uint8_t> Segmento_flash(int k) const;
  void Borrar_flash(int segmento, uint32_t desde, uint32_t tamano);

  // The 24-bit memory space of the memory read and write requests.
  uint8_t Leer(uint32_t direccion) const;
  // False where the address is flash or outside every memory (nothing written).
  bool Escribir(uint32_t direccion, uint8_t valor);

  // Block staging, per segment byte.
  void Preparar(uint8_t segmento, uint16_t direccion, std::span<const uint8_t> datos);
  void Borrar_preparacion(uint8_t segmento);
  std::span<const uint8_t> Preparacion(uint8_t segmento) const;  // 64 KiB, 0xFF where unwritten
  uint32_t Extension_preparada(uint8_t segmento) const;          // end of the highest write
  // Copies staging byte 0xAB + k into flash segment k.
  void Grabar_segmento(int k);

  // Sector staging (0x5A / 0x5B).
  bool Preparar_area(uint32_t direccion, std::span<const uint8_t> datos);
  std::span<const uint8_t> Area_sectores() const { return area_; }

  std::span<uint8_t> Eeprom() { return eeprom_; }
  std::span<const uint8_t> Eeprom() const { return eeprom_; }

  // What a restart loses: both staging areas, except the segment bytes kept.
  void Perder_ram_de_trabajo();
  // What a power cut loses besides: the processor's RAM and the external RAM read
  // zero until something writes them.
  void Perder_ram();
  // Segment bytes desde .. desde + cuantos - 1 are flash on the meter (the
  // screen-graphics area): a restart keeps them, the staging erase clears them.
  void Conservar_preparacion(uint8_t desde, int cuantos);

 private:
  std::vector<uint8_t> flash_;
  std::array<uint8_t, 0x1000> ram_baja_{};             // page 0, 0xF000..0xFFFF
  std::map<uint32_t, std::vector<uint8_t>> ram_alta_;  // pages 0x40.. (lazily)
  std::array<std::unique_ptr<std::vector<uint8_t>>, 256> preparacion_;
  std::array<uint32_t, 256> extension_{};
  std::array<bool, 256> conservada_{};
  std::vector<uint8_t> area_;
  std::vector<uint8_t> eeprom_;
};

}  // namespace r27::sim
