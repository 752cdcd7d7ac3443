// The history on Linux: the XDG data folder, flock and fsync.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/nucleo/fichero_historial.h"

namespace r27 {

namespace {

std::string Error_sistema() { return std::strerror(errno); }

// Closes the descriptor (and so lets its lock go) on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool Cerrojo(int fd, int tipo) {
  while (::flock(fd, tipo) != 0)
    if (errno != EINTR) return false;
  return true;
}

bool Escribir_todo(int fd, const std::string& datos) {
  size_t hecho = 0;
  while (hecho < datos.size()) {
    const ssize_t n = ::write(fd, datos.data() + hecho, datos.size() - hecho);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    hecho += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::filesystem::path Carpeta_historial() {
  // The XDG rule: a relative XDG_DATA_HOME is ignored.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "r27";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* p = ::getpwuid(::getuid());
    home = p ? p->pw_dir : nullptr;
  }
  if (!home || home[0] != '/') return {};
  return std::filesystem::path(home) / ".local" / "share" / "r27";
}

std::string Anexar_con_cerrojo(const std::filesystem::path& fichero, const std::string& linea) {
  const bool nuevo = !std::filesystem::exists(fichero);
  const Descriptor d(::open(fichero.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (d.fd() < 0) return Error_sistema();
  if (!Cerrojo(d.fd(), LOCK_EX)) return Error_sistema();
  struct stat st {};
  if (::fstat(d.fd(), &st) != 0) return Error_sistema();
  std::string datos;
  // A line cut short by a run that ended mid-write: this record starts after it.
  char ultimo = '\n';
  if (st.st_size > 0 && ::pread(d.fd(), &ultimo, 1, st.st_size - 1) == 1 && ultimo != '\n')
    datos = "\n";
  datos += linea;
  datos += '\n';
  if (!Escribir_todo(d.fd(), datos)) {
    const std::string error = Error_sistema();
    // Take back what part of the line went in, so no half record stays.
    (void)!::ftruncate(d.fd(), st.st_size);
    return error;
  }
  if (::fsync(d.fd()) != 0) return Error_sistema();
  // A new file's name must reach the disk too.
  if (nuevo) {
    const Descriptor carpeta(
        ::open(fichero.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (carpeta.fd() >= 0) (void)::fsync(carpeta.fd());  // best effort: the record is on disk
  }
  return {};
}

std::string Leer_con_cerrojo(const std::filesystem::path& fichero, std::string& contenido,
                             bool& existe) {
  contenido.clear();
  existe = false;
  const Descriptor d(::open(fichero.c_str(), O_RDONLY | O_CLOEXEC));
  if (d.fd() < 0) return errno == ENOENT ? std::string() : Error_sistema();
  existe = true;
  // A record being appended is read whole or not at all.
  if (!Cerrojo(d.fd(), LOCK_SH)) return Error_sistema();
  char bloque[65536];
  for (;;) {
    const ssize_t n = ::read(d.fd(), bloque, sizeof bloque);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Error_sistema();
    if (n == 0) break;
    contenido.append(bloque, static_cast<size_t>(n));
  }
  return {};
}

}  // namespace r27
