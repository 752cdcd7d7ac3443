#pragma once
// The packets of the keyboard microcontroller's programming, from the computer to
// the meter: 0xBB starts the programming; every answer to a request code is
// 0xBC, the payload length and the payload (a 3-byte vector, a 64-byte block, a
// two-byte or a one-byte item).
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace r27 {

inline constexpr uint8_t kInicio_teclado = 0xBB;
inline constexpr uint8_t kCabecera_teclado = 0xBC;
inline constexpr size_t kBytes_bloque_teclado = 64;

// A programming vector, its three bytes high first: BC 03 v2 v1 v0.
constexpr std::array<uint8_t, 5> Paquete_vector_teclado(uint32_t vector) {
  return {kCabecera_teclado, 0x03, static_cast<uint8_t>(vector >> 16),
          static_cast<uint8_t>(vector >> 8), static_cast<uint8_t>(vector)};
}

// A firmware block or the security record's data: BC 40 + 64 bytes.
constexpr std::array<uint8_t, 2 + kBytes_bloque_teclado> Paquete_bloque_teclado(
    std::span<const uint8_t, kBytes_bloque_teclado> datos) {
  std::array<uint8_t, 2 + kBytes_bloque_teclado> p{kCabecera_teclado,
                                                   static_cast<uint8_t>(kBytes_bloque_teclado)};
  std::ranges::copy(datos, p.begin() + 2);
  return p;
}

// BC 02 a b.
constexpr std::array<uint8_t, 4> Paquete_dos_bytes_teclado(uint8_t a, uint8_t b) {
  return {kCabecera_teclado, 0x02, a, b};
}

// BC 01 a.
constexpr std::array<uint8_t, 3> Paquete_un_byte_teclado(uint8_t a) {
  return {kCabecera_teclado, 0x01, a};
}

// The fixed answers to codes 10, 15 and 22.
inline constexpr std::array<uint8_t, 4> kRespuesta_teclado_10 =
    Paquete_dos_bytes_teclado(0x00, 0x1F);
inline constexpr std::array<uint8_t, 4> kRespuesta_teclado_15 =
    Paquete_dos_bytes_teclado(0x00, 0x80);
inline constexpr std::array<uint8_t, 3> kRespuesta_teclado_22 = Paquete_un_byte_teclado(0x02);

}  // namespace r27
