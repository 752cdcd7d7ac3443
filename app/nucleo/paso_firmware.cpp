// The firmware step and the programming preparation.
#include "app/nucleo/paso_firmware.h"

#include <memory>

#include "components/programador_mpeg4.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"

namespace r27 {

namespace {

// A new programming object, held by the connection until the next one replaces it.
TCDiferencial& Nuevo_diferencial(Interfaz_ventana& v, Conexion& conexion) {
  conexion.Reemplazar_diferencial(std::make_unique<TCDiferencial>(v));
  v.Estado().inicio_operacion = v.Reloj_().Segundos();
  return *conexion.Diferencial();
}

}  // namespace

bool Preparar_fpga(Interfaz_ventana& ventana, Conexion& conexion,
                   Interfaz_temporizador& timer_desconexion) {
  Programador_mpeg4(ventana, conexion).Parchear_entrada();
  timer_desconexion.Deshabilitar();
  TCDiferencial& d = Nuevo_diferencial(ventana, conexion);
  return d.Cargar_primera_etapa() && d.Cargar_segunda_etapa();
}

bool Paso_firmware(Interfaz_ventana& ventana, Conexion& conexion,
                   Interfaz_temporizador& timer_desconexion) {
  Estado_ventana& e = ventana.Estado();
  timer_desconexion.Deshabilitar();
  if (!e.conectado) {
    // Nothing can be written without a meter: a failure, not a silent success.
    e.Fijar_error(kCodigo_firmware_staging);
    ventana.Puerto().Anotar_abandono("Paso_firmware", "un medidor conectado", "sin conexion");
    return false;
  }

  TCDiferencial& d = Nuevo_diferencial(ventana, conexion);
  d.segmentos = e.segmentos_presentes;
  if (!e.Check_fpga) {
    // The FPGA step did not load the loader in this run; their results are not
    // used, the staging erase below tells whether the meter listens.
    Programador_mpeg4(ventana, conexion).Parchear_entrada();
    d.Cargar_primera_etapa() && d.Cargar_segunda_etapa();
  }

  Subida_graficos* graficos = ventana.Graficos();
  if (graficos) {
    graficos->Borrar_graficos();
    graficos->Enviar_imagen(Subida_graficos::kCargando_firmware);
  }

  // An abort already raised skips the staging erase too (code 20).
  bool resultado = !e.abortar;
  if (resultado && !e.Check_fpga) resultado = d.Preparar_memoria();
  if (resultado) {
    resultado = d.Enviar_firmware();
  } else {
    e.Fijar_error(kCodigo_firmware_staging);
  }
  if (resultado) {
    if (graficos) graficos->Enviar_imagen(Subida_graficos::kActualizando_firmware);
  } else {
    e.Fijar_error(kCodigo_firmware_envio);
  }
  if (e.abortar) {
    resultado = false;
    e.Fijar_error(kCodigo_firmware_abortado);
  }

  e.progreso_base += kParte_paso_firmware;
  ventana.ProgressBar_general().Fijar_posicion(e.progreso_base);

  if (resultado) {
    resultado = d.Grabar_flash();
    if (!resultado) e.Fijar_error(kCodigo_firmware_grabacion);
  }
  // Leaves the staging area open again for whatever follows; its answer is not used.
  d.Preparar_memoria();

  conexion.Reemplazar_diferencial(nullptr);
  for (Barra* b : {&ventana.Barra_progreso(), &ventana.ProgressBar_general()})
    b->Fijar_posicion(b->Minimo());
  ventana.Procesar_mensajes();
  return resultado;
}

}  // namespace r27
