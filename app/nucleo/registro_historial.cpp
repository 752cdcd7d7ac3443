// A run as the history keeps it.
#include "app/nucleo/registro_historial.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "app/nucleo/pasos_actualizacion.h"
#include "app/nucleo/texto_utf8.h"
#include "app/nucleo/version_programa.h"

namespace r27 {

namespace {

// The history keeps durations to the millisecond.
double Milisegundos(double s) { return std::round(s * 1000.0) / 1000.0; }

const char* Clave_estado(Estado_paso estado) {
  switch (estado) {
    case Estado_paso::no_ejecutado:
      return "not-run";
    case Estado_paso::hecho:
      return "done";
    case Estado_paso::fallido:
      return "failed";
    case Estado_paso::cancelado:
      break;
  }
  return "cancelled";
}

Registro_historial Registro_base(const std::string& puerto,
                                 const std::optional<Ficha_medidor>& antes) {
  Registro_historial r;
  r.hora = Hora_local_iso();
  r.version_programa = Version_programa();
  r.puerto = puerto;
  if (antes) r.antes = Identidad_de_ficha(*antes);
  return r;
}

}  // namespace

Identidad_registrada Identidad_de_ficha(const Ficha_medidor& f) {
  Identidad_registrada i;
  i.familia = Texto_utf8(f.familia);
  i.region = Texto_utf8(f.region);
  i.version = Texto_utf8(Version_completa_de_ficha(f));
  i.modo_arranque = f.modo_arranque;
  i.fpga = Texto_fpga(f);
  if (Mpeg4_contesto(f.mpeg4))
    i.mpeg4 = Mpeg4_registrado{f.mpeg4.version_aplicacion, f.mpeg4.build_aplicacion,
                               f.mpeg4.version_decoders, f.mpeg4.version_boot};
  i.idioma = f.idioma;
  return i;
}

Clase_registro Registro_historial::Clase() const {
  if (resultado == "failed") return Clase_registro::fallida;
  if (resultado == "updated" || resultado == "nothing-needed" || resultado == "checked")
    return Clase_registro::correcta;
  return Clase_registro::incompleta;
}

std::optional<Ficha_medidor> Ficha_despues(const std::optional<Ficha_medidor>& antes,
                                           const Desenlace_actualizacion& d) {
  if (d.comprobacion.hecha) {
    // A meter that did not come back was not read.
    if (!d.comprobacion.ficha.conectado) return std::nullopt;
    return d.comprobacion.ficha;
  }
  if (d.Alguno_ejecutado()) return std::nullopt;
  return antes;
}

const char* Palabra_desenlace(const Desenlace_actualizacion& d) {
  if (!d.fallida) return "updated";
  return d.cancelada ? "cancelled" : "failed";
}

Registro_historial Registro_de_actualizacion(const std::string& puerto,
                                             const std::optional<Ficha_medidor>& antes,
                                             const Desenlace_actualizacion& d) {
  Registro_historial r = Registro_base(puerto, antes);
  r.resultado = Palabra_desenlace(d);
  r.codigo_resultado = d.codigo;
  if (d.motivo) r.motivo = Texto_utf8(d.motivo->Texto());
  r.desconectado = d.desconectado;
  if (const std::optional<Ficha_medidor> despues = Ficha_despues(antes, d))
    r.despues = Identidad_de_ficha(*despues);
  for (const Desenlace_paso& p : d.pasos)
    r.pasos.push_back({Clave_paso(p.paso), Clave_estado(p.estado), Milisegundos(p.duracion_s),
                       p.fallo ? Texto_utf8(p.fallo->Texto()) : std::string()});
  if (d.comprobacion.hecha)
    r.comprobacion =
        Comprobacion_registrada{d.comprobacion.probada, Milisegundos(d.comprobacion.duracion_s)};
  for (Paso_actualizacion p : d.pendientes) r.pendientes.emplace_back(Clave_paso(p));
  return r;
}

Registro_historial Registro_sin_actualizacion(const std::string& puerto,
                                              const std::optional<Ficha_medidor>& antes,
                                              const std::string& resultado) {
  Registro_historial r = Registro_base(puerto, antes);
  r.resultado = resultado;
  r.despues = r.antes;  // nothing was written
  return r;
}

std::string Hora_local_iso() {
  // localtime and gmtime share one buffer of the C library: one caller at a time.
  static std::mutex mutex;
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  std::tm utc{};
  {
    const std::lock_guard<std::mutex> cerrojo(mutex);
    local = *std::localtime(&t);
    utc = *std::gmtime(&t);
  }
  // The offset from the two broken-down times of the same instant.
  int dias = 0;
  if (local.tm_year != utc.tm_year)
    dias = local.tm_year > utc.tm_year ? 1 : -1;
  else
    dias = local.tm_yday - utc.tm_yday;
  const int minutos =
      dias * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
  const int absolutos = minutos < 0 ? -minutos : minutos;
  char texto[96];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, minutos < 0 ? '-' : '+', absolutos / 60, absolutos % 60);
  return texto;
}

}  // namespace r27
