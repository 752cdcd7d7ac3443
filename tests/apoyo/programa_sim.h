#pragma once
// The r27-sim program as a child process of a test: started with arguments, its
// output read line by line, signalled, and always ended when the test ends.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace r27::pruebas {

class Programa_sim {
 public:
  Programa_sim() = default;
  ~Programa_sim();
  Programa_sim(const Programa_sim&) = delete;
  Programa_sim& operator=(const Programa_sim&) = delete;

  // Starts `programa` with `argumentos`; false when it could not be started.
  // `en_el_hijo` runs in the child before the program starts (a benchmark pins
  // it to a core there); the child ends with status 126 when it returns false.
  bool Lanzar(const std::string& programa, const std::vector<std::string>& argumentos,
              const std::function<bool()>& en_el_hijo = {});
  // One line of its output (without the newline), or "" after five seconds.
  std::string Linea();
  void Senal(int senal);
  // Sends `senal` and returns the exit status, or -1 if it did not end in 5 s.
  int Terminar(int senal);

 private:
  pid_t pid_ = -1;
  int salida_ = -1;
};

}  // namespace r27::pruebas
