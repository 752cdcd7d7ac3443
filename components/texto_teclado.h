#pragma once
// The keyboard HEX text as the keyboard programmer walks it: runs of characters
// taken from a read position, and hexadecimal digits turned into bytes. Record
// checksums and addresses are not checked; the programmer looks only at the
// fields it needs.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace r27 {

class Lector_texto_teclado {
 public:
  explicit Lector_texto_teclado(std::string_view texto) : texto_(texto) {}

  // The next n characters, the position moved past them; nothing (and the
  // position unchanged) when fewer than n are left.
  std::optional<std::string_view> Leer(size_t n);
  // Passes over n characters (a record's checksum, a line end) without looking at them.
  void Saltar(size_t n) { (void)Leer(n); }
  void Rebobinar() { posicion_ = 0; }
  uint32_t Posicion() const { return posicion_; }
  size_t Longitud() const { return texto_.size(); }

 private:
  std::string_view texto_;
  uint32_t posicion_ = 0;
};

// The value of one digit: "0"-"9" and "a"-"f"; any other character, an upper-case
// letter too, counts as 0.
uint8_t Valor_digito_teclado(char c);

// Two digits per byte, high digit first: fills bytes[i] from digitos[2i], [2i+1]
// for as many bytes as both hold.
void Convertir_digitos_teclado(std::string_view digitos, std::span<uint8_t> bytes);

}  // namespace r27
