#pragma once
// The failure value of an operation, whether it already returns one or still
// returns a bare success bool (then the failure names the operation alone).
#include <string_view>

#include "link/fallo.h"

namespace r27 {

inline Resultado Como_resultado(Resultado r, std::string_view) { return r; }
inline Resultado Como_resultado(bool correcto, std::string_view operacion) {
  if (correcto) return {};
  return Resultado::Abandono(operacion, "su confirmacion", Llegada::nada);
}

}  // namespace r27
