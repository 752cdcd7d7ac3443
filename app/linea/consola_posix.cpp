// The console on Linux: isatty, the terminal's width, and one handler without
// SA_RESTART for every signal that asks the program to end, so a read of stdin
// waiting for an answer returns and counts as "no".
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

#include "app/linea/consola.h"

namespace r27 {

namespace {

// SIGPIPE is among them: left at its default it would end the program at the
// first write to a pipe whose reader has gone, in the middle of a burn.
constexpr int kSenales_fin[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

std::atomic<int> interrupciones{0};

void Al_pedir_fin(int) { interrupciones.fetch_add(1); }

}  // namespace

bool Es_terminal(int descriptor) { return isatty(descriptor) == 1; }

int Columnas_terminal(int descriptor) {
  winsize w{};
  if (ioctl(descriptor, TIOCGWINSZ, &w) != 0) return 0;
  return w.ws_col;
}

void Preparar_consola() {}

// `al_fin` is never needed: only SIGKILL ends the process behind the run's back.
void Vigilar_interrupcion(void (*)()) {
  struct sigaction accion {};
  accion.sa_handler = Al_pedir_fin;
  sigemptyset(&accion.sa_mask);
  accion.sa_flags = 0;  // no SA_RESTART: a waiting read returns
  for (int senal : kSenales_fin) sigaction(senal, &accion, nullptr);
}

bool Tomar_interrupcion() { return interrupciones.exchange(0) > 0; }

void Fin_de_ejecucion() {}

bool Esperar_entrada() {
  // The signals blocked while the count is looked at, and let in only inside
  // ppoll: one that comes between the look and the wait still ends the wait.
  sigset_t de_fin, antes;
  sigemptyset(&de_fin);
  for (int senal : kSenales_fin) sigaddset(&de_fin, senal);
  pthread_sigmask(SIG_BLOCK, &de_fin, &antes);
  bool lista = false;
  if (interrupciones.load() == 0) {
    pollfd p{0, POLLIN, 0};
    lista = ppoll(&p, 1, nullptr, &antes) > 0;
  }
  pthread_sigmask(SIG_SETMASK, &antes, nullptr);
  return lista;
}

}  // namespace r27
