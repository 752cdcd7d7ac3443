#pragma once
// What the end of the desktop session and the system's requests to end do to
// the window: while an update writes the meter, logging off or shutting down is
// refused (the session manager is asked to cancel), and SIGTERM, SIGHUP and
// SIGINT are treated as the close box is: refused during an update, otherwise
// the window closes and the connection loops stop. A killed update would leave
// the meter half-written.
#include <QObject>

class QSessionManager;
class QSocketNotifier;

namespace r27 {

class Tventana_brisco;

class Fin_de_sesion : public QObject {
 public:
  // One at a time: it owns the process's handlers of those signals until it goes.
  explicit Fin_de_sesion(Tventana_brisco& ventana);
  ~Fin_de_sesion() override;
  Fin_de_sesion(const Fin_de_sesion&) = delete;
  Fin_de_sesion& operator=(const Fin_de_sesion&) = delete;

 private:
  void Al_pedir_datos(QSessionManager& sesion);
  void Senal_recibida();

  Tventana_brisco& ventana_;
  QSocketNotifier* aviso_ = nullptr;
};

}  // namespace r27
