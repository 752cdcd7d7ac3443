// The machine-wide port lock: re-entrant for its owner, exclusive between threads,
// between objects of one process and between processes, and never left held by a
// process that died.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "link/mutex_puerto.h"
#include "tests/serie/cerrojo_prueba.h"

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

// The lock file as another build may have left it: none yet, empty (an older
// build only took an flock on it), or holding a layout this build does not know,
// where the lock is the file's flock. Either way it is exclusive between objects
// and a process that dies holding it leaves it free.
TEST(MutexPuerto, ElFicheroQueHayaDejadoOtraVersion) {
  struct Caso {
    const char* nombre;
    int bytes_previos;  // -1: no file; otherwise a file of that many 0xAB bytes
    bool en_memoria;
  };
  for (const Caso& k : {Caso{"no file yet", -1, true}, Caso{"an empty file", 0, true},
                        Caso{"another layout", 4096, false}}) {
    SCOPED_TRACE(k.nombre);
    const Nombre_cerrojo nombre("mutex-fichero");
    const std::string ruta = "/tmp/r27-" + static_cast<const std::string&>(nombre) + ".lock";
    unlink(ruta.c_str());
    if (k.bytes_previos >= 0) {
      const int fd = open(ruta.c_str(), O_RDWR | O_CREAT, 0666);
      ASSERT_GE(fd, 0);
      const std::string relleno(size_t(k.bytes_previos), '\xAB');
      ASSERT_EQ(write(fd, relleno.data(), relleno.size()), ssize_t(relleno.size()));
      close(fd);
    }
    Mutex_Puerto m(nombre);
    Mutex_Puerto otro(nombre);
    ASSERT_TRUE(m.Existe());
    EXPECT_EQ(m.Compartido_en_memoria(), k.en_memoria);
    EXPECT_EQ(otro.Compartido_en_memoria(), k.en_memoria);
    m.Bloquear();
    EXPECT_FALSE(otro.Intentar_bloquear());
    m.Liberar();
    EXPECT_TRUE(otro.Intentar_bloquear());
    EXPECT_FALSE(m.Intentar_bloquear());
    otro.Liberar();

    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    const pid_t hijo = fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
      Mutex_Puerto suyo(nombre);
      suyo.Bloquear();
      const char listo = suyo.Compartido_en_memoria() == k.en_memoria ? 'x' : '!';
      (void)!write(tubo[1], &listo, 1);
      for (;;) pause();
    }
    close(tubo[1]);
    char listo = 0;
    ASSERT_EQ(read(tubo[0], &listo, 1), 1);
    close(tubo[0]);
    EXPECT_EQ(listo, 'x') << "the other process took the lock another way";
    EXPECT_FALSE(m.Intentar_bloquear());
    kill(hijo, SIGKILL);
    waitpid(hijo, nullptr, 0);
    m.Bloquear();  // returns: the dead holder left it free
    EXPECT_FALSE(otro.Intentar_bloquear());
    m.Liberar();
  }
}

// An older build that holds the file's flock while this one sets the lock up (it
// locked with the flock alone): the setup gives up after its attempts, about a
// second, and the lock is the flock itself, so the two still exclude each other.
TEST(MutexPuerto, UnaVersionAntiguaQueRetieneElFichero) {
  const Nombre_cerrojo nombre("mutex-antigua");
  const std::string ruta = "/tmp/r27-" + static_cast<const std::string&>(nombre) + ".lock";
  unlink(ruta.c_str());
  const int antigua = open(ruta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_GE(antigua, 0);
  ASSERT_EQ(flock(antigua, LOCK_EX), 0);
  const auto t0 = std::chrono::steady_clock::now();
  Mutex_Puerto m(nombre);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  ASSERT_TRUE(m.Existe());
  EXPECT_FALSE(m.Compartido_en_memoria());
  EXPECT_FALSE(m.Intentar_bloquear());
  ASSERT_EQ(flock(antigua, LOCK_UN), 0);
  EXPECT_TRUE(m.Intentar_bloquear());
  EXPECT_NE(flock(antigua, LOCK_EX | LOCK_NB), 0);  // now the older build waits
  m.Liberar();
  close(antigua);
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
