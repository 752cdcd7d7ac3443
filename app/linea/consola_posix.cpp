// The console on Linux: isatty and a SIGINT handler without SA_RESTART, so a
// read of stdin waiting for an answer returns and counts as "no".
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "app/linea/consola.h"

namespace r27 {

namespace {

std::atomic<int> interrupciones{0};
std::atomic<bool> fin_permitido{true};

void Al_interrumpir(int senal) {
  if (fin_permitido.load()) {
    signal(senal, SIG_DFL);
    raise(senal);
    return;
  }
  interrupciones.fetch_add(1);
}

}  // namespace

bool Es_terminal(int descriptor) { return isatty(descriptor) == 1; }

void Preparar_consola() {}

void Vigilar_interrupcion() {
  struct sigaction accion {};
  accion.sa_handler = Al_interrumpir;
  sigemptyset(&accion.sa_mask);
  accion.sa_flags = 0;  // no SA_RESTART: a waiting read returns
  sigaction(SIGINT, &accion, nullptr);
}

bool Tomar_interrupcion() { return interrupciones.exchange(0) > 0; }

void Permitir_fin(bool permitido) { fin_permitido.store(permitido); }

bool Esperar_entrada() {
  // SIGINT blocked while the count is looked at, and let in only inside ppoll:
  // a Ctrl-C between the look and the wait still ends the wait.
  sigset_t solo_sigint, antes;
  sigemptyset(&solo_sigint);
  sigaddset(&solo_sigint, SIGINT);
  pthread_sigmask(SIG_BLOCK, &solo_sigint, &antes);
  bool lista = false;
  if (interrupciones.load() == 0) {
    pollfd p{0, POLLIN, 0};
    lista = ppoll(&p, 1, nullptr, &antes) > 0;
  }
  pthread_sigmask(SIG_SETMASK, &antes, nullptr);
  return lista;
}

}  // namespace r27
