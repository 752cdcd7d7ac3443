// Decodes one Intel HEX line into one record and checks it.
#include "link/lector_hex.h"

#include <array>

namespace r27 {

namespace {

// Value of every character as an upper-case hexadecimal digit; -1 for anything
// else, lower-case letters included.
constexpr std::array<int8_t, 256> kValor_digito = [] {
  std::array<int8_t, 256> t{};
  t.fill(-1);
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
  return t;
}();

inline int Valor_digito(char c) { return kValor_digito[static_cast<unsigned char>(c)]; }

// Decodes the pair of digits at *p and advances past it. The line is
// zero-terminated and a zero is not a digit, so decoding never runs past it.
inline bool Leer_byte(const char*& p, uint8_t& valor) {
  const int alto = Valor_digito(p[0]);
  if (alto < 0) return false;
  const int bajo = Valor_digito(p[1]);
  if (bajo < 0) return false;
  valor = static_cast<uint8_t>(alto << 4 | bajo);
  p += 2;
  return true;
}

}  // namespace

uint8_t Lector_hex::Leer_registro(Registro_hex& registro) {
  char linea[Lector_lineas::kCapacidad_linea + 1];
  if (!lineas_.Leer_linea(linea, Lector_lineas::kCapacidad_linea)) return kSin_mas_lineas;
  ++linea_;

  if (linea[0] != ':') return kNo_es_registro;
  const char* p = linea + 1;

  uint8_t suma = 0;
  uint8_t alto = 0;
  uint8_t bajo = 0;
  if (!Leer_byte(p, registro.longitud)) return kFormato_incorrecto;
  suma = registro.longitud;
  if (!Leer_byte(p, alto) || !Leer_byte(p, bajo)) return kFormato_incorrecto;
  registro.direccion = static_cast<uint16_t>(alto << 8 | bajo);
  suma = static_cast<uint8_t>(suma + alto + bajo);
  if (!Leer_byte(p, registro.tipo)) return kFormato_incorrecto;
  suma = static_cast<uint8_t>(suma + registro.tipo);

  for (int i = 0; i < registro.longitud; ++i) {
    uint8_t dato = 0;
    if (!Leer_byte(p, dato)) return kFormato_incorrecto;
    if (registro.datos != nullptr) registro.datos[i] = dato;
    suma = static_cast<uint8_t>(suma + dato);
  }
  uint8_t control = 0;
  if (!Leer_byte(p, control)) return kFormato_incorrecto;

  // A line cut at the buffer's capacity is never trusted, even when what was kept
  // happens to decode.
  if (lineas_.Linea_cortada()) return kFormato_incorrecto;

  const uint8_t esperado = static_cast<uint8_t>(0x100 - suma);
  return esperado == control ? kRegistro_valido : kChecksum_incorrecto;
}

}  // namespace r27
