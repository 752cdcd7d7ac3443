// Reading the command line and the --help text.
#include "app/linea/opciones_linea.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "app/linea/codigos_salida.h"
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
    if (columna > sangria && columna + 1 + palabra.size() > ancho) {
      r += "\n" + std::string(sangria, ' ');
      columna = sangria;
    } else if (columna > sangria) {
      r += ' ';
      ++columna;
    }
    r += palabra;
    columna += palabra.size();
  }
  return r;
}

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

Lectura_opciones Leer_opciones(const std::vector<std::string_view>& argumentos) {
  Lectura_opciones r;
  Opciones_linea& o = r.opciones;
  for (size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view a = argumentos[i];
    auto valor = [&](std::string_view& destino) {
      if (i + 1 >= argumentos.size()) {
        r.error = std::string(a) + " needs a value";
        return false;
      }
      destino = argumentos[++i];
      return true;
    };
    std::string_view v;
    if (a == "--help" || a == "-h") {
      o.ayuda = true;
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
        r.error = "--puerto: \"" + std::string(v) +
                  "\" is neither COM1..COM255 nor a device path such as /dev/ttyACM0";
        return r;
      }
      o.puertos.push_back(*puerto);
    } else if (a == "--todos") {
      o.todos = true;
    } else if (a == "--traza") {
      if (!valor(v)) return r;
      if (v.empty()) {
        r.error = "--traza needs a file name";
        return r;
      }
      o.traza = v;
    } else if (a == "--idiomas") {
      if (!valor(v)) return r;
      o.idiomas = v;
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
          r.error = "--pasos: \"" + std::string(clave) +
                    "\" is not a step (zona, borrado, fpga, firmware, mpeg4, teclado, planes)";
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
        r.error = "--plan: \"" + std::string(v) + "\" is not a channel-plan set (0.." +
                  std::to_string(kConjuntos_elegibles - 1) + ")";
        return r;
      }
      o.plan = n;
    } else if (a == "--historial") {
      o.historial = true;
    } else if (a == "--csv") {
      o.csv = true;
    } else {
      r.error = "unknown option \"" + std::string(a) + "\"";
      return r;
    }
  }
  if (o.pasos && !o.servicio) r.error = "--pasos needs --servicio";
  if (o.csv && !o.historial) r.error = "--csv needs --historial";
  if (o.todos && !o.puertos.empty()) r.error = "--todos searches every port: leave out --puerto";
  // Several meters cannot share the terminal's questions.
  if (Varios_medidores(o) && !o.si && !o.solo_comprobar && r.error.empty())
    r.error = std::string(o.todos ? "--todos" : "several --puerto") +
              " asks no question: add --si (or --solo-comprobar)";
  return r;
}

std::string Texto_ayuda(std::string_view programa) {
  std::string t;
  t += "Usage: " + std::string(programa) +
       " [--puerto COMn|PATH]... [--todos] [--si] [--solo-comprobar] [--json]\n"
       "       [--traza FILE]"
       " [--idiomas FILE] [--servicio [--pasos LIST]] [--plan N] [--help]\n"
       "       " +
       std::string(programa) +
       " --historial [--csv]\n"
       "\n"
       "Finds an R27 meter, prints what it holds and what an update would rewrite,\n"
       "asks for confirmation and updates it, as the window's wizard does.\n"
       "\n"
       "Options:\n"
       "  --puerto COMn|PATH  try only this port: a COM number, or a device path such as\n"
       "                      /dev/ttyACM0 (default: the automatic search); given more\n"
       "                      than once, those meters are updated at once\n"
       "  --todos             update every meter found on the search's ports, all at\n"
       "                      once (needs --si or --solo-comprobar)\n"
       "  --si                answer yes to both confirmations (time, erase)\n"
       "  --solo-comprobar    connect, identify, print what would be updated, write\n"
       "                      nothing\n"
       "  --json              print one JSON summary on stdout at the end (the other\n"
       "                      output goes to stderr)\n"
       "  --traza FILE        append the wire trace to FILE\n"
       "  --idiomas FILE      language file (default: idiomas.ini of the working\n"
       "                      directory or of the installation, else a built-in copy)\n"
       "  --servicio          service mode: the steps may be chosen with --pasos\n"
       "  --pasos LIST        (with --servicio) exactly these steps, comma-separated:\n"
       "                      zona,borrado,fpga,firmware,mpeg4,teclado,planes (the\n"
       "                      plans run only without the firmware)\n"
       "  --plan N            the channel-plan set 0..4 the plan step writes, as the\n"
       "                      menu \"Planes de canales\" chooses it\n"
       "  --historial         print the history of runs as a table (--csv: as CSV) and\n"
       "                      end; every run that reaches a meter is recorded there\n"
       "  --help              this text\n"
       "\n"
       "Without --si the confirmations are read from a terminal (y/n); when stdin is not\n"
       "a terminal the update is cancelled and nothing is written.\n"
       "\n"
       "Exit codes:\n";
  for (const Descripcion_salida& d : kDescripciones_salida) {
    std::string codigo = std::to_string(d.desde);
    if (d.hasta != d.desde) codigo += "-" + std::to_string(d.hasta);
    codigo.resize(7, ' ');
    t += "  " + codigo + Partir(d.texto, 9, 80) + "\n";
  }
  return t;
}

}  // namespace r27
