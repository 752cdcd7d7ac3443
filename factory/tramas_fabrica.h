#pragma once
// The requests of the factory dialog's flash work, apart from the sequence that
// sends them: the sector erase, the sector write confirmation and the 50-byte
// block that carries the options.
//
//   sector erase        0x0C n          answered n
//   confirm the write   0x06 n          answered n then 0x60, or 0x60 alone
//   options block       bytes 0..15 and 48..49 as the meter holds them at
//                       0x6000, bytes 16..47 the embedded options
#include <array>
#include <cstdint>
#include <span>

namespace r27 {

inline constexpr uint8_t kOrden_borrar_sector = 0x0C;
inline constexpr uint8_t kOrden_confirmar_grabacion = 0x06;
inline constexpr uint8_t kGrabacion_confirmada = 0x60;

// The meter's block that holds the options: 50 bytes at page 0, 0x6000, in the
// flash sector the meter numbers 3 (segment byte 0xAB when staged).
inline constexpr uint8_t kPagina_opciones = 0x00;
inline constexpr uint16_t kDireccion_opciones = 0x6000;
inline constexpr uint8_t kSegmento_opciones = 0xAB;
inline constexpr uint8_t kSector_opciones = 3;
inline constexpr size_t kBytes_bloque_opciones = 50;
inline constexpr size_t kInicio_opciones = 16;
inline constexpr size_t kBytes_opciones = 32;

std::array<uint8_t, 2> Orden_borrar_sector(uint8_t sector);
std::array<uint8_t, 2> Orden_confirmar_grabacion(uint8_t sector);

// The block to send: the meter's 25 words as read (low byte first) with bytes
// 16..47 replaced by `opciones`.
std::array<uint8_t, kBytes_bloque_opciones> Bloque_opciones(
    std::span<const uint16_t, kBytes_bloque_opciones / 2> leido,
    std::span<const uint8_t, kBytes_opciones> opciones);

// The options block the updater carries; empty if the embedded data do not
// have its size.
std::span<const uint8_t> Opciones_incrustadas();

}  // namespace r27
