// The steps the ticks select, and the step behind a result code.
#include "app/nucleo/pasos_actualizacion.h"

#include <array>
#include <utility>

#include "app/nucleo/actualizacion.h"
#include "app/nucleo/idiomas.h"
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

namespace {

constexpr std::array<std::pair<Paso_actualizacion, const char*>, 7> kClaves{{
    {Paso_actualizacion::teclado, "teclado"},
    {Paso_actualizacion::borrado, "borrado"},
    {Paso_actualizacion::planes, "planes"},
    {Paso_actualizacion::zona, "zona"},
    {Paso_actualizacion::fpga, "fpga"},
    {Paso_actualizacion::firmware, "firmware"},
    {Paso_actualizacion::mpeg4, "mpeg4"},
}};

}  // namespace

bool Estado_ventana::*Tick_de_paso(Paso_actualizacion paso) {
  switch (paso) {
    case Paso_actualizacion::teclado:
      return &Estado_ventana::Check_teclado;
    case Paso_actualizacion::borrado:
      return &Estado_ventana::Check_borrar;
    case Paso_actualizacion::planes:
      return &Estado_ventana::Check_planes;
    case Paso_actualizacion::zona:
      return &Estado_ventana::Check_configuracion;
    case Paso_actualizacion::fpga:
      return &Estado_ventana::Check_fpga;
    case Paso_actualizacion::firmware:
      return &Estado_ventana::Check_firmware;
    case Paso_actualizacion::mpeg4:
      break;
  }
  return &Estado_ventana::Check_mpeg4_apl;
}

void Elegir_pasos(Estado_ventana& estado, const std::vector<Paso_actualizacion>& pasos) {
  for (const auto& [paso, clave] : kClaves) estado.*Tick_de_paso(paso) = false;
  for (Paso_actualizacion paso : pasos) estado.*Tick_de_paso(paso) = true;
}

const char* Clave_paso(Paso_actualizacion paso) {
  for (const auto& [p, clave] : kClaves)
    if (p == paso) return clave;
  return "";
}

std::optional<Paso_actualizacion> Paso_de_clave(std::string_view clave) {
  for (const auto& [p, c] : kClaves)
    if (clave == c) return p;
  return std::nullopt;
}

std::string Texto_pendientes(const std::vector<Paso_actualizacion>& pasos,
                             const Textos_historial& textos) {
  std::string lista;
  for (size_t i = 0; i < pasos.size(); ++i)
    lista += std::string(i ? ", " : "") + textos.Paso(Clave_paso(pasos[i]));
  return Rellenar(textos.pendiente, {lista});
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
    case kCodigo_teclado_abortado:
    case kCodigo_teclado_sin_conexion:
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
