#pragma once
// The main firmware HEX text carried inside the updater.
#include <span>

namespace r27 {

// The whole text, from the first ':' to the CR LF after the end-of-file record.
std::span<const char> Imagen_firmware();

}  // namespace r27
