#pragma once
// The few connection operations a programmer below the window may need: the
// MPEG-4 upload puts the computer's port back to 115,200 baud and asks whether it
// runs under WOW64; the factory operations let the meter go and take it again.
// The window's connection implements it and hands it down, so components/ and
// factory/ never reach up into app/.
#include <cstdint>

namespace r27 {

class Operaciones_conexion {
 public:
  virtual ~Operaciones_conexion() = default;
  // Keeps the rate for every later open and reopens the port with it.
  virtual void Cambiar_velocidad_puerto(uint32_t baudios) = 0;
  // True only for a 32-bit program on 64-bit Windows (the line then stays at
  // 115,200 baud for the whole update).
  virtual bool Es_windows64() = 0;
  // Disconnects while connected, otherwise connects on the window's port.
  virtual void Boton_ConectarClick() = 0;
  // Connects on the window's port unless connected; true when connected after.
  virtual bool Conectar() = 0;
  // Lets the meter go when connected.
  virtual void Desconectar() = 0;
};

}  // namespace r27
