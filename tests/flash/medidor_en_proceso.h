#pragma once
// A fake main window whose COM1 leads to the simulated meter, in process and on
// the window's virtual clock, with the embedded firmware image parsed as the
// window does at start-up.
#include <map>
#include <memory>
#include <vector>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "flash/subida_graficos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "sim/backend_simulado.h"
#include "sim/medidor_simulado.h"
#include "tests/apoyo/backend_reenvio.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

struct Medidor_en_proceso {
  explicit Medidor_en_proceso(sim::Config_medidor config = {})
      : reenvio(new Backend_reenvio),
        ventana_(std::make_unique<Ventana_falsa>(std::unique_ptr<Backend_serie>(reenvio))),
        v(*ventana_),
        backend(v.reloj),
        medidor(std::move(config), v.reloj.Ahora_us()),
        lineas(Imagen_firmware()),
        graficos(v) {
    reenvio->destino = &backend;
    backend.Conectar(1, medidor);
    v.Puerto().Abrir(1, Linea_inicial());
    Abrir_hex(v, lineas, hex);
    v.lineas = &lineas;
    v.hex = hex.get();
    v.graficos = &graficos;
  }
  // The window (and its port) outlives the simulated backend: cut the port loose.
  ~Medidor_en_proceso() {
    v.Puerto().Cerrar();
    reenvio->destino = nullptr;
  }

  Backend_reenvio* reenvio;
  std::unique_ptr<Ventana_falsa> ventana_;
  Ventana_falsa& v;
  sim::Backend_simulado backend;
  sim::Medidor_simulado medidor;
  Lector_lineas lineas;
  std::unique_ptr<Lector_hex> hex;
  Subida_graficos graficos;
};

// The image's bytes per 64 KiB segment (0xFF where no record writes), read from
// the HEX text by a parser of its own, so the test does not lean on the reader
// the code under test uses.
inline std::map<int, std::vector<uint8_t>> Segmentos_de_hex(std::span<const char> texto) {
  auto valor = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  std::map<int, std::vector<uint8_t>> segmentos;
  int segmento = -1;
  size_t i = 0;
  while (i < texto.size()) {
    size_t fin = i;
    while (fin < texto.size() && texto[fin] != '\n') ++fin;
    if (texto[i] == ':') {
      std::vector<uint8_t> b;
      for (size_t k = i + 1; k + 1 < fin && texto[k] != '\r'; k += 2)
        b.push_back(uint8_t(valor(texto[k]) << 4 | valor(texto[k + 1])));
      const size_t n = b[0];
      const uint16_t dir = uint16_t(b[1] << 8 | b[2]);
      if (b[3] == 0x04) segmento = b[5];
      if (b[3] == 0x00 && segmento >= 0) {
        auto& s = segmentos[segmento];
        if (s.empty()) s.assign(0x10000, 0xFF);
        for (size_t k = 0; k < n; ++k) s[(dir + k) & 0xFFFF] = b[4 + k];
      }
    }
    i = fin + 1;
  }
  return segmentos;
}

}  // namespace r27::pruebas
