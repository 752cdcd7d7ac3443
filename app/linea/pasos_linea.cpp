// The steps the ticks select, and the step behind a result code.
#include "app/linea/pasos_linea.h"

#include "app/nucleo/actualizacion.h"
#include "link/codigos_resultado.h"

namespace r27 {

const char* Nombre_paso(Paso_actualizacion paso) {
  switch (paso) {
    case Paso_actualizacion::teclado:
      return "keyboard";
    case Paso_actualizacion::borrado:
      return "erase stored tables";
    case Paso_actualizacion::planes:
      return "channel plans";
    case Paso_actualizacion::zona:
      return "zone configuration";
    case Paso_actualizacion::fpga:
      return "FPGA set and screen graphics";
    case Paso_actualizacion::firmware:
      return "main firmware";
    case Paso_actualizacion::mpeg4:
      return "MPEG-4 application";
  }
  return "";
}

std::vector<Paso_previsto> Pasos_previstos(const Estado_ventana& e, bool windows64) {
  std::vector<Paso_previsto> pasos;
  auto anadir = [&](bool marcado, Paso_actualizacion paso, int presupuesto) {
    if (marcado) pasos.push_back({paso, Nombre_paso(paso), presupuesto});
  };
  anadir(e.Check_teclado, Paso_actualizacion::teclado, kPresupuesto_teclado);
  anadir(e.Check_borrar, Paso_actualizacion::borrado, kPresupuesto_borrado);
  anadir(e.Check_planes && !e.Check_firmware, Paso_actualizacion::planes, kPresupuesto_planes);
  anadir(e.Check_configuracion, Paso_actualizacion::zona, kPresupuesto_zona);
  anadir(e.Check_fpga, Paso_actualizacion::fpga, kPresupuesto_fpga);
  anadir(e.Check_firmware, Paso_actualizacion::firmware,
         kPresupuesto_firmware + (windows64 ? kExtra_firmware_windows64 : 0));
  anadir(e.Check_mpeg4_apl, Paso_actualizacion::mpeg4,
         kPresupuesto_mpeg4 + (windows64 ? kExtra_mpeg4_windows64 : 0));
  return pasos;
}

std::optional<Paso_actualizacion> Paso_de_codigo(int32_t codigo) {
  switch (codigo) {
    case kCodigo_teclado_id:
    case kCodigo_teclado_verificacion:
    case kCodigo_teclado_sin_respuesta:
      return Paso_actualizacion::teclado;
    case kCodigo_bloque_vacio:
    case kCodigo_borrar_sector:
      return Paso_actualizacion::borrado;
    case kCodigo_orden_plan:
      return Paso_actualizacion::planes;
    case kCodigo_zona_perfiles:
    case kCodigo_zona_fabrica:
    case kCodigo_zona_defecto:
      return Paso_actualizacion::zona;
    case kCodigo_preparar_fpga:
    case kCodigo_fpga_borrado:
    case kCodigo_fpga_bloque:
    case kCodigo_fpga_grabacion:
      return Paso_actualizacion::fpga;
    case kCodigo_firmware_staging:
    case kCodigo_firmware_envio:
    case kCodigo_firmware_abortado:
    case kCodigo_firmware_grabacion:
      return Paso_actualizacion::firmware;
    case kCodigo_paso_previo_mpeg4:
    case kCodigo_mpeg4_etapa1:
    case kCodigo_mpeg4_etapa2:
    case kCodigo_mpeg4_abortado:
    case kCodigo_mpeg4_sin_fin:
    case kCodigo_mpeg4_sin_inicio:
      return Paso_actualizacion::mpeg4;
    default:
      return std::nullopt;
  }
}

}  // namespace r27
