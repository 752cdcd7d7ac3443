#include "sim/traza_grabada.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

namespace r27::sim {
namespace {

constexpr std::string_view kLinea_apertura = "# puerto abierto";
// A stamp of more milliseconds than this (about 31 years) is not a time.
constexpr uint64_t kMaximo_ms = 1'000'000'000'000ull;

std::vector<std::string_view> Partir(std::string_view linea) {
  std::vector<std::string_view> partes;
  size_t i = 0;
  while (i < linea.size()) {
    while (i < linea.size() && linea[i] == ' ') ++i;
    const size_t inicio = i;
    while (i < linea.size() && linea[i] != ' ') ++i;
    if (i > inicio) partes.push_back(linea.substr(inicio, i - inicio));
  }
  return partes;
}

bool Digitos(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Entero(std::string_view t, uint64_t maximo, uint64_t& v) {
  if (!Digitos(t) || t.size() > 19) return false;
  v = 0;
  for (char c : t) v = v * 10 + static_cast<uint64_t>(c - '0');
  return v <= maximo;
}

// "<ms>" or "<ms>.<up to three decimals>", as microseconds.
bool Sello(std::string_view t, uint64_t& us) {
  const size_t punto = t.find('.');
  uint64_t ms = 0;
  if (!Entero(t.substr(0, punto), kMaximo_ms, ms)) return false;
  uint64_t fraccion = 0;
  if (punto != std::string_view::npos) {
    const std::string_view decimales = t.substr(punto + 1);
    if (decimales.size() > 3 || !Entero(decimales, 999, fraccion)) return false;
    for (size_t i = decimales.size(); i < 3; ++i) fraccion *= 10;
  }
  us = ms * 1000 + fraccion;
  return true;
}

int Valor_hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One line that is not an opening or a comment; an empty string on success.
std::string Leer_linea_bytes(std::string_view linea, Registro_traza& r) {
  const auto partes = Partir(linea);
  if (partes.size() < 2 || !Sello(partes[0], r.t_us)) return "no empieza por un tiempo en ms";
  if (partes[1] == "!") {
    r.tipo = Registro_traza::Tipo::Solo_tiempo;
    return "";
  }
  if (partes[1] != "W" && partes[1] != "R") return "se esperaba W, R o !";
  uint64_t cuenta = 0;
  if (partes.size() < 3 || !Entero(partes[2], UINT32_MAX, cuenta))
    return "falta la cuenta de bytes";
  if (partes[1] == "R" && cuenta == 0) {
    // "R 0 x<n>": n reads in a row found nothing.
    uint64_t vacias = 0;
    if (partes.size() != 4 || partes[3].size() < 2 || partes[3][0] != 'x' ||
        !Entero(partes[3].substr(1), UINT64_MAX, vacias))
      return "una lectura vacia se escribe R 0 x<n>";
    r.tipo = Registro_traza::Tipo::Solo_tiempo;
    return "";
  }
  if (cuenta == 0) return "una escritura sin bytes";
  if (partes.size() - 3 != cuenta)
    return "dice " + std::to_string(cuenta) + " bytes y trae " + std::to_string(partes.size() - 3);
  r.tipo = partes[1] == "W" ? Registro_traza::Tipo::Escritura : Registro_traza::Tipo::Lectura;
  r.bytes.reserve(cuenta);
  for (size_t i = 3; i < partes.size(); ++i) {
    const std::string_view b = partes[i];
    const int alto = b.size() == 2 ? Valor_hex(b[0]) : -1;
    const int bajo = b.size() == 2 ? Valor_hex(b[1]) : -1;
    if (alto < 0 || bajo < 0)
      return "el byte " + std::string(b) + " no son dos cifras hexadecimales";
    r.bytes.push_back(static_cast<uint8_t>(alto * 16 + bajo));
  }
  return "";
}

}  // namespace

size_t Traza_grabada::Escrituras() const {
  return static_cast<size_t>(std::count_if(registros.begin(), registros.end(), [](const auto& r) {
    return r.tipo == Registro_traza::Tipo::Escritura;
  }));
}

bool Leer_traza(std::istream& texto, Traza_grabada& traza, std::string& error) {
  traza = Traza_grabada{};
  std::string linea;
  uint32_t numero = 0;
  while (std::getline(texto, linea)) {
    ++numero;
    // A trace that went through a Windows editor or mail ends its lines in CR LF.
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    std::string_view v = linea;
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (v.empty()) continue;
    Registro_traza r;
    r.linea = numero;
    if (v.front() == '#') {
      if (v != kLinea_apertura) continue;  // another comment
      r.tipo = Registro_traza::Tipo::Apertura;
    } else if (std::string motivo = Leer_linea_bytes(v, r); !motivo.empty()) {
      error = "linea " + std::to_string(numero) + ": " + motivo;
      return false;
    }
    traza.registros.push_back(std::move(r));
  }
  return true;
}

bool Leer_traza_fichero(const std::string& ruta, Traza_grabada& traza, std::string& error) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) {
    error = "no se pudo abrir la traza " + ruta;
    return false;
  }
  if (!Leer_traza(f, traza, error)) {
    error = ruta + ", " + error;
    return false;
  }
  if (f.bad()) {
    error = "no se pudo leer la traza " + ruta;
    return false;
  }
  return true;
}

}  // namespace r27::sim
