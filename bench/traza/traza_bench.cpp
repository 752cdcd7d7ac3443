// The wire trace's cost per port operation. The driver below takes every write
// and answers every read with one byte at once, so the figures are the port's own
// work: lock, queue check, copy, and the trace when it is on.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "link/puerto_serie.h"

namespace {

using namespace r27;

class Backend_instantaneo final : public Backend_serie {
 public:
  bool Abrir(int, const DCB_linea&) override { return abierto_ = true; }
  void Cerrar() override { abierto_ = false; }
  bool Esta_abierto() const override { return abierto_; }
  uint32_t Escribir(const uint8_t*, uint32_t n) override { return n; }
  uint32_t Leer(uint8_t* d, uint32_t n) override {
    if (n > 0) d[0] = 0x30;
    return n > 0 ? 1 : 0;
  }
  bool Consultar_cola(Estado_cola& e) override {
    e = {};
    return true;
  }
  void Purgar(bool, bool) override {}
  void Fijar_rts(bool) override {}

 private:
  bool abierto_ = false;
};

// One block packet out and its one-byte answer in, as every block transfer does.
void Bloque_y_respuesta(benchmark::State& state, bool con_traza) {
  Reloj_sistema reloj;
  Puerto_serie puerto(std::make_unique<Backend_instantaneo>(), reloj, "Mutex_Puerto_bench_traza");
  puerto.Fijar_traza(con_traza ? Traza_linea::Abrir("/dev/null") : nullptr);
  puerto.Abrir(1, Linea_inicial());
  std::array<uint8_t, 256> paquete{};
  uint8_t respuesta = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        puerto.Escribir(paquete.data(), static_cast<uint32_t>(paquete.size())));
    benchmark::DoNotOptimize(puerto.Leer(&respuesta, 1));
  }
}

void BM_Traza_apagada(benchmark::State& state) { Bloque_y_respuesta(state, false); }
void BM_Traza_encendida(benchmark::State& state) { Bloque_y_respuesta(state, true); }
BENCHMARK(BM_Traza_apagada);
BENCHMARK(BM_Traza_encendida);

}  // namespace

BENCHMARK_MAIN();
