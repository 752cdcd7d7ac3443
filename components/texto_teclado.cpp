#include "components/texto_teclado.h"

namespace r27 {

std::optional<std::string_view> Lector_texto_teclado::Leer(size_t n) {
  if (n > texto_.size() - posicion_) return std::nullopt;
  const std::string_view trozo = texto_.substr(posicion_, n);
  posicion_ += static_cast<uint32_t>(n);
  return trozo;
}

uint8_t Valor_digito_teclado(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return 0;
}

void Convertir_digitos_teclado(std::string_view digitos, std::span<uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size() && 2 * i + 1 < digitos.size(); ++i)
    bytes[i] = static_cast<uint8_t>(Valor_digito_teclado(digitos[2 * i]) << 4 |
                                    Valor_digito_teclado(digitos[2 * i + 1]));
}

}  // namespace r27
