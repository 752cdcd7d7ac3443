#pragma once
// Whether a text printed for the technician is in one language: every word of it
// must be a word of that language's texts in the shipped language file (its
// section and its failure phrases). A word left from another language, or from
// the English defaults in code, is not among them.
//
// Not words: numbers and anything with a digit (bytes, versions, COM names),
// paths, options (--si), names joined by '_' (the requests, Bloque_vacio), and
// the fixed texts the system quotes as they stand, which the caller removes.
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace r27::pruebas {

using Secciones_ini = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

// The sections of an INI text with their keys and values, in file order.
inline Secciones_ini Leer_secciones(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  Secciones_ini s;
  std::string seccion, linea;
  while (std::getline(f, linea)) {
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    if (linea.empty() || linea[0] == ';') continue;
    if (linea[0] == '[') {
      seccion = linea.substr(1, linea.find(']') - 1);
      continue;
    }
    const size_t igual = linea.find('=');
    if (igual == std::string::npos) continue;
    std::string valor = linea.substr(igual + 1);
    if (valor.size() >= 2 && valor.front() == '"' && valor.back() == '"')
      valor = valor.substr(1, valor.size() - 2);
    s[seccion].emplace_back(linea.substr(0, igual), valor);
  }
  return s;
}

// ASCII and the accented Latin-1 capitals (two UTF-8 bytes, 0xC3 0x80..0x9E) in
// lower case: a word at the start of a sentence is the same word.
inline std::string Minusculas_utf8(std::string p) {
  for (size_t i = 0; i < p.size(); ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c >= 'A' && c <= 'Z') {
      p[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < p.size()) {
      const auto d = static_cast<unsigned char>(p[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) p[i + 1] = static_cast<char>(d + 32);
      ++i;
    }
  }
  return p;
}

// The words of `texto`, as this check counts them.
inline std::vector<std::string> Palabras(std::string texto) {
  // Typographic quotes and marks separate words as blanks do.
  for (const std::string_view signo : {"«", "»", "„", "“", "”", "¿", "¡", "…"}) {
    for (size_t p = texto.find(signo); p != std::string::npos; p = texto.find(signo, p))
      texto.replace(p, signo.size(), " ");
  }
  std::vector<std::string> palabras;
  std::istringstream trozos(texto);
  std::string trozo;
  while (trozos >> trozo) {
    // Options, paths, joined names and key=value settings are names, not words.
    if (trozo.rfind("--", 0) == 0 || trozo.find('/') != std::string::npos ||
        trozo.find('_') != std::string::npos || trozo.find('=') != std::string::npos ||
        trozo.find('$') != std::string::npos)
      continue;
    std::string palabra;
    bool con_cifra = false;
    auto cerrar = [&] {
      if (!palabra.empty() && !con_cifra) palabras.push_back(Minusculas_utf8(palabra));
      palabra.clear();
      con_cifra = false;
    };
    for (const char c : trozo) {
      const auto u = static_cast<unsigned char>(c);
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 0x80) {
        palabra += c;
      } else if (c >= '0' && c <= '9') {
        palabra += c;
        con_cifra = true;
      } else if (c == '\'' && !palabra.empty()) {
        palabra += c;  // l'écran, c'è: the elision belongs to the word
        cerrar();
      } else {
        cerrar();
      }
    }
    cerrar();
  }
  return palabras;
}

// The words of language `idioma`: of its section and of its failure phrases.
inline std::set<std::string> Vocabulario(const Secciones_ini& secciones,
                                         const std::string& idioma) {
  std::set<std::string> v;
  for (const std::string& s : {idioma, idioma + "_MOTIVOS"}) {
    const auto e = secciones.find(s);
    if (e == secciones.end()) continue;
    for (const auto& [clave, valor] : e->second)
      for (std::string& p : Palabras(valor)) v.insert(std::move(p));
  }
  return v;
}

// The words of `texto` that are not in `vocabulario` nor in `neutras`, each once.
inline std::set<std::string> Palabras_ajenas(const std::string& texto,
                                             const std::set<std::string>& vocabulario,
                                             const std::set<std::string>& neutras) {
  std::set<std::string> ajenas;
  for (const std::string& p : Palabras(texto))
    if (!vocabulario.count(p) && !neutras.count(p)) ajenas.insert(p);
  return ajenas;
}

}  // namespace r27::pruebas
