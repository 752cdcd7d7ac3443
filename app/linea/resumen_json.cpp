// The --json summary, written by hand.
#include "app/linea/resumen_json.h"

#include <cstdint>
#include <cstdio>

#include "app/linea/identidad_linea.h"

namespace r27 {

namespace {

// Length of the valid UTF-8 sequence at `i`, or 0 when it is not one.
size_t Secuencia_utf8(std::string_view t, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
  const unsigned char c = b(i);
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

std::string Numero(double valor) {
  char texto[48];
  std::snprintf(texto, sizeof texto, "%.3f", valor);
  return texto;
}

std::string Booleano(bool b) { return b ? "true" : "false"; }

}  // namespace

std::string Cadena_json(std::string_view t) {
  std::string r = "\"";
  for (size_t i = 0; i < t.size();) {
    const auto c = static_cast<unsigned char>(t[i]);
    char escape[8];
    if (c == '"' || c == '\\') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\t') {
      r += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      r += escape;
    } else if (c >= 0x80) {
      const size_t n = Secuencia_utf8(t, i);
      if (n > 0) {
        r.append(t.substr(i, n));
        i += n;
        continue;
      }
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      r += escape;
    } else {
      r += static_cast<char>(c);
    }
    ++i;
  }
  return r + "\"";
}

std::string Json_identidad(const Ficha_medidor& f) {
  const std::string fpga = Texto_fpga(f);
  std::string r = "{";
  r += "\"family\":" + Cadena_json(f.familia);
  r += ",\"region\":" + Cadena_json(f.region);
  r += ",\"version\":" + Cadena_json(Version_de_ficha(f));
  r += ",\"build\":" + Cadena_json(Build_de_ficha(f));
  r += ",\"boot_stage\":" + Booleano(f.modo_arranque);
  r += ",\"fpga\":" + (fpga.empty() ? std::string("null") : Cadena_json(fpga));
  const Datos_mpeg4& m = f.mpeg4;
  if (Mpeg4_contesto(m)) {
    r += ",\"mpeg4\":{\"application\":" + std::to_string(m.version_aplicacion) +
         ",\"build\":" + std::to_string(m.build_aplicacion) +
         ",\"decoders\":" + std::to_string(m.version_decoders) +
         ",\"boot\":" + std::to_string(m.version_boot) + "}";
  } else {
    r += ",\"mpeg4\":null";
  }
  r += ",\"language\":" + std::to_string(f.idioma);
  return r + "}";
}

std::string Json_resumen(const Resumen_linea& s) {
  std::string r = "{";
  r += "\"port\":" + (s.puerto > 0 ? Cadena_json("COM" + std::to_string(s.puerto)) : "null");
  r += ",\"path\":" + (s.ruta.empty() ? std::string("null") : Cadena_json(s.ruta));
  r += ",\"outcome\":" + Cadena_json(s.resultado);
  r += ",\"identity_before\":" + (s.antes ? Json_identidad(*s.antes) : "null");
  r += ",\"identity_after\":" + (s.despues ? Json_identidad(*s.despues) : "null");
  r += ",\"steps\":[";
  for (size_t i = 0; i < s.pasos.size(); ++i) {
    const Paso_resumen& p = s.pasos[i];
    if (i > 0) r += ",";
    r += "{\"name\":" + Cadena_json(p.nombre) + ",\"ran\":" + Booleano(p.ejecutado) +
         ",\"ok\":" + Booleano(p.correcto) + ",\"state\":" + Cadena_json(p.estado) +
         ",\"duration_s\":" + Numero(p.duracion_s) +
         ",\"reason\":" + (p.motivo.empty() ? std::string("null") : Cadena_json(p.motivo)) + "}";
  }
  r += "]";
  r += ",\"check\":";
  if (s.comprobacion) {
    r += "{\"proven\":" + Booleano(s.comprobacion->probada) +
         ",\"duration_s\":" + Numero(s.comprobacion->duracion_s) + "}";
  } else {
    r += "null";
  }
  r += ",\"result_code\":" + std::to_string(s.codigo_resultado);
  r += ",\"exit_code\":" + std::to_string(s.codigo_salida);
  r += ",\"duration_s\":" + Numero(s.duracion_s);
  r += ",\"reason\":" + (s.motivo.empty() ? std::string("null") : Cadena_json(s.motivo));
  r += ",\"still_to_do\":[";
  for (size_t i = 0; i < s.pendientes.size(); ++i)
    r += (i ? "," : "") + Cadena_json(s.pendientes[i]);
  r += "]";
  return r + "}";
}

}  // namespace r27
