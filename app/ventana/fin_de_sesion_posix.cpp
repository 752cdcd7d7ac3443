// The session's end and the signals to end, on a POSIX system: a signal only
// writes a byte to a pipe (all a handler may safely do); the window's thread
// reads it between events, also inside the waits of an update, and closes.
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <array>
#include <csignal>

#include "app/ventana/fin_de_sesion.h"
#include "app/ventana/ventana_brisco.h"

namespace r27 {

namespace {

constexpr std::array<int, 3> kSenales{SIGTERM, SIGHUP, SIGINT};
std::array<int, 2> tubo{-1, -1};

extern "C" void Al_recibir_senal(int) {
  const int error = errno;
  const char b = 1;
  // A full pipe already holds a request to close: this one may be dropped.
  [[maybe_unused]] const ssize_t n = write(tubo[1], &b, 1);
  errno = error;
}

}  // namespace

Fin_de_sesion::Fin_de_sesion(Tventana_brisco& ventana) : QObject(&ventana), ventana_(ventana) {
#if QT_CONFIG(sessionmanager)
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager& sesion) { Al_pedir_datos(sesion); });
#endif
  if (pipe(tubo.data()) != 0) return;
  for (int fd : tubo) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  aviso_ = new QSocketNotifier(tubo[0], QSocketNotifier::Read, this);
  connect(aviso_, &QSocketNotifier::activated, this, [this] { Senal_recibida(); });
  struct sigaction accion {};
  accion.sa_handler = Al_recibir_senal;
  sigemptyset(&accion.sa_mask);
  accion.sa_flags = SA_RESTART;
  for (int senal : kSenales) sigaction(senal, &accion, nullptr);
}

Fin_de_sesion::~Fin_de_sesion() {
  for (int senal : kSenales) std::signal(senal, SIG_DFL);
  delete aviso_;
  for (int& fd : tubo) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void Fin_de_sesion::Al_pedir_datos([[maybe_unused]] QSessionManager& sesion) {
#if QT_CONFIG(sessionmanager)
  // The meter is being written: the session waits until the update has ended.
  if (ventana_.Estado().actualizando) sesion.cancel();
#endif
}

void Fin_de_sesion::Senal_recibida() {
  std::array<char, 64> b{};
  while (read(tubo[0], b.data(), b.size()) > 0) {
  }
  // As the close box: refused while an update runs.
  ventana_.close();
}

}  // namespace r27
