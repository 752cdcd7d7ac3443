// The history as text and CSV.
#include "app/nucleo/tabla_historial.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>

namespace r27 {

namespace {

std::string Numero(double valor) {
  char texto[48];
  std::snprintf(texto, sizeof texto, "%.3f", valor);
  return texto;
}

std::string Unir(const std::vector<std::string>& partes, const char* separador) {
  std::string r;
  for (size_t i = 0; i < partes.size(); ++i) r += (i ? separador : "") + partes[i];
  return r;
}

std::string Texto_mpeg4(const Identidad_registrada& i) {
  if (!i.mpeg4) return {};
  // "132/0": a spreadsheet reads "132.0" as the number 132.
  return std::to_string(i.mpeg4->aplicacion) + "/" + std::to_string(i.mpeg4->build);
}

// A cell as CSV: quoted when it holds a separator, a quote or a line end; a
// leading =, +, - or @ (a formula to a spreadsheet) made text with a quote.
std::string Celda_csv(std::string t) {
  if (!t.empty() && (t[0] == '=' || t[0] == '+' || t[0] == '-' || t[0] == '@')) t = "'" + t;
  if (t.find_first_of(",\"\r\n") == std::string::npos) return t;
  std::string r = "\"";
  for (char c : t) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + "\"";
}

struct Columna_csv {
  std::string clave;
  std::function<std::string(const Registro_historial&)> valor;
};

using Valor_identidad = std::string (*)(const Identidad_registrada&);

// The identity columns of one side: "before_family", ... or "after_family", ...
void Columnas_identidad(std::vector<Columna_csv>& columnas, const std::string& lado,
                        std::optional<Identidad_registrada> Registro_historial::*identidad) {
  struct Campo {
    const char* nombre;
    Valor_identidad valor;
  };
  static const Campo kCampos[] = {
      {"family", [](const Identidad_registrada& i) { return i.familia; }},
      {"region", [](const Identidad_registrada& i) { return i.region; }},
      {"version", [](const Identidad_registrada& i) { return i.version; }},
      {"boot_stage",
       [](const Identidad_registrada& i) { return std::string(i.modo_arranque ? "yes" : "no"); }},
      {"fpga", [](const Identidad_registrada& i) { return i.fpga; }},
      {"mpeg4", Texto_mpeg4},
      {"language", [](const Identidad_registrada& i) { return std::to_string(i.idioma); }},
  };
  for (const Campo& c : kCampos) {
    const Valor_identidad valor = c.valor;
    columnas.push_back({lado + c.nombre, [identidad, valor](const Registro_historial& r) {
                          const std::optional<Identidad_registrada>& i = r.*identidad;
                          return i ? valor(*i) : std::string();
                        }});
  }
}

std::vector<Columna_csv> Columnas_csv() {
  std::vector<Columna_csv> c = {
      {"time", [](const Registro_historial& r) { return r.hora; }},
      {"program", [](const Registro_historial& r) { return r.programa; }},
      {"program_version", [](const Registro_historial& r) { return r.version_programa; }},
      {"port", [](const Registro_historial& r) { return r.puerto; }},
      {"path", [](const Registro_historial& r) { return r.ruta; }},
      {"outcome", [](const Registro_historial& r) { return r.resultado; }},
      {"result_code",
       [](const Registro_historial& r) { return std::to_string(r.codigo_resultado); }},
      {"reason", [](const Registro_historial& r) { return r.motivo; }},
      {"proven", Texto_probada},
      {"check_s",
       [](const Registro_historial& r) {
         return r.comprobacion ? Numero(r.comprobacion->duracion_s) : std::string();
       }},
      {"duration_s", [](const Registro_historial& r) { return Numero(r.duracion_s); }},
      {"disconnected",
       [](const Registro_historial& r) { return std::string(r.desconectado ? "yes" : "no"); }},
      {"steps",
       [](const Registro_historial& r) {
         std::vector<std::string> partes;
         for (const Paso_registrado& p : r.pasos)
           partes.push_back(p.paso + "=" + p.estado + " " + Numero(p.duracion_s) + "s");
         return Unir(partes, "; ");
       }},
      {"still_to_do", [](const Registro_historial& r) { return Unir(r.pendientes, " "); }},
      {"trace", [](const Registro_historial& r) { return r.traza; }},
  };
  Columnas_identidad(c, "before_", &Registro_historial::antes);
  Columnas_identidad(c, "after_", &Registro_historial::despues);
  return c;
}

}  // namespace

std::string Texto_hora(const Registro_historial& r) {
  std::string t = r.hora.substr(0, 19);
  if (t.size() > 10 && t[10] == 'T') t[10] = ' ';
  return t;
}

std::string Texto_identidad_breve(const std::optional<Identidad_registrada>& identidad) {
  if (!identidad) return {};
  const Identidad_registrada& i = *identidad;
  std::vector<std::string> partes;
  for (const std::string* p : {&i.familia, &i.region})
    if (!p->empty()) partes.push_back(*p);
  if (!i.version.empty()) partes.push_back(i.version);
  if (!i.fpga.empty()) partes.push_back("FPGA " + i.fpga);
  if (i.mpeg4) partes.push_back("MPEG-4 " + std::to_string(i.mpeg4->aplicacion));
  return Unir(partes, " ");
}

Palabras_tabla Palabras_de(const Textos_historial& t) {
  Palabras_tabla p;
  p.cabecera = t.cabeceras;
  p.si = t.si;
  p.no = t.no;
  p.fallido = t.fallido;
  p.resultado = [t](const std::string& palabra) { return t.Desenlace(palabra); };
  p.paso = [t](const std::string& clave) { return t.Paso(clave); };
  return p;
}

std::string Texto_pasos_registrados(const Registro_historial& r, const Palabras_tabla& p) {
  std::vector<std::string> partes;
  for (const Paso_registrado& paso : r.pasos) {
    const std::string nombre = p.paso ? p.paso(paso.paso) : paso.paso;
    if (paso.estado == "done")
      partes.push_back(nombre);
    else if (paso.estado == "failed")
      partes.push_back(nombre + " (" + p.fallido + ")");
  }
  return Unir(partes, ", ");
}

std::string Texto_probada(const Registro_historial& r) {
  if (!r.comprobacion) return {};
  return r.comprobacion->probada ? "yes" : "no";
}

namespace {

// Characters shown, not bytes: UTF-8 continuation bytes take no column.
size_t Ancho(std::string_view texto) {
  size_t n = 0;
  for (char c : texto) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The first `n` characters of `texto`.
std::string Principio(const std::string& texto, size_t n) {
  size_t i = 0;
  for (size_t vistos = 0; i < texto.size(); ++i) {
    if ((static_cast<unsigned char>(texto[i]) & 0xC0) != 0x80 && vistos++ == n) break;
  }
  return texto.substr(0, i);
}

// `texto` in at most `ancho` characters: a longer one keeps its first whole
// words and ends in "…" (a single word too long is cut inside).
std::string Cortar(const std::string& texto, size_t ancho) {
  if (Ancho(texto) <= ancho) return texto;
  std::string cabe = Principio(texto, ancho - 1);
  const size_t blanco = cabe.rfind(' ');
  if (blanco != std::string::npos && blanco > 0) cabe.resize(blanco);
  while (!cabe.empty() && (cabe.back() == ' ' || cabe.back() == ',' || cabe.back() == ':'))
    cabe.pop_back();
  return cabe + "\u2026";
}

// `texto` in lines of at most `ancho` characters, broken at blanks (a word
// longer than a line is cut), each after `sangria`.
std::string Partir(const std::string& texto, const std::string& sangria, size_t ancho) {
  const size_t sitio = ancho - Ancho(sangria);
  std::string r, linea;
  size_t desde = 0;
  while (desde <= texto.size()) {
    size_t blanco = texto.find(' ', desde);
    if (blanco == std::string::npos) blanco = texto.size();
    const std::string palabra = texto.substr(desde, blanco - desde);
    desde = blanco + 1;
    if (!linea.empty() && Ancho(linea) + 1 + Ancho(palabra) > sitio) {
      r += sangria + linea + "\n";
      linea.clear();
    }
    linea += (linea.empty() ? "" : " ") + palabra;
    while (Ancho(linea) > sitio) {
      r += sangria + Principio(linea, sitio) + "\n";
      linea = linea.substr(Principio(linea, sitio).size());
    }
  }
  if (!linea.empty()) r += sangria + linea + "\n";
  return r;
}

// Rows of cells as aligned lines, the last cell unpadded.
std::string Alinear(const std::vector<std::vector<std::string>>& filas,
                    const std::vector<std::string>& debajo) {
  std::vector<size_t> anchos(filas.front().size(), 0);
  for (const auto& f : filas)
    for (size_t c = 0; c < f.size(); ++c) anchos[c] = std::max(anchos[c], Ancho(f[c]));
  std::string t;
  for (size_t i = 0; i < filas.size(); ++i) {
    std::string linea;
    for (size_t c = 0; c < filas[i].size(); ++c) {
      linea += filas[i][c];
      if (c + 1 < filas[i].size()) linea += std::string(anchos[c] - Ancho(filas[i][c]) + 2, ' ');
    }
    while (!linea.empty() && linea.back() == ' ') linea.pop_back();
    t += linea + "\n" + debajo[i];
  }
  return t;
}

// The short table's columns (time, port, before, after, outcome, code, proven)
// and the widest each may be, unless its heading is wider: 16 + 9 + 10 + 10 +
// 40 + 6 + 10 characters and the blanks between them fit kAncho_tabla_historial.
constexpr std::array<size_t, 7> kColumnas_cortas = {0, 1, 2, 3, 5, 6, 7};
constexpr std::array<size_t, 7> kAnchos_cortos = {16, 9, 10, 10, 40, 6, 10};

}  // namespace

std::string Tabla_historial(const std::vector<Registro_historial>& registros,
                            const Palabras_tabla& p, bool largo) {
  const auto como = [](const std::function<std::string(const std::string&)>& f,
                       const std::string& texto) { return f ? f(texto) : texto; };
  std::vector<std::vector<std::string>> filas;
  std::vector<std::string> debajo;
  if (largo) {
    filas.push_back({p.cabecera.begin(), p.cabecera.end()});
  } else {
    filas.emplace_back();
    for (size_t c : kColumnas_cortas) filas.back().push_back(p.cabecera[c]);
  }
  debajo.emplace_back();
  for (const Registro_historial& r : registros) {
    const std::string probada =
        !r.comprobacion ? std::string() : (r.comprobacion->probada ? p.si : p.no);
    const std::string motivo = como(p.motivo, r.motivo);
    if (largo) {
      filas.push_back({Texto_hora(r), r.puerto, Texto_identidad_breve(r.antes),
                       Texto_identidad_breve(r.despues), Texto_pasos_registrados(r, p),
                       como(p.resultado, r.resultado), std::to_string(r.codigo_resultado), probada,
                       motivo});
      debajo.emplace_back();
      continue;
    }
    filas.push_back({Texto_hora(r).substr(0, 16), r.puerto, r.antes ? r.antes->version : "",
                     r.despues ? r.despues->version : "", como(p.resultado, r.resultado),
                     std::to_string(r.codigo_resultado), probada});
    // The steps and the reason, often long, whole on the lines below the run.
    std::string bajo;
    if (const std::string pasos = Texto_pasos_registrados(r, p); !pasos.empty())
      bajo += Partir(p.cabecera[4] + ": " + pasos, "  ", kAncho_tabla_historial);
    if (!motivo.empty())
      bajo += Partir(p.cabecera[8] + ": " + motivo, "  ", kAncho_tabla_historial);
    debajo.push_back(bajo);
  }
  if (!largo)
    for (auto& f : filas)
      for (size_t c = 0; c < f.size(); ++c)
        f[c] = Cortar(f[c], std::max(kAnchos_cortos[c], Ancho(filas.front()[c])));
  return Alinear(filas, debajo);
}

std::string Csv_historial(const std::vector<Registro_historial>& registros) {
  const std::vector<Columna_csv> columnas = Columnas_csv();
  std::string t;
  for (size_t c = 0; c < columnas.size(); ++c) t += (c ? "," : "") + columnas[c].clave;
  t += "\n";
  for (const Registro_historial& r : registros) {
    for (size_t c = 0; c < columnas.size(); ++c)
      t += (c ? "," : "") + Celda_csv(columnas[c].valor(r));
    t += "\n";
  }
  return t;
}

}  // namespace r27
