// Records to JSON and back.
#include "app/nucleo/json_historial.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace r27 {

namespace {

Json Texto_o_nulo(const std::string& texto) { return texto.empty() ? Json() : Json(texto); }

// Durations are kept to the millisecond.
double Milisegundos(double s) { return std::round(s * 1000.0) / 1000.0; }

// A key's text: empty when the key is missing or null; a value of another type
// throws (the library's type error), and the line is no record.
std::string Cadena(const Json& j, const char* clave) {
  const auto it = j.find(clave);
  if (it == j.end() || it->is_null()) return {};
  return it->get<std::string>();
}

template <typename T>
T Valor(const Json& j, const char* clave, T defecto) {
  const auto it = j.find(clave);
  if (it == j.end() || it->is_null()) return defecto;
  return it->get<T>();
}

// A whole number that fits an int. The library would cast any number, and
// casting 1e40 to int is undefined: such a line is no record.
int Entero(const Json& v) {
  if (v.is_number_unsigned()) {
    const uint64_t n = v.get<uint64_t>();
    if (n <= static_cast<uint64_t>(std::numeric_limits<int>::max())) return static_cast<int>(n);
  } else if (v.is_number_integer()) {
    const int64_t n = v.get<int64_t>();
    if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
      return static_cast<int>(n);
  }
  throw std::runtime_error("not a whole number within range: " + v.dump());
}

// A duration: a number of seconds from 0 up to a few years. Anything else (a
// negative, an overflowing 1e308) is no duration a run can have.
double Segundos(const Json& j, const char* clave) {
  constexpr double kMayor_duracion_s = 1e9;
  const auto it = j.find(clave);
  if (it == j.end() || it->is_null()) return 0;
  const double s = it->get<double>();
  if (!(s >= 0 && s < kMayor_duracion_s))
    throw std::runtime_error(std::string(clave) + " out of range: " + it->dump());
  return s;
}

int Entero(const Json& j, const char* clave, int defecto) {
  const auto it = j.find(clave);
  if (it == j.end() || it->is_null()) return defecto;
  return Entero(*it);
}

Identidad_registrada Identidad_de_json(const Json& j) {
  Identidad_registrada i;
  i.familia = Cadena(j, "family");
  i.region = Cadena(j, "region");
  i.version = Cadena(j, "version");
  // Records written before the version took its build ("3.01" and "00000").
  if (const std::string build = Cadena(j, "build"); !build.empty()) i.version += "." + build;
  i.modo_arranque = Valor(j, "boot_stage", false);
  i.fpga = Cadena(j, "fpga");
  const auto m = j.find("mpeg4");
  if (m != j.end() && !m->is_null())
    i.mpeg4 = Mpeg4_registrado{Entero(m->at("application")), Entero(m->at("build")),
                               Entero(m->at("decoders")), Entero(m->at("boot"))};
  i.idioma = Entero(j, "language", 0);
  return i;
}

std::optional<Identidad_registrada> Identidad_opcional(const Json& j, const char* clave) {
  const auto it = j.find(clave);
  if (it == j.end() || it->is_null()) return std::nullopt;
  (void)it->get_ref<const Json::object_t&>();  // throws when it is no object
  return Identidad_de_json(*it);
}

}  // namespace

Json Json_de_identidad(const Identidad_registrada& i) {
  Json j;
  j["family"] = i.familia;
  j["region"] = i.region;
  j["version"] = i.version;
  j["boot_stage"] = i.modo_arranque;
  j["fpga"] = Texto_o_nulo(i.fpga);
  if (i.mpeg4) {
    Json m;
    m["application"] = i.mpeg4->aplicacion;
    m["build"] = i.mpeg4->build;
    m["decoders"] = i.mpeg4->decoders;
    m["boot"] = i.mpeg4->boot;
    j["mpeg4"] = std::move(m);
  } else {
    j["mpeg4"] = nullptr;
  }
  j["language"] = i.idioma;
  return j;
}

std::string Texto_json(const Json& valor) {
  return valor.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Linea_de_registro(const Registro_historial& r) {
  Json j;
  j["time"] = r.hora;
  j["program"] = r.programa;
  j["program_version"] = r.version_programa;
  j["port"] = Texto_o_nulo(r.puerto);
  j["path"] = Texto_o_nulo(r.ruta);
  j["outcome"] = r.resultado;
  j["result_code"] = r.codigo_resultado;
  j["reason"] = Texto_o_nulo(r.motivo);
  j["disconnected"] = r.desconectado;
  j["identity_before"] = r.antes ? Json_de_identidad(*r.antes) : Json();
  j["identity_after"] = r.despues ? Json_de_identidad(*r.despues) : Json();
  Json pasos = Json::array();
  for (const Paso_registrado& p : r.pasos) {
    Json s;
    s["step"] = p.paso;
    s["state"] = p.estado;
    s["duration_s"] = Milisegundos(p.duracion_s);
    s["reason"] = Texto_o_nulo(p.motivo);
    pasos.push_back(std::move(s));
  }
  j["steps"] = std::move(pasos);
  if (r.comprobacion) {
    Json c;
    c["proven"] = r.comprobacion->probada;
    c["duration_s"] = Milisegundos(r.comprobacion->duracion_s);
    j["check"] = std::move(c);
  } else {
    j["check"] = nullptr;
  }
  j["still_to_do"] = r.pendientes;
  j["duration_s"] = Milisegundos(r.duracion_s);
  j["trace"] = Texto_o_nulo(r.traza);
  return Texto_json(j);
}

std::optional<Registro_historial> Registro_de_linea(std::string_view linea, std::string& error) {
  const Json j = Json::parse(linea, nullptr, false);
  if (j.is_discarded()) {
    error = "not JSON";
    return std::nullopt;
  }
  if (!j.is_object() || !j.contains("time") || !j.contains("outcome")) {
    error = "not a record";
    return std::nullopt;
  }
  try {
    Registro_historial r;
    r.hora = j.at("time").get<std::string>();
    r.programa = Cadena(j, "program");
    r.version_programa = Cadena(j, "program_version");
    r.puerto = Cadena(j, "port");
    r.ruta = Cadena(j, "path");
    r.resultado = j.at("outcome").get<std::string>();
    r.codigo_resultado = Entero(j, "result_code", 0);
    r.motivo = Cadena(j, "reason");
    r.desconectado = Valor(j, "disconnected", false);
    r.antes = Identidad_opcional(j, "identity_before");
    r.despues = Identidad_opcional(j, "identity_after");
    if (const auto pasos = j.find("steps"); pasos != j.end() && !pasos->is_null()) {
      for (const Json& s : pasos->get_ref<const Json::array_t&>())
        r.pasos.push_back({s.at("step").get<std::string>(), s.at("state").get<std::string>(),
                           Segundos(s, "duration_s"), Cadena(s, "reason")});
    }
    if (const auto c = j.find("check"); c != j.end() && !c->is_null())
      r.comprobacion =
          Comprobacion_registrada{c->at("proven").get<bool>(), Segundos(*c, "duration_s")};
    r.pendientes = Valor(j, "still_to_do", std::vector<std::string>{});
    r.duracion_s = Segundos(j, "duration_s");
    r.traza = Cadena(j, "trace");
    return r;
  } catch (const std::exception& e) {
    // The library's type errors, and the whole numbers out of range.
    error = std::string("not a record: ") + e.what();
    return std::nullopt;
  }
}

}  // namespace r27
