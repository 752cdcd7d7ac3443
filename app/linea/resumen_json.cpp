// The --json summary, through nlohmann json.
#include "app/linea/resumen_json.h"

#include <cmath>

#include "app/nucleo/json_historial.h"
#include "app/nucleo/registro_historial.h"
#include "app/nucleo/texto_utf8.h"

namespace r27 {

namespace {

// Durations to the millisecond.
double Milisegundos(double s) { return std::round(s * 1000.0) / 1000.0; }

Json Texto_o_nulo(const std::string& texto) {
  return texto.empty() ? Json() : Json(Texto_utf8(texto));
}

Json Identidad_o_nulo(const std::optional<Ficha_medidor>& ficha) {
  return ficha ? Json_de_identidad(Identidad_de_ficha(*ficha)) : Json();
}

}  // namespace

std::string Cadena_json(std::string_view texto) { return Texto_json(Json(Texto_utf8(texto))); }

std::string Json_identidad(const Ficha_medidor& ficha) {
  return Texto_json(Json_de_identidad(Identidad_de_ficha(ficha)));
}

std::string Json_resumen(const Resumen_linea& s) {
  Json j;
  j["port"] = s.puerto > 0 ? Json("COM" + std::to_string(s.puerto)) : Json();
  j["path"] = Texto_o_nulo(s.ruta);
  j["outcome"] = s.resultado;
  j["identity_before"] = Identidad_o_nulo(s.antes);
  j["identity_after"] = Identidad_o_nulo(s.despues);
  Json pasos = Json::array();
  for (const Paso_resumen& p : s.pasos) {
    Json paso;
    paso["name"] = p.nombre;
    paso["ran"] = p.ejecutado;
    paso["ok"] = p.correcto;
    paso["state"] = p.estado;
    paso["duration_s"] = Milisegundos(p.duracion_s);
    paso["reason"] = Texto_o_nulo(p.motivo);
    pasos.push_back(std::move(paso));
  }
  j["steps"] = std::move(pasos);
  if (s.comprobacion) {
    Json c;
    c["proven"] = s.comprobacion->probada;
    c["duration_s"] = Milisegundos(s.comprobacion->duracion_s);
    j["check"] = std::move(c);
  } else {
    j["check"] = nullptr;
  }
  j["result_code"] = s.codigo_resultado;
  j["exit_code"] = s.codigo_salida;
  j["duration_s"] = Milisegundos(s.duracion_s);
  j["reason"] = Texto_o_nulo(s.motivo);
  Json pendientes = Json::array();
  for (const std::string& p : s.pendientes) pendientes.push_back(Texto_utf8(p));
  j["still_to_do"] = std::move(pendientes);
  j["disconnected"] = s.desconectado;
  j["warning"] = Texto_o_nulo(s.aviso);
  return Texto_json(j);
}

}  // namespace r27
