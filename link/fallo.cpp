// The failure value's text.
#include "link/fallo.h"

namespace r27 {

std::string_view Texto_llegada(Llegada llegada) {
  switch (llegada) {
    case Llegada::nada:
      return "nada (tiempo agotado)";
    case Llegada::bytes:
      return "otros bytes";
    case Llegada::cancelada:
      return "nada (cancelada)";
    case Llegada::escritura_fallida:
      return "escritura no aceptada por el puerto";
    case Llegada::sin_conexion:
      return "sin conexion";
    case Llegada::dispositivo_perdido:
      return "nada (el dispositivo ya no esta)";
  }
  return "nada";
}

std::string Fallo::Texto() const {
  std::string t = peticion;
  t.append(": esperaba ").append(esperado).append(", llego ");
  t.append(llegado.empty() ? std::string(Texto_llegada(llegada)) : llegado);
  return t;
}

}  // namespace r27
