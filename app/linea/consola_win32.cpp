// The console on Windows: _isatty, the UTF-8 code page and a SIGINT handler.
#include <io.h>
#include <windows.h>

#include <atomic>
#include <csignal>

#include "app/linea/consola.h"

namespace r27 {

namespace {

std::atomic<int> interrupciones{0};
std::atomic<bool> fin_permitido{true};

void Al_interrumpir(int senal) {
  if (fin_permitido.load()) {
    std::signal(senal, SIG_DFL);
    std::raise(senal);
    return;
  }
  interrupciones.fetch_add(1);
  std::signal(senal, Al_interrumpir);  // the handler is reset on each signal
}

}  // namespace

bool Es_terminal(int descriptor) { return _isatty(descriptor) != 0; }

void Preparar_consola() {
  // Both directions: a confirmation typed with an accent reads back as UTF-8 too.
  (void)SetConsoleOutputCP(CP_UTF8);
  (void)SetConsoleCP(CP_UTF8);
}

void Vigilar_interrupcion() { std::signal(SIGINT, Al_interrumpir); }

bool Tomar_interrupcion() { return interrupciones.exchange(0) > 0; }

void Permitir_fin(bool permitido) { fin_permitido.store(permitido); }

// The console's read is broken by Ctrl-C itself; only one that came before it is
// looked at here.
bool Esperar_entrada() { return interrupciones.load() == 0; }

}  // namespace r27
