#pragma once
// Deterministic generator of the main firmware HEX text the updater carries.
// The same options always give the same bytes, so the build is reproducible and
// tests can make images with other version texts of the very same layout.
#include <cstddef>
#include <string>

namespace r27::generador {

// Length of the text, from the first ':' to the CR LF after the end-of-file record.
inline constexpr size_t kLongitud_imagen = 3'329'249;

struct Opciones_firmware {
  std::string version = "3.01";  // four characters, stored at 0x180010
  std::string build = "00000";   // five digits, stored at 0x180016
};

// Writes the image into `texto`. False, with the reason in `error`, for bad options
// or when the result does not come out at kLongitud_imagen bytes.
bool Generar_firmware(const Opciones_firmware& opciones, std::string& texto, std::string& error);

}  // namespace r27::generador
