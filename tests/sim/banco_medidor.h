#pragma once
// A bench for talking to the simulated meter by hand: bytes go in at the bench's
// time, answers come out once the bench has let time pass.
#include <cstdint>
#include <vector>

#include "sim/medidor_simulado.h"

namespace r27::sim {

using Bytes = std::vector<uint8_t>;

inline uint8_t Xor_de(const Bytes& b, size_t desde, size_t hasta) {
  uint8_t x = 0;
  for (size_t i = desde; i < hasta; ++i) x ^= b[i];
  return x;
}

// 0x03 count+4 addrL addrH segment data XOR.
inline Bytes Paquete_bloque(uint8_t segmento, uint16_t direccion, const Bytes& datos) {
  Bytes p = {0x03, static_cast<uint8_t>(datos.size() + 4), static_cast<uint8_t>(direccion & 0xFF),
             static_cast<uint8_t>(direccion >> 8), segmento};
  p.insert(p.end(), datos.begin(), datos.end());
  p.push_back(Xor_de(p, 1, p.size()));
  return p;
}

// 0x5A a2 a1 a0 data[128] XOR of the address and data.
inline Bytes Paquete_area(uint32_t direccion, const Bytes& datos128) {
  Bytes p = {0x5A, static_cast<uint8_t>(direccion >> 16), static_cast<uint8_t>(direccion >> 8),
             static_cast<uint8_t>(direccion)};
  p.insert(p.end(), datos128.begin(), datos128.end());
  p.push_back(Xor_de(p, 1, p.size()));
  return p;
}

// 0x5B 00 00 00 len[3] sector 00 00 xor_data xor(1..10).
inline Bytes Paquete_sector(uint32_t longitud, uint8_t sector, uint8_t xor_datos) {
  Bytes p = {0x5B,
             0,
             0,
             0,
             static_cast<uint8_t>(longitud >> 16),
             static_cast<uint8_t>(longitud >> 8),
             static_cast<uint8_t>(longitud),
             sector,
             0,
             0,
             xor_datos};
  p.push_back(Xor_de(p, 1, 11));
  return p;
}

inline Bytes Serie(size_t n, uint8_t semilla) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(semilla + i * 7 + (i >> 8));
  return b;
}

class Banco {
 public:
  explicit Banco(Config_medidor c = {}) : m(std::move(c), kInicio), t(kInicio) {}

  void Enviar(const Bytes& b) { m.Recibir(b.data(), b.size(), t, baudios); }
  // Lets `us` pass and returns what became ready, as a receiver at `baudios` reads it.
  Bytes Esperar(uint64_t us) {
    t += us;
    m.Avanzar(t);
    Bytes r(4096);
    Bytes todo;
    size_t n;
    while ((n = m.Tomar_salida(t, baudios, r.data(), r.size())) > 0) {
      todo.insert(todo.end(), r.begin(), r.begin() + static_cast<long>(n));
    }
    return todo;
  }
  Bytes Pedir(const Bytes& b, uint64_t us = 50'000) {
    Enviar(b);
    return Esperar(us);
  }
  // Loads both loader stages so the loader's requests are understood.
  void Cargar_cargador() {
    Bytes e1 = {0x04, 0x90, 0x00};
    e1.resize(3 + 144, 0x11);
    Pedir(e1);
    Bytes e2 = {0x04, 0x48, 0x04};
    e2.resize(3 + 1096, 0x22);
    Pedir(e2);
  }

  static constexpr uint64_t kInicio = 1'000'000;
  Medidor_simulado m;
  uint64_t t;
  uint32_t baudios = 115200;
};

}  // namespace r27::sim
