// The wizard, the connection and the update run of one window.
#include "app/nucleo/sesion_asistente.h"

namespace r27 {

Sesion_asistente::Sesion_asistente(Interfaz_ventana& ventana, Vista_asistente& vista,
                                   Interfaz_temporizador& vigilancia,
                                   const Directorio_puertos& directorio,
                                   const Textos_idioma& textos)
    : ventana_(ventana),
      vigilancia_(vigilancia),
      conexion_(ventana, vigilancia),
      asistente_(ventana, conexion_, vista, directorio, textos),
      actualizacion_(ventana, conexion_, vigilancia, vista, textos) {
  // The wizard hands a connected, ready meter to the update run.
  asistente_.ejecutar_actualizacion = [this] { actualizacion_.Ejecutar_actualizacion(asistente_); };
}

void Sesion_asistente::Pulsar_asistente() {
  if (al_pulsar_en_pausa && al_pulsar_en_pausa()) return;
  asistente_.Button_buscar_puertoClick();
}

void Sesion_asistente::Actualizar() { asistente_.Actualizar1Click(); }

void Sesion_asistente::Vigilar() { conexion_.Mira_desconexion(); }

void Sesion_asistente::Cerrar() {
  if (ventana_.Estado().conectado) conexion_.Desconectar();
}

}  // namespace r27
