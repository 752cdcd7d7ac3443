// The window's own state, its start-up and the ways out of it.
#include "app/nucleo/ventana_nucleo.h"

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "app/nucleo/pantallas.h"

namespace r27 {

Salida Salida_menu(const Estado_ventana& estado) {
  return estado.actualizando ? Salida::avisar : Salida::terminar;
}

Salida Salida_boton(const Estado_ventana& estado) {
  return estado.actualizando ? Salida::rechazar : Salida::terminar;
}

bool Cierre_permitido(Estado_ventana& estado) {
  if (estado.actualizando) return false;
  estado.saliendo = true;
  return true;
}

Ventana_nucleo::Ventana_nucleo(std::unique_ptr<Backend_serie> backend) {
  // The serial port, the screen-graphics uploader (held for the whole run, so the
  // first loader stage can record where the meter keeps its pictures) and the
  // line reader over the embedded firmware image.
  puerto_ = std::make_unique<Puerto_serie>(backend ? std::move(backend) : Crear_backend_sistema(),
                                           reloj_);
  graficos_ = std::make_unique<Subida_graficos>(*this);
  lineas_ = std::make_unique<Lector_lineas>(Imagen_firmware());
}

Ventana_nucleo::~Ventana_nucleo() { Liberar(); }

void Ventana_nucleo::Arrancar(const std::filesystem::path& ruta_idiomas) {
  estado_ = Estado_ventana{};
  textos_ = Cargar_idioma(ruta_idiomas);
  Abrir_hex(*this, *lineas_, hex_);
  linea_version_ = Linea_version(estado_.version_fichero);
  textos_[Texto::PASO1_L2] = linea_version_;
  // The wizard's own step and failed-search count start at 0 in Asistente.
  estado_.actualizando = false;
  estado_.codigo_error = 0;
}

void Ventana_nucleo::Liberar() {
  hex_.reset();
  graficos_.reset();
  puerto_.reset();
}

}  // namespace r27
