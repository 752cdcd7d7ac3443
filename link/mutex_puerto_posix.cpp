// Mutex_Puerto on Linux: an flock() on a lock file in /tmp makes it machine-wide
// (the kernel drops the lock when the holding process dies, so no stale lock is
// ever left), and an in-process owner/count makes it re-entrant for the owning
// thread and exclusive between the threads of one process.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "mutex_puerto.h"

namespace r27 {

namespace {

// The lock file of a mutex name; characters that cannot go into a file name become '_'.
std::string Ruta_cerrojo(const std::string& nombre) {
  std::string limpio;
  for (char c : nombre) {
    const bool valido = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    limpio += valido ? c : '_';
  }
  return "/tmp/r27-" + limpio + ".lock";
}

bool Flock(int fd, int operacion) {
  while (flock(fd, operacion) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

struct Mutex_Puerto::Impl {
  int fd = -1;
  std::mutex m;
  std::condition_variable libre;
  std::thread::id dueno;
  unsigned cuenta = 0;
};

Mutex_Puerto::Mutex_Puerto(const std::string& nombre) : impl_(std::make_unique<Impl>()) {
  const std::string ruta = Ruta_cerrojo(nombre);
  // O_NOFOLLOW: a symlink planted in /tmp must not redirect the lock file.
  impl_->fd = open(ruta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (impl_->fd >= 0) {
    // Every user of the machine shares the lock, whatever the umask of the creator.
    (void)fchmod(impl_->fd, 0666);
  } else if (errno == EACCES) {
    // Another user's file in sticky /tmp refuses O_CREAT (fs.protected_regular) but
    // opens without it; flock() needs no write access.
    impl_->fd = open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }
}

Mutex_Puerto::~Mutex_Puerto() {
  if (impl_->fd >= 0) close(impl_->fd);  // closing also drops a held flock
}

bool Mutex_Puerto::Existe() const { return impl_->fd >= 0; }

void Mutex_Puerto::Bloquear() {
  if (!Existe()) return;
  const auto yo = std::this_thread::get_id();
  {
    std::unique_lock<std::mutex> l(impl_->m);
    if (impl_->cuenta > 0 && impl_->dueno == yo) {
      ++impl_->cuenta;
      return;
    }
    impl_->libre.wait(l, [&] { return impl_->cuenta == 0; });
    impl_->dueno = yo;
    impl_->cuenta = 1;
  }
  // Only the owning thread of this object waits here, so the file lock is taken once.
  // Should flock fail for another reason the operation runs unlocked, as it does
  // when the lock could not be created at all.
  Flock(impl_->fd, LOCK_EX);
}

bool Mutex_Puerto::Intentar_bloquear() {
  if (!Existe()) return false;
  const auto yo = std::this_thread::get_id();
  std::lock_guard<std::mutex> l(impl_->m);
  if (impl_->cuenta > 0) {
    if (impl_->dueno != yo) return false;
    ++impl_->cuenta;
    return true;
  }
  if (!Flock(impl_->fd, LOCK_EX | LOCK_NB)) return false;
  impl_->dueno = yo;
  impl_->cuenta = 1;
  return true;
}

void Mutex_Puerto::Liberar() {
  if (!Existe()) return;
  std::lock_guard<std::mutex> l(impl_->m);
  // A release by a thread that does not hold the lock is ignored.
  if (impl_->cuenta == 0 || impl_->dueno != std::this_thread::get_id()) return;
  if (--impl_->cuenta > 0) return;
  Flock(impl_->fd, LOCK_UN);
  impl_->dueno = std::thread::id();
  impl_->libre.notify_one();
}

}  // namespace r27
