#pragma once
// The FPGA configuration set as one flash image (a directory of 16 entries, then
// the bitstreams), the block plan that carries it to the meter's staging area,
// and the two frames that erase that area and burn it (the meter's progress
// bytes during the burn are judged by Avance_grabacion). Pure: no port, no
// window, no clock.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace r27 {

// Image layout.
inline constexpr size_t kTamano_imagen_fpga = 2 * 1024 * 1024;  // the image buffer
inline constexpr int kEntradas_directorio_fpga = 16;
inline constexpr size_t kBytes_entrada_fpga = 16;
// The directory has room for 16 entries whatever the count.
inline constexpr uint32_t kInicio_configuraciones_fpga =
    2 + kEntradas_directorio_fpga * kBytes_entrada_fpga;  // 258
inline constexpr size_t kCaracteres_descripcion_directorio = 4;
inline constexpr uint8_t kRelleno_imagen_fpga = 0xFF;

struct Imagen_fpga {
  std::vector<uint8_t> bytes;     // kTamano_imagen_fpga bytes, 0xFF where nothing was written
  uint32_t longitud_total = 0;    // end of the last configuration, not rounded
  std::vector<uint32_t> inicios;  // start offset of each configuration
};

// Where the configuration after one that ends at `fin` starts: the end rounded up
// to an even offset (an odd low part 0xFFFF moves it to the next 64 KiB).
constexpr uint32_t Siguiente_inicio_fpga(uint32_t fin) { return fin + (fin & 1u); }

// Builds the image of `configuraciones` in order; descripciones[i] (when given)
// goes with configuration i, of which the directory keeps the first 4 characters
// (zero bytes where it is shorter). nullopt for no configuration, more than 16, or
// an image that would outgrow the buffer. Throws std::bad_alloc when the buffer
// cannot be had.
std::optional<Imagen_fpga> Construir_imagen_fpga(
    std::span<const std::span<const uint8_t>> configuraciones,
    std::span<const std::string_view> descripciones = {});

// Staging erase: 07 06 00 00 DB FD FF E, E = 0xDC + (total >> 16), answered "p".
inline constexpr size_t kBytes_borrado_fpga = 8;
std::array<uint8_t, kBytes_borrado_fpga> Orden_borrado_fpga(uint32_t longitud_total);

// Blocks of 250 bytes: segment byte 0xDB + (offset >> 16), address offset & 0xFFFF.
// 0xDB is the staging byte 0xAB + 48 of flash segment 48, where the set lives.
inline constexpr uint32_t kDatos_bloque_fpga = 250;
inline constexpr uint8_t kSegmento_fpga = 0xDB;

struct Bloque_fpga {
  uint32_t desplazamiento;  // first image byte of the block
  uint8_t segmento;         // of its first byte, also when the block crosses 64 KiB
  uint16_t direccion;
  uint32_t longitud;  // 250, or what is left at the end
};

// The block that starts at `desplazamiento` (below `longitud_total`).
Bloque_fpga Bloque_fpga_en(uint32_t desplazamiento, uint32_t longitud_total);
// Every block of an image of `longitud_total` bytes, in order.
std::vector<Bloque_fpga> Plan_bloques_fpga(uint32_t longitud_total);

// Flash burn: 09 40, then a 64-byte segment map with 0x01 at bytes 48 ..
// 48 + (total >> 16) (never past the map's last byte).
inline constexpr size_t kBytes_grabar_flash_fpga = 66;
inline constexpr int kPrimer_byte_mapa_fpga = 48;
std::array<uint8_t, kBytes_grabar_flash_fpga> Orden_grabar_flash_fpga(uint32_t longitud_total);

}  // namespace r27
