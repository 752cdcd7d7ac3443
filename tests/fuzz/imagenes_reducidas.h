#pragma once
// Smaller images for the meter fuzz target. A transfer of thousands of blocks
// costs time in every run that reaches it, and mutation seldom finds thousands of
// acknowledgements in a row, so the fuzz runs carry the same images cut short:
// the same record shapes, segments and identity, tens of blocks instead of
// thousands.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace r27::fuzz {

// The HEX text with, after each extended linear address record, only its
// segment's first `primeros` data records and its last `ultimos` ones (an address
// gap between the two, as a segment with holes has). Every other record (the
// segment records, the end of file) is kept, in order, with its own line end.
std::string Firmware_reducido(std::string_view hex, size_t primeros, size_t ultimos);

// Each configuration cut to its first `bytes` bytes (a shorter one is kept whole).
std::vector<std::span<const uint8_t>> Configuraciones_reducidas(
    std::span<const std::span<const uint8_t>> configuraciones, size_t bytes);

}  // namespace r27::fuzz
