// What the system calls the port makes between two requests cost on a terminal,
// measured where the updater makes them: right after an exchange, once the other
// end (a child process playing the meter) has answered a 257-byte block with one
// byte, and the port's machine-wide lock taken and released. Each call is timed
// on its own, a fresh exchange before every sample; the median and the 90th
// percentile are printed in microseconds.
//
//   llamadas_terminal [MUESTRAS]
//
// On Linux a read that finds nothing and a poll both first wait for the
// driver's pending input work (the flip buffer's push to the line discipline, run
// by a kernel worker). A process that preempted that worker when the answer woke
// it (under chrt, as the performance bench runs) waits for it there: then these
// two calls cost several times a plain call such as the input count. At normal
// priority on an idle machine they cost about the same.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "link/mutex_puerto.h"

namespace {

double Micros() {
  using namespace std::chrono;
  return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// The meter's side: every block read from the master is answered with "0" after
// a millisecond, as a meter that has written it would.
[[noreturn]] void Medidor(int maestro) {
  uint8_t b[512];
  for (;;) {
    pollfd p{maestro, POLLIN, 0};
    if (poll(&p, 1, -1) < 0) continue;
    if (read(maestro, b, sizeof b) > 0) {
      usleep(1000);
      (void)!write(maestro, "0", 1);
    }
  }
}

struct Llamada {
  const char* nombre;
  std::function<void()> hacer;
};

}  // namespace

int main(int argc, char** argv) {
  const int muestras = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1500;
  const int maestro = posix_openpt(O_RDWR | O_NOCTTY);
  if (maestro < 0 || grantpt(maestro) != 0 || unlockpt(maestro) != 0) {
    std::perror("posix_openpt");
    return 1;
  }
  const int esclavo = open(ptsname(maestro), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios t{};
  if (esclavo < 0 || tcgetattr(esclavo, &t) != 0) {
    std::perror("slave");
    return 1;
  }
  cfmakeraw(&t);
  tcsetattr(esclavo, TCSANOW, &t);
  const std::string ruta_cerrojo = "/tmp/r27-llamadas-" + std::to_string(getpid()) + ".lock";
  const int cerrojo = open(ruta_cerrojo.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  const std::string nombre_mutex = "llamadas-mutex-" + std::to_string(getpid());
  r27::Mutex_Puerto mutex(nombre_mutex);
  const pid_t medidor = fork();
  if (medidor == 0) Medidor(maestro);

  uint8_t c = 0;
  int cuenta = 0;
  const Llamada llamadas[] = {
      {"read() with nothing waiting", [&] { (void)!read(esclavo, &c, 1); }},
      {"poll(), no wait",
       [&] {
         pollfd p{esclavo, POLLIN, 0};
         (void)poll(&p, 1, 0);
       }},
      {"ioctl(FIONREAD)", [&] { (void)ioctl(esclavo, FIONREAD, &cuenta); }},
      {"ioctl(TIOCOUTQ)", [&] { (void)ioctl(esclavo, TIOCOUTQ, &cuenta); }},
      {"flock() taken and released",
       [&] {
         (void)flock(cerrojo, LOCK_EX);
         (void)flock(cerrojo, LOCK_UN);
       }},
      {mutex.Compartido_en_memoria() ? "port lock (mapped mutex) pair" : "port lock (flock) pair",
       [&] {
         mutex.Bloquear();
         mutex.Liberar();
       }},
      {"nothing (the clock's own cost)", [] {}},
  };
  uint8_t bloque[257] = {0x03};
  std::printf("%-32s %9s %9s\n", "call, after an exchange", "p50 (us)", "p90 (us)");
  for (const Llamada& l : llamadas) {
    std::vector<double> v;
    v.reserve(size_t(muestras));
    for (int i = 0; i < muestras; ++i) {
      (void)!write(esclavo, bloque, sizeof bloque);
      pollfd p{esclavo, POLLIN, 0};
      (void)poll(&p, 1, 1000);
      (void)!read(esclavo, &c, 1);
      const double t0 = Micros();
      l.hacer();
      v.push_back(Micros() - t0);
    }
    std::sort(v.begin(), v.end());
    std::printf("%-32s %9.2f %9.2f\n", l.nombre, v[v.size() / 2], v[v.size() * 9 / 10]);
  }
  kill(medidor, SIGKILL);
  waitpid(medidor, nullptr, 0);
  close(cerrojo);
  unlink(ruta_cerrojo.c_str());
  unlink(("/tmp/r27-" + nombre_mutex + ".lock").c_str());
  return 0;
}
