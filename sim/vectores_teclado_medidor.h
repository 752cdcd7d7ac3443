#pragma once
// The programming vectors the meter expects from the computer while it reprograms
// its keyboard microcontroller, one table per request code. The meter keeps its
// own copy, modelled as the same data as the updater's tables: it checks every
// vector packet it receives against it.
#include <cstdint>
#include <span>

namespace r27::sim {

// The table the meter expects after sending `codigo` (3, 5, 6, 7, 8, 9, 11, 12,
// 13); empty for any other code. Each vector is 3 bytes, most significant first.
std::span<const uint32_t> Tabla_vectores(uint8_t codigo);

}  // namespace r27::sim
