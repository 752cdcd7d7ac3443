#pragma once
// The FPGA configurations the updater carries, in set order, with the names the
// update gives them.
#include <cstdint>
#include <span>
#include <string_view>

namespace r27 {

struct Configuracion_fpga {
  std::string_view nombre;
  std::span<const uint8_t> datos;  // the bitstream
};

// "TV", "DFT", "MER", "PDP", "ET2": 92,314, 92,536, 90,297, 81,842 and 89,133 bytes.
std::span<const Configuracion_fpga> Configuraciones_fpga();

}  // namespace r27
