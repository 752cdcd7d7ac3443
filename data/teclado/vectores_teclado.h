#pragma once
// The programming vectors of the keyboard microcontroller, one table per request
// code of the meter. Each vector is 22 bits, most significant bit first, followed
// by two zero bits: three bytes, written here as one number and sent high byte
// first. The meter reprograms the microcontroller with these vectors in the order
// given; the table of code 5 also follows every firmware block while programming,
// the table of code 6 every block while verifying.
#include <array>
#include <cstdint>
#include <span>

namespace r27::datos {

inline constexpr std::array<uint32_t, 14> kVectores_teclado_3{
    0x9F82BC, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C,
    0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0xDE00BC, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 14> kVectores_teclado_5{
    0x9F8A9C, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C,
    0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0xDE005C, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 12> kVectores_teclado_6{
    0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C, 0xDE807C,
    0x9F701C, 0xDF261C, 0xDF481C, 0xDE003C, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 18> kVectores_teclado_7{
    0xCA0000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0xDEE01C, 0xDEC01C, 0x9F075C,
    0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0xDE013C, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 13> kVectores_teclado_8{
    0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C,
    0xDF261C, 0xDF481C, 0x9F403C, 0xDE00DC, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 38> kVectores_teclado_9{
    0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0A3C, 0xDF3F1C, 0xDF461C, 0xDFE25C,
    0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0C1C, 0xDF3D5C, 0xDF461C,
    0xDEE21C, 0xDFE25C, 0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0A3C,
    0xDF3F3C, 0xDF461C, 0xDFE25C, 0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C,
    0xDF0C1C, 0xDF3D1C, 0xDF461C, 0xDEE21C, 0xDFE25C, 0x000000};
inline constexpr std::array<uint32_t, 15> kVectores_teclado_11{
    0xDEE21C, 0xDC005C, 0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C, 0xDE807C,
    0x9F701C, 0xDF261C, 0xDF481C, 0x9F401C, 0xDE00DC, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 14> kVectores_teclado_12{
    0x9F8A9C, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C,
    0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0xDE009C, 0xDF001C, 0xDFE25C};
inline constexpr std::array<uint32_t, 13> kVectores_teclado_13{
    0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C,
    0xDF261C, 0xDF481C, 0x9F481C, 0xDE00FC, 0xDF001C, 0xDFE25C};

// The table the meter asks for with `codigo` (3, 5, 6, 7, 8, 9, 11, 12 or 13);
// empty for any other code.
constexpr std::span<const uint32_t> Vectores_teclado(uint8_t codigo) {
  switch (codigo) {
    case 3:
      return kVectores_teclado_3;
    case 5:
      return kVectores_teclado_5;
    case 6:
      return kVectores_teclado_6;
    case 7:
      return kVectores_teclado_7;
    case 8:
      return kVectores_teclado_8;
    case 9:
      return kVectores_teclado_9;
    case 11:
      return kVectores_teclado_11;
    case 12:
      return kVectores_teclado_12;
    case 13:
      return kVectores_teclado_13;
    default:
      return {};
  }
}

}  // namespace r27::datos
