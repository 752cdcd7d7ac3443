// The embedded FPGA configurations, cut from the one embedded blob by their sizes.
#include "components/configuraciones_fpga.h"

#include <algorithm>
#include <array>

#include "data/fpga/conjunto_fpga.h"
#include "incrustado/configuraciones_fpga.h"

namespace r27 {

namespace {

using Tabla = std::array<Configuracion_fpga, datos::kConjunto_fpga.size()>;

Tabla Cortar() {
  Tabla t{};
  const std::span<const uint8_t> todo = datos::configuraciones_fpga();
  size_t desde = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const auto& c = datos::kConjunto_fpga[i];
    // A blob shorter than the table (a broken build) gives short spans, never a
    // read past its end.
    const size_t n = desde < todo.size() ? std::min<size_t>(c.tamano, todo.size() - desde) : 0;
    t[i] = {c.nombre, todo.subspan(std::min(desde, todo.size()), n)};
    desde += c.tamano;
  }
  return t;
}

}  // namespace

std::span<const Configuracion_fpga> Configuraciones_fpga() {
  static const Tabla tabla = Cortar();
  return tabla;
}

}  // namespace r27
