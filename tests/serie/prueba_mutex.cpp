// The machine-wide port lock: re-entrant for its owner, exclusive between threads,
// between objects of one process and between processes, and never left held by a
// process that died.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cerrojo_prueba.h"
#include "mutex_puerto.h"

namespace r27 {
namespace {

using prueba::Nombre_cerrojo;

TEST(MutexPuerto, ReentranteParaSuDuenoYExclusivoParaOtroObjeto) {
  const Nombre_cerrojo nombre("mutex-reentrante");
  Mutex_Puerto m(nombre);
  Mutex_Puerto otro(nombre);
  ASSERT_TRUE(m.Existe());
  m.Bloquear();
  m.Bloquear();
  EXPECT_TRUE(m.Intentar_bloquear());
  EXPECT_FALSE(otro.Intentar_bloquear());
  m.Liberar();
  m.Liberar();
  EXPECT_FALSE(otro.Intentar_bloquear());  // still held once
  m.Liberar();
  EXPECT_TRUE(otro.Intentar_bloquear());
  EXPECT_FALSE(m.Intentar_bloquear());
  otro.Liberar();
}

TEST(MutexPuerto, OtroHiloEsperaHastaQueSeSuelta) {
  const Nombre_cerrojo nombre("mutex-hilos");
  Mutex_Puerto m(nombre);
  m.Bloquear();
  std::atomic<bool> tomado{false};
  bool probado = true;
  std::thread hilo([&] {
    probado = m.Intentar_bloquear();
    m.Liberar();  // not the owner: ignored
    m.Bloquear();
    tomado = true;
    m.Liberar();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(tomado);
  m.Liberar();
  hilo.join();
  EXPECT_FALSE(probado);
  EXPECT_TRUE(tomado);
  EXPECT_TRUE(m.Intentar_bloquear());
  m.Liberar();
}

TEST(MutexPuerto, UnProcesoQueMuereConElCerrojoLoDejaLibre) {
  const Nombre_cerrojo nombre("mutex-proceso");
  int tubo[2];
  ASSERT_EQ(pipe(tubo), 0);
  const pid_t hijo = fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    Mutex_Puerto m(nombre);
    m.Bloquear();
    const char listo = 'x';
    (void)!write(tubo[1], &listo, 1);
    for (;;) pause();  // killed while holding the lock
  }
  close(tubo[1]);
  char listo = 0;
  ASSERT_EQ(read(tubo[0], &listo, 1), 1);
  close(tubo[0]);
  Mutex_Puerto m(nombre);
  EXPECT_FALSE(m.Intentar_bloquear());
  kill(hijo, SIGKILL);
  int estado = 0;
  waitpid(hijo, &estado, 0);
  m.Bloquear();  // returns: the dead holder left nothing behind
  EXPECT_TRUE(m.Intentar_bloquear());
  m.Liberar();
  m.Liberar();
}

TEST(MutexPuerto, NombresRarosYCerrojoQueNoSePuedeCrear) {
  for (const char* nombre : {"a/b/../c", "con espacios y ñ"}) {
    SCOPED_TRACE(nombre);
    Mutex_Puerto m(nombre);
    ASSERT_TRUE(m.Existe());
    m.Bloquear();
    m.Liberar();
  }
  // A name too long for a file: no lock, and the operations run unlocked.
  Mutex_Puerto sin(std::string(300, 'x'));
  EXPECT_FALSE(sin.Existe());
  sin.Bloquear();
  sin.Liberar();
  EXPECT_FALSE(sin.Intentar_bloquear());
}

}  // namespace
}  // namespace r27
