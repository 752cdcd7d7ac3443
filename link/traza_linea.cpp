#include "link/traza_linea.h"

#include <cinttypes>
#include <cstdlib>

namespace r27 {

std::unique_ptr<Traza_linea> Traza_linea::Abrir(const std::string& ruta) {
  if (ruta.empty()) return nullptr;
  std::FILE* f = std::fopen(ruta.c_str(), "a");
  if (f == nullptr) return nullptr;
  return std::unique_ptr<Traza_linea>(new Traza_linea(f));
}

std::unique_ptr<Traza_linea> Traza_linea::Desde_entorno() {
  const char* ruta = std::getenv(kVariable_traza);
  return ruta ? Abrir(ruta) : nullptr;
}

Traza_linea::~Traza_linea() {
  Volcar_vacias();
  std::fclose(f_);
}

void Traza_linea::Origen(uint64_t us) {
  Volcar_vacias();
  origen_us_ = us;
  std::fprintf(f_, "# puerto abierto\n");
}

void Traza_linea::Nota(std::string_view texto) {
  Volcar_vacias();
  std::fprintf(f_, "# %.*s\n", static_cast<int>(texto.size()), texto.data());
}

void Traza_linea::Sellar(uint64_t us) {
  const uint64_t t = us >= origen_us_ ? us - origen_us_ : 0;
  std::fprintf(f_, "%" PRIu64 ".%03" PRIu64, t / 1000, t % 1000);
}

void Traza_linea::Volcar_vacias() {
  if (vacias_ == 0) return;
  Sellar(primera_vacia_us_);
  std::fprintf(f_, " R 0 x%" PRIu64 "\n", vacias_);
  vacias_ = 0;
}

void Traza_linea::Bytes(char direccion, uint64_t us, const uint8_t* datos, uint32_t n) {
  Volcar_vacias();
  Sellar(us);
  std::fprintf(f_, " %c %" PRIu32, direccion, n);
  for (uint32_t i = 0; i < n; ++i) std::fprintf(f_, " %02X", datos[i]);
  std::fputc('\n', f_);
}

void Traza_linea::Escritura(uint64_t us, const uint8_t* datos, uint32_t n) {
  Bytes('W', us, datos, n);
}

void Traza_linea::Lectura(uint64_t us, const uint8_t* datos, uint32_t n) {
  if (n > 0) {
    Bytes('R', us, datos, n);
    return;
  }
  if (vacias_++ == 0) primera_vacia_us_ = us;
}

void Traza_linea::Abandono(uint64_t us, std::string_view peticion, std::string_view esperado,
                           std::string_view llegado) {
  Volcar_vacias();
  Sellar(us);
  std::fprintf(f_, " ! %.*s: esperaba %.*s, llego %.*s\n", static_cast<int>(peticion.size()),
               peticion.data(), static_cast<int>(esperado.size()), esperado.data(),
               static_cast<int>(llegado.size()), llegado.data());
  std::fflush(f_);
}

}  // namespace r27
