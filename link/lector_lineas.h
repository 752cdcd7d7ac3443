#pragma once
// Hands out the embedded firmware text one line at a time (CR LF line ends).
#include <cstdint>
#include <span>

namespace r27 {

class Lector_lineas {
 public:
  // Length of the shipped firmware text.
  static constexpr int32_t kLongitud_firmware = 3'329'249;
  static constexpr int kCapacidad_linea = 255;  // callers pass 255 with a 256-byte buffer

  // The reader never reads past the end of `texto`, whatever its length.
  explicit Lector_lineas(std::span<const char> texto);

  // Copies the next line, with its LF, into `buffer` and terminates it with a zero
  // byte; at most `capacidad` characters plus the zero are written. False when the
  // text is exhausted (or ends without an LF). A longer line is still read to its
  // LF, so the next call starts on the next line; only what fits is kept.
  bool Leer_linea(char* buffer, int capacidad);
  // True when the line handed out by the last Leer_linea did not fit the capacity.
  bool Linea_cortada() const { return linea_cortada_; }
  // Sets the position when 0 <= p <= the text length; otherwise leaves it.
  void Posicionar(int64_t p);
  void Rebobinar() { posicion_ = 0; }
  int32_t Posicion() const { return posicion_; }
  int32_t Longitud() const { return static_cast<int32_t>(texto_.size()); }

 private:
  std::span<const char> texto_;
  int32_t posicion_ = 0;
  bool linea_cortada_ = false;
};

}  // namespace r27
