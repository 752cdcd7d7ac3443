#pragma once
// The firmware image's HEX records grouped into block packets, apart from their
// sending: consecutive data records of one segment are merged into one block,
// which goes once it holds more than 200 bytes, at an address gap, at a new
// segment (an extended linear address record) and at the end of the file. Only
// the segments the map marks are sent. Pure: no port, no window, no clock.
#include <array>
#include <cstdint>
#include <span>

#include "flash/bloque.h"
#include "link/lector_hex.h"

namespace r27 {

inline constexpr size_t kLongitud_envio_bloque = 200;     // a block goes above this length
inline constexpr uint8_t kSegmento_firmware_base = 0xAB;  // wire byte of segment 0
inline constexpr int kSegmentos_mapa = 64;

struct Bloque_firmware {
  uint8_t segmento = 0;  // the wire byte: 0xAB + the image's segment index
  uint16_t direccion = 0;
  size_t longitud = 0;
  std::array<uint8_t, kMaximo_datos_bloque> datos{};
  std::span<const uint8_t> Datos() const { return {datos.data(), longitud}; }
};

class Bloques_firmware {
 public:
  // What a record asks of the sender once the blocks it completed are sent.
  enum class Paso : uint8_t {
    seguir,
    fin,           // the end-of-file record: nothing is left pending
    sin_segmento,  // an extended linear address record without its segment byte
  };

  explicit Bloques_firmware(const std::array<uint8_t, kSegmentos_mapa>& segmentos);

  // Takes the next record. The blocks it completed (none, one or two) are in
  // Listos() until the next call, in sending order.
  Paso Tomar(const Registro_hex& registro);
  std::span<const Bloque_firmware> Listos() const { return {listos_.data(), cuantos_}; }

  // The segment byte of the last extended linear address record (0 before any).
  uint8_t Segmento() const { return segmento_; }
  // Data records met before any extended linear address record: they have no
  // segment, so they are skipped.
  int Registros_sin_segmento() const { return sin_segmento_; }

 private:
  void Tomar_datos(const Registro_hex& registro);
  // The first `n` pending bytes become a ready block.
  void Listo(size_t n);
  void Cerrar_pendiente() {
    if (longitud_ > 0) Listo(longitud_);
  }

  const std::array<uint8_t, kSegmentos_mapa>& mapa_;
  int indice_ = -1;  // the current segment index; none before the first 04 record
  uint8_t segmento_ = 0;
  int sin_segmento_ = 0;
  // The block being merged: up to 251 bytes, and a record of up to 255 more
  // bytes before its head goes.
  std::array<uint8_t, kTamano_paquete_bloque> pendiente_{};
  size_t longitud_ = 0;
  uint32_t inicio_ = 0;
  std::array<Bloque_firmware, 2> listos_{};
  size_t cuantos_ = 0;
};

}  // namespace r27
