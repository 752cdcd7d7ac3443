// The console on Windows: _isatty, the UTF-8 code page, the console's width and
// one control handler for Ctrl-C, Ctrl-Break, the console closing, logging off
// and shutting down.
#include <io.h>
#include <windows.h>

#include <atomic>

#include "app/linea/consola.h"

namespace r27 {

namespace {

// The system ends the process 5 s after a console closes (by default also after
// a log-off or shutdown is announced): the runs' records are written before that.
constexpr DWORD kEspera_fin_consola_ms = 4000;
constexpr DWORD kPaso_espera_fin_ms = 50;

std::atomic<int> interrupciones{0};
std::atomic<bool> terminado{false};
std::atomic<void (*)()> al_fin_forzado{nullptr};

BOOL WINAPI Al_pedir_fin(DWORD evento) {
  interrupciones.fetch_add(1);
  if (evento == CTRL_C_EVENT || evento == CTRL_BREAK_EVENT) return TRUE;
  // The console is going, or the session: the process ends when this returns,
  // or when the system's time runs out. A run at a question or between steps of
  // the search ends by itself meanwhile; one that writes the meter cannot, and
  // leaves its "interrupted" record.
  for (DWORD esperado = 0; esperado < kEspera_fin_consola_ms && !terminado.load();
       esperado += kPaso_espera_fin_ms)
    Sleep(kPaso_espera_fin_ms);
  void (*al_fin)() = al_fin_forzado.load();
  if (!terminado.load() && al_fin) al_fin();
  return TRUE;
}

}  // namespace

bool Es_terminal(int descriptor) { return _isatty(descriptor) != 0; }

int Columnas_terminal(int descriptor) {
  const HANDLE h = GetStdHandle(descriptor == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(h, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void Preparar_consola() {
  // Both directions: a confirmation typed with an accent reads back as UTF-8 too.
  (void)SetConsoleOutputCP(CP_UTF8);
  (void)SetConsoleCP(CP_UTF8);
}

void Vigilar_interrupcion(void (*al_fin)()) {
  al_fin_forzado.store(al_fin);
  (void)SetConsoleCtrlHandler(Al_pedir_fin, TRUE);
}

bool Tomar_interrupcion() { return interrupciones.exchange(0) > 0; }

void Fin_de_ejecucion() { terminado.store(true); }

// The console's read is broken by Ctrl-C itself; only one that came before it is
// looked at here.
bool Esperar_entrada() { return interrupciones.load() == 0; }

}  // namespace r27
