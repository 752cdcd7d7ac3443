// Reading the command line and the --help text.
#include "app/linea/opciones_linea.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "app/linea/codigos_salida.h"
#include "app/linea/mensajes_linea.h"
#include "app/nucleo/eleccion_planes.h"
#include "link/directorio_puertos_mapa.h"

namespace r27 {

namespace {

bool Empieza_sin_mayusculas(std::string_view texto, std::string_view prefijo) {
  if (texto.size() < prefijo.size()) return false;
  for (size_t i = 0; i < prefijo.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(texto[i])) != prefijo[i]) return false;
  return true;
}

// `texto` broken into lines of at most `ancho` characters at blanks, every line
// but the first indented by `sangria` blanks.
std::string Partir(std::string_view texto, size_t sangria, size_t ancho) {
  std::string r;
  size_t columna = sangria;
  while (!texto.empty()) {
    const size_t fin = texto.find(' ');
    const std::string_view palabra = texto.substr(0, fin);
    texto = fin == std::string_view::npos ? std::string_view{} : texto.substr(fin + 1);
    const size_t ancho_palabra = Ancho_texto(palabra);
    if (columna > sangria && columna + 1 + ancho_palabra > ancho) {
      r += "\n" + std::string(sangria, ' ');
      columna = sangria;
    } else if (columna > sangria) {
      r += ' ';
      ++columna;
    }
    r += palabra;
    columna += ancho_palabra;
  }
  return r;
}

// The step keys --pasos takes, in the order the update runs its steps.
constexpr std::string_view kClaves_pasos = "zona,borrado,fpga,firmware,mpeg4,teclado,planes";

}  // namespace

std::optional<Puerto_pedido> Interpretar_puerto(std::string_view texto) {
  // The Win32 device name of a port is accepted as its COM name.
  if (texto.substr(0, 4) == "\\\\.\\") texto.remove_prefix(4);
  if (Empieza_sin_mayusculas(texto, "COM") && texto.size() > 3) {
    int numero = 0;
    for (char c : texto.substr(3)) {
      if (c < '0' || c > '9') return std::nullopt;
      numero = numero * 10 + (c - '0');
      if (numero > kMayor_numero_com) return std::nullopt;
    }
    if (numero < 1) return std::nullopt;
    return Puerto_pedido{numero, {}};
  }
  if (!texto.empty() && (texto[0] == '/' || texto[0] == '.'))
    return Puerto_pedido{0, std::string(texto)};
  return std::nullopt;
}

Eleccion_idioma Buscar_eleccion_idioma(const std::vector<std::string_view>& argumentos) {
  Eleccion_idioma e;
  for (size_t i = 0; i + 1 < argumentos.size(); ++i) {
    if (argumentos[i] == "--idiomas")
      e.idiomas = argumentos[++i];
    else if (argumentos[i] == "--idioma")
      e.idioma = argumentos[++i];
  }
  return e;
}

Lectura_opciones Leer_opciones(const std::vector<std::string_view>& argumentos,
                               const Idioma_linea& t) {
  Lectura_opciones r;
  Opciones_linea& o = r.opciones;
  for (size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view a = argumentos[i];
    auto valor = [&](std::string_view& destino) {
      if (i + 1 >= argumentos.size()) {
        r.error = t(kTl_necesita_valor, {a});
        return false;
      }
      destino = argumentos[++i];
      return true;
    };
    std::string_view v;
    if (a == "--help" || a == "-h") {
      o.ayuda = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--si") {
      o.si = true;
    } else if (a == "--solo-comprobar") {
      o.solo_comprobar = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--puerto") {
      if (!valor(v)) return r;
      const std::optional<Puerto_pedido> puerto = Interpretar_puerto(v);
      if (!puerto) {
        r.error = t(kTl_puerto_invalido, {v});
        return r;
      }
      o.puertos.push_back(*puerto);
    } else if (a == "--todos") {
      o.todos = true;
    } else if (a == "--traza") {
      if (!valor(v)) return r;
      if (v.empty()) {
        r.error = t(kTl_traza_sin_nombre);
        return r;
      }
      o.traza = v;
    } else if (a == "--idiomas") {
      if (!valor(v)) return r;
      o.idiomas = v;
    } else if (a == "--idioma") {
      if (!valor(v)) return r;
      o.idioma = v;
    } else if (a == "--servicio") {
      o.servicio = true;
    } else if (a == "--pasos") {
      if (!valor(v)) return r;
      std::vector<Paso_actualizacion> pasos;
      for (size_t desde = 0; desde <= v.size();) {
        const size_t coma = std::min(v.find(',', desde), v.size());
        const std::string_view clave = v.substr(desde, coma - desde);
        const std::optional<Paso_actualizacion> paso = Paso_de_clave(clave);
        if (!paso) {
          r.error = t(kTl_paso_desconocido, {clave, kClaves_pasos});
          return r;
        }
        pasos.push_back(*paso);
        desde = coma + 1;
      }
      o.pasos = std::move(pasos);
    } else if (a == "--plan") {
      if (!valor(v)) return r;
      int n = -1;
      const auto [fin, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
      if (ec != std::errc{} || fin != v.data() + v.size() || n < 0 || n >= kConjuntos_elegibles) {
        r.error = t(kTl_plan_invalido, {v, std::to_string(kConjuntos_elegibles - 1)});
        return r;
      }
      o.plan = n;
    } else if (a == "--historial") {
      o.historial = true;
    } else if (a == "--csv") {
      o.csv = true;
    } else if (a == "--largo") {
      o.largo = true;
    } else {
      r.error = t(kTl_opcion_desconocida, {a});
      return r;
    }
  }
  if (o.pasos && !o.servicio) r.error = t(kTl_pasos_sin_servicio);
  if (o.csv && !o.historial) r.error = t(kTl_csv_sin_historial);
  if (o.largo && !o.historial) r.error = t(kTl_largo_sin_historial);
  if (o.csv && o.json) r.error = t(kTl_csv_y_json);
  if (o.todos && !o.puertos.empty()) r.error = t(kTl_todos_con_puerto);
  // Several meters cannot share the terminal's questions.
  if (Varios_medidores(o) && !o.si && !o.solo_comprobar && r.error.empty())
    r.error = t(o.todos ? kTl_todos_sin_si : kTl_puertos_sin_si);
  return r;
}

std::string Texto_ayuda(std::string_view programa, const Idioma_linea& t,
                        const std::string& version_firmware) {
  const std::string fichero = t(kTl_meta_fichero);
  const std::string lista = t(kTl_meta_lista);
  const std::string idioma = t(kTl_meta_idioma);
  std::string idiomas;
  for (const char* s : kIdiomas_incorporados)
    idiomas += std::string(idiomas.empty() ? "" : ", ") + s;
  struct Opcion {
    std::string sintaxis;
    std::string texto;
  };
  const Opcion opciones[] = {
      {"--puerto " + t(kTl_meta_puerto), t(kTl_ayuda_puerto)},
      {"--todos", t(kTl_ayuda_todos)},
      {"--si", t(kTl_ayuda_si)},
      {"--solo-comprobar", t(kTl_ayuda_solo_comprobar)},
      {"--json", t(kTl_ayuda_json)},
      {"--traza " + fichero, t(kTl_ayuda_traza, {fichero})},
      {"--idiomas " + fichero, t(kTl_ayuda_idiomas)},
      {"--idioma " + idioma, t(kTl_ayuda_idioma, {idiomas})},
      {"--servicio", t(kTl_ayuda_servicio)},
      {"--pasos " + lista, t(kTl_ayuda_pasos, {kClaves_pasos})},
      {"--plan N", t(kTl_ayuda_plan, {t.Asistente().menu.MenuPlanes})},
      {"--historial", t(kTl_ayuda_historial)},
      {"--csv", t(kTl_ayuda_csv)},
      {"--largo", t(kTl_ayuda_largo)},
      {"--version",
       t(kTl_ayuda_version) + (version_firmware.empty() ? "" : " (" + version_firmware + ")")},
      {"--help", t(kTl_ayuda_ayuda)},
  };
  constexpr size_t kAncho = 80;
  size_t columna = 0;
  for (const Opcion& o : opciones) columna = std::max(columna, Ancho_texto(o.sintaxis));
  columna += 4;  // two blanks before the option, two after the longest

  std::string texto = t(kTl_uso, {programa}) + "\n" + t(kTl_uso_historial, {programa}) + "\n\n";
  texto += Partir(t(kTl_ayuda_descripcion), 0, kAncho) + "\n\n";
  texto += t(kTl_ayuda_opciones) + "\n";
  for (const Opcion& o : opciones)
    texto += "  " + Columna(o.sintaxis, columna - 2) + Partir(o.texto, columna, kAncho) + "\n";
  texto += "\n" + Partir(t(kTl_ayuda_confirmaciones, {t(kTl_pregunta)}), 0, kAncho) + "\n\n";
  texto += t(kTl_ayuda_codigos) + "\n";
  for (const Descripcion_salida& d : kDescripciones_salida) {
    std::string codigo = std::to_string(d.desde);
    if (d.hasta != d.desde) codigo += "-" + std::to_string(d.hasta);
    codigo.resize(7, ' ');
    texto += "  " + codigo + Partir(t(*d.texto), 9, kAncho) + "\n";
  }
  return texto;
}

std::string Texto_version_linea(std::string_view programa, std::string_view version_programa,
                                const std::string& version_firmware, const Idioma_linea& t) {
  // "3.01.00000", as the meter's identity and the history write it.
  return std::string(programa) + " " + std::string(version_programa) + "\n" +
         t(kTl_version_firmware, {version_firmware}) + "\n";
}

}  // namespace r27
