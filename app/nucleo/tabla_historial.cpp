// The history as text and CSV.
#include "app/nucleo/tabla_historial.h"

#include <algorithm>
#include <cstdio>
#include <functional>

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

std::string Texto_pasos_registrados(const Registro_historial& r) {
  std::vector<std::string> partes;
  for (const Paso_registrado& p : r.pasos) {
    if (p.estado == "done")
      partes.push_back(p.paso);
    else if (p.estado == "failed")
      partes.push_back(p.paso + "(failed)");
  }
  return Unir(partes, " ");
}

std::string Texto_probada(const Registro_historial& r) {
  if (!r.comprobacion) return {};
  return r.comprobacion->probada ? "yes" : "no";
}

std::string Tabla_historial(const std::vector<Registro_historial>& registros,
                            const Palabras_tabla& p) {
  const auto como = [](const std::function<std::string(const std::string&)>& f,
                       const std::string& texto) { return f ? f(texto) : texto; };
  std::vector<std::vector<std::string>> filas = {{p.cabecera.begin(), p.cabecera.end()}};
  for (const Registro_historial& r : registros) {
    std::vector<std::string> pasos;
    for (const Paso_registrado& paso : r.pasos) {
      if (paso.estado == "done")
        pasos.push_back(paso.paso);
      else if (paso.estado == "failed")
        pasos.push_back(paso.paso + "(" + p.fallido + ")");
    }
    const std::string probada =
        !r.comprobacion ? std::string() : (r.comprobacion->probada ? p.si : p.no);
    filas.push_back({Texto_hora(r), r.puerto, Texto_identidad_breve(r.antes),
                     Texto_identidad_breve(r.despues), Unir(pasos, " "),
                     como(p.resultado, r.resultado), std::to_string(r.codigo_resultado), probada,
                     como(p.motivo, r.motivo)});
  }
  // Characters shown, not bytes: UTF-8 continuation bytes take no column.
  const auto ancho = [](const std::string& texto) {
    size_t n = 0;
    for (char c : texto) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  std::vector<size_t> anchos(p.cabecera.size(), 0);
  for (const auto& f : filas)
    for (size_t c = 0; c < f.size(); ++c) anchos[c] = std::max(anchos[c], ancho(f[c]));
  std::string t;
  for (const auto& f : filas) {
    std::string linea;
    for (size_t c = 0; c < f.size(); ++c) {
      linea += f[c];
      // The reason, last, is not padded.
      if (c + 1 < f.size()) linea += std::string(anchos[c] - ancho(f[c]) + 2, ' ');
    }
    while (!linea.empty() && linea.back() == ' ') linea.pop_back();
    t += linea + "\n";
  }
  return t;
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
