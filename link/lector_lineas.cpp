// Hands out the embedded firmware text one line at a time.
#include "link/lector_lineas.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace r27 {

namespace {
// Positions are 32-bit; a longer text is read up to that limit.
std::span<const char> Acotar(std::span<const char> texto) {
  constexpr size_t kMaximo = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  return texto.size() > kMaximo ? texto.first(kMaximo) : texto;
}
}  // namespace

Lector_lineas::Lector_lineas(std::span<const char> texto) : texto_(Acotar(texto)) {}

bool Lector_lineas::Leer_linea(char* buffer, int capacidad) {
  const int32_t longitud = Longitud();
  if (posicion_ >= longitud) return false;  // whole text handed out: buffer untouched

  // A line longer than the capacity is read to its end so the next call starts on
  // the next line; only what fits is kept, and the cut is remembered.
  const char* inicio = texto_.data() + posicion_;
  const auto resto = static_cast<size_t>(longitud - posicion_);
  const auto* lf = static_cast<const char*>(std::memchr(inicio, '\n', resto));
  const size_t largo = lf != nullptr ? static_cast<size_t>(lf - inicio) + 1 : resto;
  const size_t copia = std::min(largo, static_cast<size_t>(std::max(capacidad, 0)));
  std::memcpy(buffer, inicio, copia);
  buffer[copia] = 0;
  linea_cortada_ = largo > copia;
  posicion_ += static_cast<int32_t>(largo);
  return lf != nullptr;  // false also when the text ends without an LF
}

void Lector_lineas::Posicionar(int64_t p) {
  if (p >= 0 && p <= Longitud()) posicion_ = static_cast<int32_t>(p);
}

}  // namespace r27
