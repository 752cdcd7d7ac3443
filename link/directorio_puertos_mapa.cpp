#include "link/directorio_puertos_mapa.h"

#include <algorithm>
#include <set>

namespace r27 {

namespace {

bool Es_separador(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ';';
}
bool Es_digito(char c) { return c >= '0' && c <= '9'; }

char Mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// "COM<n>=<path>" -> n and path; false for anything else.
bool Leer_entrada(std::string_view entrada, int& numero, std::string& ruta) {
  const auto igual = entrada.find('=');
  if (igual == std::string_view::npos) return false;
  const std::string_view nombre = entrada.substr(0, igual);
  if (nombre.size() < 4 || Mayuscula(nombre[0]) != 'C' || Mayuscula(nombre[1]) != 'O' ||
      Mayuscula(nombre[2]) != 'M')
    return false;
  int n = 0;
  for (char c : nombre.substr(3)) {
    if (!Es_digito(c)) return false;
    n = n * 10 + (c - '0');
    if (n > kMayor_numero_com) return false;  // also stops the sum from overflowing
  }
  if (n < 1) return false;
  ruta = std::string(entrada.substr(igual + 1));
  if (ruta.empty()) return false;
  numero = n;
  return true;
}

// The rank of a device group in COM order, or -1 for a device of no group.
int Grupo(const std::string& nombre) {
  static const char* const kPrefijos[] = {"ttyACM", "ttyUSB", "ttyS"};
  for (int g = 0; g < 3; ++g) {
    const std::string_view p = kPrefijos[g];
    if (nombre.size() > p.size() && nombre.compare(0, p.size(), p) == 0 &&
        std::all_of(nombre.begin() + static_cast<std::ptrdiff_t>(p.size()), nombre.end(),
                    Es_digito))
      return g;
  }
  return -1;
}

}  // namespace

std::map<int, std::string> Leer_mapa_puertos(std::string_view texto) {
  std::map<int, std::string> mapa;
  size_t i = 0;
  while (i < texto.size()) {
    while (i < texto.size() && Es_separador(texto[i])) ++i;
    size_t fin = i;
    while (fin < texto.size() && !Es_separador(texto[fin])) ++fin;
    int numero = 0;
    std::string ruta;
    if (fin > i && Leer_entrada(texto.substr(i, fin - i), numero, ruta)) mapa[numero] = ruta;
    i = fin;
  }
  return mapa;
}

bool Menor_natural(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (Es_digito(a[i]) && Es_digito(b[j])) {
      // Compare the digit runs as numbers: skip leading zeros, then longer is larger.
      size_t fi = i, fj = j;
      while (fi < a.size() && a[fi] == '0') ++fi;
      while (fj < b.size() && b[fj] == '0') ++fj;
      size_t ei = fi, ej = fj;
      while (ei < a.size() && Es_digito(a[ei])) ++ei;
      while (ej < b.size() && Es_digito(b[ej])) ++ej;
      if (ei - fi != ej - fj) return ei - fi < ej - fj;
      const int c = a.compare(fi, ei - fi, b, fj, ej - fj);
      if (c != 0) return c < 0;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;  // equal by value ("ttyS01" and "ttyS1"): any fixed order
}

std::vector<std::string> Ordenar_dispositivos(const std::vector<std::string>& nombres) {
  std::vector<std::string> grupos[3];
  for (const auto& n : nombres) {
    const int g = Grupo(n);
    if (g >= 0) grupos[g].push_back(n);
  }
  std::vector<std::string> rutas;
  for (auto& grupo : grupos) {
    std::sort(grupo.begin(), grupo.end(), Menor_natural);
    grupo.erase(std::unique(grupo.begin(), grupo.end()), grupo.end());
    for (const auto& n : grupo) rutas.push_back("/dev/" + n);
  }
  return rutas;
}

std::map<int, std::string> Numerar_puertos(const std::vector<std::string>& dispositivos,
                                           const std::map<int, std::string>& explicitos) {
  std::map<int, std::string> mapa = explicitos;
  std::set<std::string> ya_puestos;
  for (const auto& [numero, ruta] : explicitos) ya_puestos.insert(ruta);
  int numero = 0;
  for (const auto& ruta : dispositivos) {
    ++numero;
    if (numero > kMayor_numero_com) break;
    if (mapa.count(numero) != 0 || ya_puestos.count(ruta) != 0) continue;
    mapa[numero] = ruta;
  }
  return mapa;
}

}  // namespace r27
