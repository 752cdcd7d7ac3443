// The language of the command line.
#include "app/linea/textos_linea.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/linea/mensajes_linea.h"
#include "incrustado/idiomas_ini.h"

namespace r27 {

namespace {

const Fichero_ini& Ini_incorporado() {
  static const Fichero_ini ini = Fichero_ini::Desde_texto(std::string_view(
      reinterpret_cast<const char*>(datos::idiomas_ini().data()), datos::idiomas_ini().size()));
  return ini;
}

std::string Mayusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

// The section of a language that holds the phrases of its failure reasons.
std::string Seccion_motivos(std::string_view seccion) { return std::string(seccion) + "_MOTIVOS"; }

// Whether a file holds the language `seccion`: the first wizard text is there.
bool Tiene_idioma(const Fichero_ini& ini, std::string_view seccion) {
  return !ini.Leer(seccion, kClaves_textos[0], "").empty();
}

bool Es_cifra(char c) { return c >= '0' && c <= '9'; }

// Characters of a value inside a failure's phrase: decimal and hex numbers,
// "0x" prefixes, version texts ("3.01.00000") and segment:offset pairs.
bool Es_de_valor(char c) {
  return Es_cifra(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') || c == 'x' || c == '.' ||
         c == ':';
}

// `frase` with every value (a number-like word, or a text in double quotes)
// replaced by '#', and the values in order. The catalogue of each language is
// keyed by such templates, so "la linea 12 no lo es" and "la linea 7 no lo es"
// share one translation, which puts the values back as {1}, {2}, ...
std::string Plantilla(std::string_view frase, std::vector<std::string>& valores) {
  std::string r;
  size_t i = 0;
  while (i < frase.size()) {
    const bool inicio_palabra = i == 0 || frase[i - 1] == ' ' || frase[i - 1] == '(';
    if (inicio_palabra && frase[i] == '"') {
      const size_t cierre = frase.find('"', i + 1);
      if (cierre != std::string_view::npos) {
        valores.emplace_back(frase.substr(i, cierre + 1 - i));
        r += '#';
        i = cierre + 1;
        continue;
      }
    }
    if (inicio_palabra) {
      size_t fin = i;
      while (fin < frase.size() && Es_de_valor(frase[fin])) ++fin;
      // A value never ends in the punctuation that follows it.
      while (fin > i && (frase[fin - 1] == '.' || frase[fin - 1] == ':')) --fin;
      bool con_cifra = false;
      for (size_t k = i; k < fin; ++k) con_cifra = con_cifra || Es_cifra(frase[k]);
      const bool cierra = fin == frase.size() || frase[fin] == ' ' || frase[fin] == ',' ||
                          frase[fin] == ')' || frase[fin] == ':' || frase[fin] == '.';
      if (con_cifra && cierra) {
        valores.emplace_back(frase.substr(i, fin - i));
        r += '#';
        i = fin;
        continue;
      }
    }
    r += frase[i++];
  }
  return r;
}

// `traduccion` with {1}, {2}, ... taken from `valores`.
std::string Con_valores(std::string_view traduccion, const std::vector<std::string>& valores) {
  std::string r;
  for (size_t i = 0; i < traduccion.size(); ++i) {
    if (traduccion[i] == '{' && i + 2 < traduccion.size() && traduccion[i + 2] == '}' &&
        traduccion[i + 1] >= '1' && traduccion[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(traduccion[i + 1] - '1');
      if (n < valores.size()) {
        r += valores[n];
        i += 2;
        continue;
      }
    }
    r += traduccion[i];
  }
  return r;
}

}  // namespace

Idioma_linea::Idioma_linea(std::string_view seccion)
    : Idioma_linea(Fichero_ini{},
                   seccion.empty()
                       ? Ini_incorporado().Leer(kSeccion_comun, kClave_idioma, kIdioma_defecto)
                       : seccion) {}

Idioma_linea::Idioma_linea(Fichero_ini fichero, std::string_view seccion)
    : fichero_(std::move(fichero)) {
  const std::string elegida = seccion.empty()
                                  ? fichero_.Leer(kSeccion_comun, kClave_idioma, kIdioma_defecto)
                                  : std::string(seccion);
  asistente_ = Leer_idioma(fichero_, elegida);
  // A wizard text or notice the file lacks comes from the built-in copy, in the
  // same language when it has it, else in the default one.
  const Fichero_ini& ini = Ini_incorporado();
  const std::string& s = asistente_.seccion;
  const bool propio = Tiene_idioma(ini, s);
  for (size_t i = 0; i < kNumero_textos; ++i) {
    if (!asistente_.textos[i].empty()) continue;
    asistente_.textos[i] = ini.Leer(propio ? s : kIdioma_defecto, kClaves_textos[i], "");
  }
  for (const Aviso_de_textos& a : kAvisos_idioma) {
    const std::string del_fichero = fichero_.Leer(s, a.aviso->clave, "");
    if (del_fichero.empty()) asistente_.*a.campo = Leer(s, a.aviso->clave, a.aviso->defecto);
  }
  for (const Clave_menu& m : kClaves_menu) {
    if (fichero_.Leer(s, m.clave, "").empty())
      asistente_.menu.*m.campo = ini.Leer(s, m.clave, m.defecto);
  }
  asistente_.historial = Leer_textos_historial(
      [&](std::string_view clave, std::string_view defecto) { return Leer(s, clave, defecto); });
}

bool Idioma_linea::Existe(const Fichero_ini& fichero, std::string_view seccion) {
  return Tiene_idioma(fichero, seccion) || Tiene_idioma(Ini_incorporado(), seccion);
}

std::string Idioma_linea::Leer(std::string_view seccion, std::string_view clave,
                               std::string_view defecto) const {
  std::string v = fichero_.Leer(seccion, clave, "");
  if (v.empty()) v = Ini_incorporado().Leer(seccion, clave, "");
  if (v.empty()) v = defecto;
  return v;
}

std::string Idioma_linea::operator()(const Texto_linea& texto) const {
  return Leer(Seccion(), texto.clave, texto.defecto);
}

std::string Idioma_linea::operator()(const Texto_linea& texto,
                                     std::initializer_list<std::string_view> valores) const {
  return Rellenar((*this)(texto), valores);
}

std::string Idioma_linea::Frase_motivo(std::string_view frase) const {
  if (frase.empty()) return {};
  std::vector<std::string> valores;
  const std::string plantilla = Plantilla(frase, valores);
  if (const std::string t = Leer(Seccion_motivos(Seccion()), plantilla, ""); !t.empty())
    return Con_valores(t, valores);
  // "Enviar_bloque (relleno)": the request's name, and its detail translated.
  if (const size_t abre = frase.find(" ("); abre != std::string_view::npos && frase.back() == ')')
    return Frase_motivo(frase.substr(0, abre)) + " (" +
           Frase_motivo(frase.substr(abre + 2, frase.size() - abre - 3)) + ")";
  // A list ("firmware 3.01.00000, FPGA 0301..."): each item on its own.
  if (const size_t coma = frase.find(", "); coma != std::string_view::npos)
    return Frase_motivo(frase.substr(0, coma)) + ", " + Frase_motivo(frase.substr(coma + 2));
  return std::string(frase);
}

std::string Idioma_linea::Motivo(const Fallo& f) const {
  const std::string llegado = f.llegado.empty() ? std::string(Texto_llegada(f.llegada)) : f.llegado;
  return (*this)(kTl_fallo,
                 {Frase_motivo(f.peticion), Frase_motivo(f.esperado), Frase_motivo(llegado)});
}

std::string Idioma_linea::Motivo_de_texto(const std::string& texto) const {
  // The shape Fallo::Texto gives: request, ": esperaba ", awaited, ", llego ", came.
  constexpr std::string_view kEsperaba = ": esperaba ";
  constexpr std::string_view kLlego = ", llego ";
  const size_t esperaba = texto.find(kEsperaba);
  const size_t llego = texto.rfind(kLlego);
  if (esperaba == std::string::npos || llego == std::string::npos || llego < esperaba) return texto;
  Fallo f;
  f.peticion = texto.substr(0, esperaba);
  f.esperado = texto.substr(esperaba + kEsperaba.size(), llego - esperaba - kEsperaba.size());
  f.llegado = texto.substr(llego + kLlego.size());
  return Motivo(f);
}

Carga_idioma Cargar_idioma_linea(const std::string& ruta, const std::string& idioma) {
  Carga_idioma c;
  const std::filesystem::path fichero = ruta.empty() ? Ruta_idiomas() : std::filesystem::path(ruta);
  std::error_code ec;
  const bool existe = std::filesystem::is_regular_file(fichero, ec);
  // No file where the window looks: the built-in copy, in its own language.
  Fichero_ini ini = existe ? Fichero_ini::Desde_fichero(fichero)
                           : (ruta.empty() ? Ini_incorporado() : Fichero_ini{});
  const std::string pedido = Mayusculas(idioma);
  const bool pedido_existe = pedido.empty() || Idioma_linea::Existe(ini, pedido);
  c.idioma = Idioma_linea(std::move(ini), pedido_existe ? pedido : std::string());
  if (!existe && ruta.empty()) c.aviso = c.idioma(kTl_sin_fichero_idiomas, {fichero.string()});
  if (!existe && !ruta.empty()) {
    c.error = c.idioma(kTl_idiomas_no_fichero, {ruta});
  } else if (!pedido_existe) {
    std::string lista;
    for (const char* s : kIdiomas_incorporados) lista += std::string(lista.empty() ? "" : ", ") + s;
    c.error = c.idioma(kTl_idioma_desconocido, {idioma, lista});
  }
  return c;
}

size_t Ancho_texto(std::string_view texto) {
  size_t n = 0;
  for (char c : texto)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string Columna(std::string texto, size_t ancho) {
  const size_t actual = Ancho_texto(texto);
  if (actual < ancho) texto.append(ancho - actual, ' ');
  return texto;
}

}  // namespace r27
