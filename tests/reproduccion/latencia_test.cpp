// Whole updates with the meter behind a USB serial adapter's latency timer, on
// the virtual clock: the update still completes and is proven, and the timer
// costs each exchange no more than one of its periods.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/linea/codigos_salida.h"
#include "sim/latencia_adaptador.h"
#include "tests/reproduccion/banco_reproduccion.h"

namespace r27::pruebas {
namespace {

struct Medida {
  Corrida corrida;
  uint64_t duracion_us = 0;
};

// A whole update of a meter paced at the line rate, behind an adapter whose timer
// ticks every `latencia_ms` (none with 0).
Medida Actualizar(uint64_t latencia_ms) {
  Config_medidor config = Medidor_rapido();
  config.ritmo = true;
  Banco_linea b(Config_medidor{}, false);
  sim::Medidor_simulado medidor(config, b.reloj.Ahora_us());
  sim::Latencia_adaptador adaptador(medidor, latencia_ms * 1000, b.reloj.Ahora_us());
  if (latencia_ms > 0)
    Poner_en_com3(b, adaptador);
  else
    Poner_en_com3(b, medidor);
  Medida m;
  const uint64_t inicio = b.reloj.Ahora_us();
  m.corrida = Correr(b, Opciones_corrida());
  m.duracion_us = b.reloj.Ahora_us() - inicio;
  return m;
}

TEST(Latencia, UnaActualizacionEnteraTrasElAdaptador) {
  const Medida sin_adaptador = Actualizar(0);
  ASSERT_EQ(sin_adaptador.corrida.salida, kSalida_correcta) << sin_adaptador.corrida.texto;
  const std::string escrituras = Lineas(sin_adaptador.corrida.traza, 'W');
  const auto intercambios =
      static_cast<uint64_t>(std::count(escrituras.begin(), escrituras.end(), '\n'));
  for (uint64_t latencia_ms : {1, 4}) {
    SCOPED_TRACE(latencia_ms);
    const Medida m = Actualizar(latencia_ms);
    EXPECT_EQ(m.corrida.salida, kSalida_correcta) << m.corrida.texto;
    EXPECT_EQ(m.corrida.resumen.resultado, "updated");
    // The same requests, each answer held at most one period of the timer.
    EXPECT_EQ(Primera_diferencia(Lineas(m.corrida.traza, 'W'), escrituras), "");
    EXPECT_GT(m.duracion_us, sin_adaptador.duracion_us);
    EXPECT_LE(m.duracion_us, sin_adaptador.duracion_us + intercambios * latencia_ms * 1000);
  }
}

}  // namespace
}  // namespace r27::pruebas
