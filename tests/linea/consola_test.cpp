// The wait for the technician's answer on a terminal: a Ctrl-C ends it whether it
// came before the wait began or during it, and a typed line ends it as ready.
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
    Cuando ctrl_c;
    bool tecleado;  // a line waits in stdin
    bool lista;
  };
  const Caso casos[] = {
      // Before the wait: a read begun after it would have blocked for good.
      {"Ctrl-C just before the wait", Cuando::antes, false, false},
      {"Ctrl-C during the wait", Cuando::durante, false, false},
      {"a line typed", Cuando::nunca, true, true},
  };
  const int entrada_antes = dup(0);
  ASSERT_GE(entrada_antes, 0);
  Vigilar_interrupcion();
  Permitir_fin(false);  // a question during an update: Ctrl-C is counted
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    ASSERT_EQ(dup2(tubo[0], 0), 0);
    if (k.tecleado) {
      ASSERT_EQ(write(tubo[1], "y\n", 2), 2);
    }
    if (k.ctrl_c == Cuando::antes) raise(SIGINT);
    std::thread pulsador;
    if (k.ctrl_c == Cuando::durante) {
      const pthread_t esperando = pthread_self();
      pulsador = std::thread([esperando] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pthread_kill(esperando, SIGINT);
      });
    }
    EXPECT_EQ(Esperar_entrada(), k.lista);
    if (pulsador.joinable()) pulsador.join();
    EXPECT_EQ(Tomar_interrupcion(), k.ctrl_c != Cuando::nunca);
    close(tubo[0]);
    close(tubo[1]);
  }
  Permitir_fin(true);
  signal(SIGINT, SIG_DFL);
  dup2(entrada_antes, 0);
  close(entrada_antes);
}

}  // namespace
}  // namespace r27::pruebas
