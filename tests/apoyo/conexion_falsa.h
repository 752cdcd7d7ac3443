#pragma once
// The connection operations for programmer tests: the rate change reopens the
// fake window's port as the real connection does, and every call is recorded.
#include <cstdint>
#include <functional>
#include <vector>

#include "link/interfaz_ventana.h"
#include "link/operaciones_conexion.h"

namespace r27::pruebas {

class Conexion_falsa final : public Operaciones_conexion {
 public:
  explicit Conexion_falsa(Interfaz_ventana& v) : v_(v) {}

  void Cambiar_velocidad_puerto(uint32_t baudios) override {
    velocidades.push_back(baudios);
    Estado_ventana& e = v_.Estado();
    e.linea.BaudRate = baudios;
    v_.Puerto().Abrir(e.puerto, e.linea);
  }
  bool Es_windows64() override { return windows64; }
  void Boton_ConectarClick() override {
    ++pulsaciones_conectar;
    if (al_conectar) al_conectar();
  }
  bool Conectar() override {
    if (!v_.Estado().conectado) Boton_ConectarClick();
    return v_.Estado().conectado;
  }
  void Desconectar() override {
    if (v_.Estado().conectado) Boton_ConectarClick();
  }

  bool windows64 = false;
  std::vector<uint32_t> velocidades;
  int pulsaciones_conectar = 0;
  std::function<void()> al_conectar;

 private:
  Interfaz_ventana& v_;
};

}  // namespace r27::pruebas
