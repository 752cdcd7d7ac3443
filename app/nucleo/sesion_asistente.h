#pragma once
// The meter connection, the wizard and the update run wired together for a
// window: what the wizard button, "Actualizar", the disconnect watch's timer and
// the window's destructor do. A window owns one and hands it its view of the
// controls and its timer; the drawing stays in the window.
#include <functional>

#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/idiomas.h"
#include "app/nucleo/temporizador.h"
#include "link/directorio_puertos.h"
#include "link/interfaz_ventana.h"

namespace r27 {

class Sesion_asistente {
 public:
  Sesion_asistente(Interfaz_ventana& ventana, Vista_asistente& vista,
                   Interfaz_temporizador& vigilancia, const Directorio_puertos& directorio,
                   const Textos_idioma& textos);
  Sesion_asistente(const Sesion_asistente&) = delete;
  Sesion_asistente& operator=(const Sesion_asistente&) = delete;

  Conexion& Conexion_() { return conexion_; }
  Asistente& Asistente_() { return asistente_; }
  Actualizacion& Actualizacion_() { return actualizacion_; }
  Interfaz_temporizador& Vigilancia() { return vigilancia_; }

  // The wizard button: the wizard's step, unless `al_pulsar_en_pausa` takes the
  // click (service mode's pause before an update).
  void Pulsar_asistente();
  // "Actualizar": straight to the search.
  void Actualizar();
  // One tick of the disconnect watch.
  void Vigilar();
  // The window closes: a connected meter is let go.
  void Cerrar();

  // Takes a click of the wizard button and returns true, or returns false to
  // leave it to the wizard.
  std::function<bool()> al_pulsar_en_pausa;

 private:
  Interfaz_ventana& ventana_;
  Interfaz_temporizador& vigilancia_;
  Conexion conexion_;
  Asistente asistente_;
  Actualizacion actualizacion_;
};

}  // namespace r27
