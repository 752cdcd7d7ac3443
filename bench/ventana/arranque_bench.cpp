// From nothing to the start screen on the glass: the three forms are created (the
// language file read, the embedded image parsed, the pictures drawn), the window
// is shown and window messages run until it has painted. The first run of the
// process is reported apart, as it also pays for fonts and plug-ins.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QtGlobal>
#include <memory>

#include "app/ventana/aplicacion.h"
#include "app/ventana/formularios.h"

namespace {

class Vigia_pintado : public QObject {
 public:
  bool pintado = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) pintado = true;
    return false;
  }
};

void Arrancar_hasta_pintar() {
  r27::Formularios formularios;
  r27::Tventana_brisco& v = formularios.Ventana();
  Vigia_pintado vigia;
  v.Fondo->installEventFilter(&vigia);
  v.show();
  for (int vueltas = 0; !vigia.pintado && vueltas < 100000; ++vueltas)
    QCoreApplication::processEvents();
  v.Fondo->removeEventFilter(&vigia);
  v.hide();
}

void BM_Arranque_primero(benchmark::State& estado) {
  for (auto _ : estado) Arrancar_hasta_pintar();
}
BENCHMARK(BM_Arranque_primero)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Arranque(benchmark::State& estado) {
  for (auto _ : estado) Arrancar_hasta_pintar();
}
BENCHMARK(BM_Arranque)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QDir::setCurrent(R27_DIR_PROGRAMA);
  r27::Aplicacion aplicacion(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
