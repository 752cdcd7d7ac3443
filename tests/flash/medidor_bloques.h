#pragma once
// A transcript helper for block traffic: answers "0" to every block packet
// written after the transcript and keeps the blocks it saw, decoded.
#include <cstdint>
#include <vector>

#include "tests/apoyo/backend_guion.h"

namespace r27::pruebas {

struct Bloque_visto {
  uint8_t segmento;
  uint16_t direccion;
  Bytes datos;
  bool check_correcto;
};

inline void Aceptar_bloques(Backend_guion& g, std::vector<Bloque_visto>& vistos,
                            uint8_t respuesta = '0') {
  g.al_escribir = [&vistos, respuesta](std::span<const uint8_t> w) -> Bytes {
    if (w.size() < 6 || w[0] != 0x03 || w[1] + 2u != w.size()) return {};
    uint8_t x = 0;
    for (size_t i = 1; i + 1 < w.size(); ++i) x ^= w[i];
    vistos.push_back(
        {w[4], uint16_t(w[2] | (w[3] << 8)), Bytes(w.begin() + 5, w.end() - 1), x == w.back()});
    return {respuesta};
  };
}

}  // namespace r27::pruebas
