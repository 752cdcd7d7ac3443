#include "vectores_teclado_medidor.h"

#include <array>

namespace r27::sim {
namespace {

constexpr std::array<uint32_t, 14> kTabla3 = {0x9F82BC, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                              0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                              0xDF481C, 0xDE00BC, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 14> kTabla5 = {0x9F8A9C, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                              0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                              0xDF481C, 0xDE005C, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 12> kTabla6 = {0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C,
                                              0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                              0xDF481C, 0xDE003C, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 18> kTabla7 = {
    0xCA0000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0xDEE01C, 0xDEC01C, 0x9F075C,
    0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0xDE013C, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 13> kTabla8 = {0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C,
                                              0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0x9F403C,
                                              0xDE00DC, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 38> kTabla9 = {
    0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0A3C, 0xDF3F1C, 0xDF461C, 0xDFE25C,
    0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0C1C, 0xDF3D5C, 0xDF461C,
    0xDEE21C, 0xDFE25C, 0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C, 0xDF0A3C,
    0xDF3F3C, 0xDF461C, 0xDFE25C, 0x000000, 0xDEE01C, 0xDE807C, 0xDEA01C, 0xDEC11C,
    0xDF0C1C, 0xDF3D1C, 0xDF461C, 0xDEE21C, 0xDFE25C, 0x000000};
constexpr std::array<uint32_t, 15> kTabla11 = {0xDEE21C, 0xDC005C, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                               0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                               0xDF481C, 0x9F401C, 0xDE00DC, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 14> kTabla12 = {0x9F8A9C, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                               0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                               0xDF481C, 0xDE009C, 0xDF001C, 0xDFE25C};
constexpr std::array<uint32_t, 13> kTabla13 = {0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C,
                                               0xDE807C, 0x9F701C, 0xDF261C, 0xDF481C, 0x9F481C,
                                               0xDE00FC, 0xDF001C, 0xDFE25C};

}  // namespace

std::span<const uint32_t> Tabla_vectores(uint8_t codigo) {
  switch (codigo) {
    case 3:
      return kTabla3;
    case 5:
      return kTabla5;
    case 6:
      return kTabla6;
    case 7:
      return kTabla7;
    case 8:
      return kTabla8;
    case 9:
      return kTabla9;
    case 11:
      return kTabla11;
    case 12:
      return kTabla12;
    case 13:
      return kTabla13;
    default:
      return {};
  }
}

}  // namespace r27::sim
