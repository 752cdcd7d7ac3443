#pragma once
// The disconnect watch's timer as the connection sees it: switched on after a
// connect, off before any exchange that must not be interrupted. The Qt window
// drives its QTimer through it; tests record the calls.
namespace r27 {

class Interfaz_temporizador {
 public:
  virtual ~Interfaz_temporizador() = default;
  virtual void Habilitar() = 0;
  virtual void Deshabilitar() = 0;
  virtual bool Habilitado() const = 0;
};

}  // namespace r27
