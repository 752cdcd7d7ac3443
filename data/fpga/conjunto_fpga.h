#pragma once
// The FPGA configurations the updater carries, in set order: the name the update
// assigns to each and its size in bytes. The generator writes them one after
// another in this order; the program cuts the embedded bytes by these sizes.
#include <array>
#include <cstdint>
#include <string_view>

namespace r27::datos {

struct Configuracion_incrustada {
  std::string_view nombre;
  uint32_t tamano;
};

inline constexpr std::array<Configuracion_incrustada, 5> kConjunto_fpga{{
    {"TV", 92'314},
    {"DFT", 92'536},
    {"MER", 90'297},
    {"PDP", 81'842},
    {"ET2", 89'133},
}};

}  // namespace r27::datos
