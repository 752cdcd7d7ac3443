// Mutex_Puerto on Linux: a process-shared robust mutex kept in a lock file in
// /tmp that every process maps, so the lock is machine-wide; taking and releasing
// it when nobody else holds it costs no system call (an flock() cost two, about
// 4 us between two requests to the meter). A process that dies holding it leaves
// it to the next taker, as a Windows named mutex is handed over abandoned. Where
// the file cannot be mapped (another user's file opened read-only, a full disk, a
// file system without fallocate, a layout this build does not know) the lock is
// an flock() on the same file, as it always was. An in-process owner/count makes it re-entrant for
// the owning thread and exclusive between the threads and the objects of one process.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "link/mutex_puerto.h"

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

// The start of the lock file. `marca` is written last, once the mutex is ready;
// `forma` tells this layout from another build's (another size of the mutex).
struct Cabecera_cerrojo {
  std::atomic<uint32_t> marca;
  uint32_t forma;
  pthread_mutex_t mutex;
};

constexpr uint32_t kMarca_cerrojo = 0x52323730;  // "R270"
constexpr uint32_t kForma_cerrojo = (1u << 16) | sizeof(pthread_mutex_t);
constexpr off_t kTamano_fichero = 4096;
static_assert(sizeof(Cabecera_cerrojo) <= kTamano_fichero);

// The setup of a fresh file is serialised by an flock on it; a process that holds
// that flock for good (another program) costs at most this, then the lock is the
// flock itself.
constexpr int kIntentos_preparar = 100;
constexpr auto kPausa_preparar = std::chrono::milliseconds(10);

// Maps the file's header, setting the mutex up when the file is new (empty, or
// left by an older build that only took an flock on it). Null when the file cannot
// be mapped for writing or holds another layout.
Cabecera_cerrojo* Mapear(int fd) {
  int intentos = 0;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || ++intentos >= kIntentos_preparar)
      return nullptr;
    std::this_thread::sleep_for(kPausa_preparar);
  }
  Cabecera_cerrojo* c = nullptr;
  // The file's blocks are allocated first, so a full disk refuses here rather than
  // fault the mapping later. Only the system call: the library's fallback for a
  // file system without it writes zeros, which could clear a lock in use.
  if (fallocate(fd, 0, 0, kTamano_fichero) == 0) {
    void* p = mmap(nullptr, kTamano_fichero, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p != MAP_FAILED) c = static_cast<Cabecera_cerrojo*>(p);
  }
  if (c && c->marca.load(std::memory_order_acquire) == 0) {
    pthread_mutexattr_t a;
    pthread_mutexattr_init(&a);
    const bool listo = pthread_mutexattr_setpshared(&a, PTHREAD_PROCESS_SHARED) == 0 &&
                       pthread_mutexattr_setrobust(&a, PTHREAD_MUTEX_ROBUST) == 0 &&
                       pthread_mutex_init(&c->mutex, &a) == 0;
    pthread_mutexattr_destroy(&a);
    if (listo) {
      c->forma = kForma_cerrojo;
      c->marca.store(kMarca_cerrojo, std::memory_order_release);
    }
  }
  if (c &&
      (c->marca.load(std::memory_order_acquire) != kMarca_cerrojo || c->forma != kForma_cerrojo)) {
    munmap(c, kTamano_fichero);
    c = nullptr;
  }
  Flock(fd, LOCK_UN);
  return c;
}

}  // namespace

struct Mutex_Puerto::Impl {
  int fd = -1;
  Cabecera_cerrojo* compartido = nullptr;  // null: the lock is an flock on fd
  std::mutex m;
  std::condition_variable libre;
  std::thread::id dueno;
  unsigned cuenta = 0;

  // The machine-wide lock itself, once per owner; false when it was not taken.
  bool Tomar(bool esperar) {
    if (!compartido) return Flock(fd, esperar ? LOCK_EX : LOCK_EX | LOCK_NB);
    const int r = esperar ? pthread_mutex_lock(&compartido->mutex)
                          : pthread_mutex_trylock(&compartido->mutex);
    // Its last holder died holding it: what it guarded is a port operation that
    // will not finish, so the lock is simply taken over.
    if (r == EOWNERDEAD) return pthread_mutex_consistent(&compartido->mutex) == 0;
    return r == 0;
  }
  void Soltar() {
    if (compartido)
      pthread_mutex_unlock(&compartido->mutex);
    else
      Flock(fd, LOCK_UN);
  }
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
    // opens without it; failing that, read-only, where flock() still works.
    impl_->fd = open(ruta.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (impl_->fd < 0) impl_->fd = open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }
  if (impl_->fd >= 0) impl_->compartido = Mapear(impl_->fd);
}

Mutex_Puerto::~Mutex_Puerto() {
  // A mutex still held is released before its memory goes: the thread's list of
  // robust mutexes must not point into an unmapped page.
  if (impl_->cuenta > 0) impl_->Soltar();
  if (impl_->compartido) munmap(impl_->compartido, kTamano_fichero);
  if (impl_->fd >= 0) close(impl_->fd);  // closing also drops a held flock
}

bool Mutex_Puerto::Existe() const { return impl_->fd >= 0; }

bool Mutex_Puerto::Compartido_en_memoria() const { return impl_->compartido != nullptr; }

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
  // Only the owning thread of this object waits here, so the machine-wide lock is
  // taken once. Should it fail for another reason the operation runs unlocked, as
  // it does when the lock could not be created at all.
  impl_->Tomar(true);
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
  if (!impl_->Tomar(false)) return false;
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
  impl_->Soltar();
  impl_->dueno = std::thread::id();
  impl_->libre.notify_one();
}

}  // namespace r27
