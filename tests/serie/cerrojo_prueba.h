#pragma once
// A lock name private to one test process, so tests running side by side never
// wait on each other; its lock file is removed when the test is done with it.
#include <unistd.h>

#include <string>

namespace r27::prueba {

class Nombre_cerrojo {
 public:
  explicit Nombre_cerrojo(const std::string& uso)
      : nombre_("prueba-" + uso + "-" + std::to_string(getpid())) {}
  ~Nombre_cerrojo() { unlink(("/tmp/r27-" + nombre_ + ".lock").c_str()); }
  Nombre_cerrojo(const Nombre_cerrojo&) = delete;
  Nombre_cerrojo& operator=(const Nombre_cerrojo&) = delete;
  operator const std::string&() const { return nombre_; }

 private:
  std::string nombre_;
};

}  // namespace r27::prueba
