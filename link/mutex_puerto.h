#pragma once
// The named lock "Mutex_Puerto", shared by every process of the machine and
// re-entrant for its owning thread; a process that dies holding it never leaves it
// held. On Linux a robust process-shared mutex in a lock file every process maps
// (an flock() on that file where it cannot be mapped); on Windows a named kernel
// mutex.
#include <memory>
#include <string>

namespace r27 {

class Mutex_Puerto {
 public:
  explicit Mutex_Puerto(const std::string& nombre = "Mutex_Puerto");
  ~Mutex_Puerto();
  Mutex_Puerto(const Mutex_Puerto&) = delete;
  Mutex_Puerto& operator=(const Mutex_Puerto&) = delete;

  bool Existe() const;  // false when the system object could not be created
  // True when taking and releasing it costs no system call while nobody else
  // holds it (Linux: the mapped mutex rather than the flock).
  bool Compartido_en_memoria() const;
  void Bloquear();  // waits without time limit
  // Takes the lock only when it is free right now (or already ours); true when taken.
  bool Intentar_bloquear();
  void Liberar();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Holds the lock for a scope: released on every way out, exceptions included.
class Cerrojo {
 public:
  explicit Cerrojo(Mutex_Puerto& m) : m_(m) { m_.Bloquear(); }
  ~Cerrojo() { m_.Liberar(); }
  Cerrojo(const Cerrojo&) = delete;
  Cerrojo& operator=(const Cerrojo&) = delete;

 private:
  Mutex_Puerto& m_;
};

}  // namespace r27
