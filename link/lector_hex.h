#pragma once
// Decodes one Intel HEX line into one record and checks it.
#include <cstdint>

#include "link/lector_lineas.h"

namespace r27 {

struct Registro_hex {
  uint8_t longitud = 0;      // number of data bytes
  uint16_t direccion = 0;    // load offset (big-endian on the line)
  uint8_t tipo = 0;          // 00 data, 01 end of file, 04 extended linear address
  uint8_t* datos = nullptr;  // caller's buffer of at least 255 bytes
};

enum Resultado_hex : uint8_t {
  kRegistro_valido = 0,
  kNo_es_registro = 1,      // the line does not start with ':'
  kFormato_incorrecto = 3,  // a character that is not an upper-case hex digit
  kChecksum_incorrecto = 4,
  kSin_mas_lineas = 5,  // the text is exhausted
};

enum Tipo_registro : uint8_t {
  kTipo_datos = 0x00,
  kTipo_fin = 0x01,
  kTipo_direccion_lineal = 0x04
};

class Lector_hex {
 public:
  explicit Lector_hex(Lector_lineas& lineas) : lineas_(lineas) {}

  uint8_t Leer_registro(Registro_hex& registro);
  // Zero-based number of the line read by the last Leer_registro.
  int32_t Linea() const { return linea_ - 1; }
  void Reiniciar_lineas() { linea_ = 0; }

  // Number of records read by the last clean parse (set by Abrir_hex).
  int32_t numero_registros = 0;

 private:
  Lector_lineas& lineas_;
  int32_t linea_ = 0;
};

// XOR of the first `longitud` bytes; 0 when longitud <= 0.
uint8_t Checksum_xor(const uint8_t* datos, int32_t longitud);

}  // namespace r27
