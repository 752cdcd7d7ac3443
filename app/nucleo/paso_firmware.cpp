// The firmware step and the programming preparation.
#include "app/nucleo/paso_firmware.h"

#include <memory>

#include "components/programador_mpeg4.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

// A new programming object, held by the connection until the next one replaces it.
TCDiferencial& Nuevo_diferencial(Interfaz_ventana& v, Conexion& conexion) {
  conexion.Reemplazar_diferencial(std::make_unique<TCDiferencial>(v));
  v.Estado().inicio_operacion = v.Reloj_().Segundos();
  return *conexion.Diferencial();
}

// The step fails with `codigo`: the run keeps the code with the step's first
// failure (or, when nothing failed on the line, the step's own reason).
Resultado Fallar(Interfaz_ventana& v, Primer_fallo& primero, int32_t codigo, Fallo propio) {
  primero.Anotar(std::move(propio));
  Fallo f = *primero.Motivo();
  if (f.codigo == 0) f.codigo = codigo;
  v.Estado().Fijar_error(f);
  return f;
}

}  // namespace

Resultado Preparar_fpga(Interfaz_ventana& ventana, Conexion& conexion,
                        Interfaz_temporizador& timer_desconexion) {
  Programador_mpeg4(ventana, conexion).Parchear_entrada();
  timer_desconexion.Deshabilitar();
  TCDiferencial& d = Nuevo_diferencial(ventana, conexion);
  Resultado r = d.Cargar_primera_etapa();
  if (!r) return r;
  return d.Cargar_segunda_etapa();
}

Resultado Paso_firmware(Interfaz_ventana& ventana, Conexion& conexion,
                        Interfaz_temporizador& timer_desconexion) {
  Estado_ventana& e = ventana.Estado();
  timer_desconexion.Deshabilitar();
  Primer_fallo primero;
  if (!e.conectado) {
    // Nothing can be written without a meter: a failure, not a silent success.
    return Fallar(
        ventana, primero, kCodigo_firmware_staging,
        Abandono(ventana.Puerto(), "Paso_firmware", "un medidor conectado", Llegada::sin_conexion));
  }

  TCDiferencial& d = Nuevo_diferencial(ventana, conexion);
  d.segmentos = e.segmentos_presentes;
  if (!e.Check_fpga) {
    // The FPGA step did not load the loader in this run. Both stages are sent
    // and their answers are not used: the staging erase below tells whether the
    // meter listens.
    Programador_mpeg4(ventana, conexion).Parchear_entrada();
    (void)d.Cargar_primera_etapa();
    (void)d.Cargar_segunda_etapa();
  }

  Subida_graficos* graficos = ventana.Graficos();
  if (graficos) {
    graficos->Borrar_graficos();
    graficos->Enviar_imagen(Subida_graficos::kCargando_firmware);
  }

  // An abort already raised skips the staging erase too (code 20).
  Resultado resultado;
  if (e.abortar) {
    resultado = Fallar(ventana, primero, kCodigo_firmware_staging,
                       Abandono(ventana.Puerto(), "Paso_firmware", "seguir con la actualizacion",
                                Llegada::cancelada));
  } else if (!e.Check_fpga) {
    resultado = d.Preparar_memoria();
    if (!resultado)
      resultado = Fallar(ventana, primero, kCodigo_firmware_staging, *resultado.Motivo());
  }
  if (resultado) {
    resultado = d.Enviar_firmware();
    if (resultado) {
      if (graficos) graficos->Enviar_imagen(Subida_graficos::kActualizando_firmware);
    } else {
      resultado = Fallar(ventana, primero, kCodigo_firmware_envio, *resultado.Motivo());
    }
  }
  if (e.abortar && resultado) {
    resultado = Fallar(ventana, primero, kCodigo_firmware_abortado,
                       Abandono(ventana.Puerto(), "Paso_firmware", "seguir con la actualizacion",
                                Llegada::cancelada));
  }

  e.progreso_base += kParte_paso_firmware;
  ventana.ProgressBar_general().Fijar_posicion(e.progreso_base);

  if (resultado) {
    resultado = d.Grabar_flash();
    if (!resultado)
      resultado = Fallar(ventana, primero, kCodigo_firmware_grabacion, *resultado.Motivo());
  }
  // Leaves the staging area open again for whatever follows; its answer is not
  // used, and its failure never replaces the step's. An unplugged meter is
  // asked nothing more.
  if (!ventana.Puerto().Dispositivo_perdido()) (void)d.Preparar_memoria();

  conexion.Reemplazar_diferencial(nullptr);
  for (Barra* b : {&ventana.Barra_progreso(), &ventana.ProgressBar_general()})
    b->Fijar_posicion(b->Minimo());
  ventana.Procesar_mensajes();
  return resultado;
}

}  // namespace r27
