#pragma once
// The named lock "Mutex_Puerto", shared by every process of the machine and
// re-entrant for its owning thread. On Linux it is an flock() on a lock file, so
// a process that dies never leaves it held; on Windows a named kernel mutex.
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
  void Bloquear();      // waits without time limit
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
