#include "bench/rendimiento/registro_linea.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>

namespace r27::banco {

namespace {

// One transcript record in the file: its kind, its value, its time; W and R
// records are followed by their `valor` bytes.
struct Cabecera {
  uint8_t tipo;
  uint32_t valor;
  double t;
};

constexpr size_t kBuffer_fichero = 256 * 1024;

}  // namespace

double Segundos_pared() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double Segundos_cpu_proceso() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long Pico_memoria_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

double Segundos_byte(uint32_t baudios) { return baudios > 0 ? 11.0 / double(baudios) : 0.0; }

Registro_linea::Registro_linea(const std::string& ruta)
    : ruta_(ruta), fichero_(std::fopen(ruta.c_str(), "w+b")) {
  // A large buffer: the transcript's own writes to the file are few, so they do
  // not weigh on the exchanges being measured.
  if (fichero_) std::setvbuf(fichero_, nullptr, _IOFBF, kBuffer_fichero);
}

Registro_linea::~Registro_linea() {
  if (fichero_) std::fclose(fichero_);
}

void Registro_linea::Poner(Tipo_suceso tipo, uint32_t valor, const uint8_t* bytes, uint32_t n) {
  if (!fichero_) return;
  const Cabecera c{static_cast<uint8_t>(tipo), valor, Segundos_pared()};
  std::fwrite(&c, sizeof c, 1, fichero_);
  if (n > 0) std::fwrite(bytes, 1, n, fichero_);
}

void Registro_linea::Escritura(const uint8_t* datos, uint32_t n) {
  if (n == 0) return;
  ultima_escritura_ = Segundos_pared();
  vacias_ = 0;
  escritos += n;
  cable_s += n * Segundos_byte(baudios);
  Poner(Tipo_suceso::Escritura, n, datos, n);
}

void Registro_linea::Lectura(const uint8_t* datos, uint32_t n) {
  if (n == 0) return;
  if (ultima_escritura_ >= 0) {
    const int k = std::min(vacias_, kMaximo_vacias);
    ++intercambios[k];
    tiempo_intercambios[k] += Segundos_pared() - ultima_escritura_;
    ultima_escritura_ = -1;
  }
  leidos += n;
  cable_s += n * Segundos_byte(baudios);
  Poner(Tipo_suceso::Lectura, n, datos, n);
}

void Registro_linea::Pausa(uint32_t ms) { Poner(Tipo_suceso::Pausa, ms, nullptr, 0); }

void Registro_linea::Apertura(uint32_t b) {
  baudios = b;
  Poner(Tipo_suceso::Apertura, b, nullptr, 0);
}

void Registro_linea::Purga() { Poner(Tipo_suceso::Purga, 0, nullptr, 0); }

void Registro_linea::Marcar(const std::string& nombre) {
  marcas_.push_back({nombre, Segundos_pared(), Segundos_cpu_proceso(), Pico_memoria_kb()});
  Poner(Tipo_suceso::Marca, static_cast<uint32_t>(marcas_.size() - 1), nullptr, 0);
}

int Registro_linea::Indice_marca(const std::string& nombre) const {
  for (size_t i = 0; i < marcas_.size(); ++i)
    if (marcas_[i].nombre == nombre) return static_cast<int>(i);
  return -1;
}

std::vector<Suceso_linea> Registro_linea::Leer() {
  std::vector<Suceso_linea> v;
  if (!fichero_) return v;
  std::fflush(fichero_);
  std::rewind(fichero_);
  Cabecera c{};
  while (std::fread(&c, sizeof c, 1, fichero_) == 1) {
    Suceso_linea s;
    s.tipo = static_cast<Tipo_suceso>(c.tipo);
    s.valor = c.valor;
    s.t = c.t;
    if (s.tipo == Tipo_suceso::Escritura || s.tipo == Tipo_suceso::Lectura) {
      s.bytes.resize(c.valor);
      if (std::fread(s.bytes.data(), 1, c.valor, fichero_) != c.valor) break;
      // Reads with nothing else between them are one wait of the reference.
      if (s.tipo == Tipo_suceso::Lectura && !v.empty() && v.back().tipo == Tipo_suceso::Lectura) {
        v.back().bytes.insert(v.back().bytes.end(), s.bytes.begin(), s.bytes.end());
        v.back().valor += s.valor;
        v.back().t = s.t;
        continue;
      }
    }
    v.push_back(std::move(s));
  }
  std::fseek(fichero_, 0, SEEK_END);
  return v;
}

bool Backend_registrado::Abrir(int numero, const DCB_linea& linea) {
  const bool ok = b_->Abrir(numero, linea);
  if (ok) registro_.Apertura(linea.BaudRate);
  return ok;
}

uint32_t Backend_registrado::Escribir(const uint8_t* datos, uint32_t n) {
  if (antes_de_escribir) antes_de_escribir(std::span<const uint8_t>(datos, n));
  const uint32_t r = b_->Escribir(datos, n);
  registro_.Escritura(datos, r);
  return r;
}

uint32_t Backend_registrado::Leer(uint8_t* destino, uint32_t n) {
  const uint32_t r = b_->Leer(destino, n);
  if (r == 0) registro_.Lectura_vacia();
  registro_.Lectura(destino, r);
  return r;
}

uint32_t Backend_registrado::Leer_disponible(uint8_t* destino, uint32_t n) {
  const uint32_t r = b_->Leer_disponible(destino, n);
  registro_.Lectura(destino, r);
  return r;
}

void Backend_registrado::Purgar(bool recepcion, bool transmision) {
  b_->Purgar(recepcion, transmision);
  registro_.Purga();
}

}  // namespace r27::banco
