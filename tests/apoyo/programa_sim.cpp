#include "tests/apoyo/programa_sim.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace r27::pruebas {

Programa_sim::~Programa_sim() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (salida_ >= 0) close(salida_);
}

bool Programa_sim::Lanzar(const std::string& programa, const std::vector<std::string>& argumentos,
                          const std::function<bool()>& en_el_hijo) {
  int tubo[2];
  if (pipe(tubo) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    if (en_el_hijo && !en_el_hijo()) _exit(126);
    dup2(tubo[1], STDOUT_FILENO);
    close(tubo[0]);
    close(tubo[1]);
    std::vector<char*> argv = {const_cast<char*>(programa.c_str())};
    for (const auto& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(programa.c_str(), argv.data());
    _exit(127);
  }
  close(tubo[1]);
  salida_ = tubo[0];
  return pid_ > 0;
}

std::string Programa_sim::Linea() {
  std::string l;
  for (;;) {
    pollfd p{salida_, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) return "";
    char c;
    if (read(salida_, &c, 1) != 1) return "";
    if (c == '\n') return l;
    l += c;
  }
}

void Programa_sim::Senal(int senal) {
  if (pid_ > 0) kill(pid_, senal);
}

int Programa_sim::Terminar(int senal) {
  if (pid_ <= 0) return -1;
  kill(pid_, senal);
  for (int i = 0; i < 500; ++i) {
    int estado = 0;
    if (waitpid(pid_, &estado, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

}  // namespace r27::pruebas
