// The wait for the technician's answer on a terminal: a request to end (Ctrl-C,
// SIGTERM, the terminal or the pipe closed) ends it whether it came before the
// wait began or during it, and is counted instead of ending the program; a typed
// line ends it as ready.
#include "app/linea/consola.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace r27::pruebas {
namespace {

TEST(Esperar_entrada, CtrlCAntesODuranteYRespuestaTecleada) {
  enum class Cuando { antes, durante, nunca };
  struct Caso {
    const char* nombre;
    int senal;
    Cuando ctrl_c;
    bool tecleado;  // a line waits in stdin
    bool lista;
  };
  const Caso casos[] = {
      // Before the wait: a read begun after it would have blocked for good.
      {"Ctrl-C just before the wait", SIGINT, Cuando::antes, false, false},
      {"Ctrl-C during the wait", SIGINT, Cuando::durante, false, false},
      {"SIGTERM during the wait", SIGTERM, Cuando::durante, false, false},
      {"the terminal closed just before the wait", SIGHUP, Cuando::antes, false, false},
      {"a closed pipe during the wait", SIGPIPE, Cuando::durante, false, false},
      {"a line typed", 0, Cuando::nunca, true, true},
  };
  const int entrada_antes = dup(0);
  ASSERT_GE(entrada_antes, 0);
  Vigilar_interrupcion(nullptr);
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    ASSERT_EQ(dup2(tubo[0], 0), 0);
    if (k.tecleado) {
      ASSERT_EQ(write(tubo[1], "y\n", 2), 2);
    }
    if (k.ctrl_c == Cuando::antes) raise(k.senal);
    std::thread pulsador;
    if (k.ctrl_c == Cuando::durante) {
      const pthread_t esperando = pthread_self();
      pulsador = std::thread([esperando, &k] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pthread_kill(esperando, k.senal);
      });
    }
    EXPECT_EQ(Esperar_entrada(), k.lista);
    if (pulsador.joinable()) pulsador.join();
    EXPECT_EQ(Tomar_interrupcion(), k.ctrl_c != Cuando::nunca);
    close(tubo[0]);
    close(tubo[1]);
  }
  for (int senal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(senal, SIG_DFL);
  dup2(entrada_antes, 0);
  close(entrada_antes);
}

}  // namespace
}  // namespace r27::pruebas
