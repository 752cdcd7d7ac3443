// Speed of the start-up parse of the embedded image, of a bare record pass over it,
// and of the build-time generator.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "data/firmware/generador_firmware.h"
#include "tests/apoyo/ventana_falsa.h"

namespace {

void BM_Abrir_hex(benchmark::State& state) {
  r27::pruebas::Ventana_falsa ventana;
  r27::Lector_lineas lineas(r27::Imagen_firmware());
  std::unique_ptr<r27::Lector_hex> hex;
  for (auto _ : state) {
    r27::Abrir_hex(ventana, lineas, hex);
    if (!hex) state.SkipWithError("the embedded image did not parse");
    benchmark::DoNotOptimize(hex->numero_registros);
  }
  state.SetBytesProcessed(state.iterations() * lineas.Longitud());
}
BENCHMARK(BM_Abrir_hex)->Unit(benchmark::kMillisecond);

void BM_Leer_registros(benchmark::State& state) {
  r27::Lector_lineas lineas(r27::Imagen_firmware());
  uint8_t datos[256];
  r27::Registro_hex r;
  r.datos = datos;
  for (auto _ : state) {
    lineas.Rebobinar();
    r27::Lector_hex hex(lineas);
    int registros = 0;
    while (hex.Leer_registro(r) == r27::kRegistro_valido && r.tipo != r27::kTipo_fin) ++registros;
    benchmark::DoNotOptimize(registros);
  }
  state.SetBytesProcessed(state.iterations() * lineas.Longitud());
}
BENCHMARK(BM_Leer_registros)->Unit(benchmark::kMillisecond);

void BM_Generar_firmware(benchmark::State& state) {
  std::string texto, error;
  for (auto _ : state) {
    if (!r27::generador::Generar_firmware({}, texto, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(texto.data());
  }
}
BENCHMARK(BM_Generar_firmware)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
