#pragma once
// The wire trace: one text line for every write and every read of the port, and
// one for every request that gives up, so support can see exactly what went over
// the line. Off unless R27_TRAZA names a file (or the command line asks for one);
// when off the port pays one pointer test per operation.
//
//   <ms since the port opened, 3 decimals> <W|R> <count> <bytes in hex>
//   <ms> R 0 x<n>                               n reads in a row found nothing
//   <ms> ! <request>: esperaba <what>, llego <what came | nada (tiempo agotado)>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace r27 {

inline constexpr const char* kVariable_traza = "R27_TRAZA";

class Traza_linea {
 public:
  // Opens `ruta` for appending; null when it cannot be opened.
  static std::unique_ptr<Traza_linea> Abrir(const std::string& ruta);
  // The trace the environment asks for (R27_TRAZA), or null.
  static std::unique_ptr<Traza_linea> Desde_entorno();
  ~Traza_linea();
  Traza_linea(const Traza_linea&) = delete;
  Traza_linea& operator=(const Traza_linea&) = delete;

  // The port was opened at `us`: later stamps count from it.
  void Origen(uint64_t us);
  void Escritura(uint64_t us, const uint8_t* datos, uint32_t n);
  void Lectura(uint64_t us, const uint8_t* datos, uint32_t n);
  void Abandono(uint64_t us, std::string_view peticion, std::string_view esperado,
                std::string_view llegado);
  // A comment line ("# texto"), which a replay passes over.
  void Nota(std::string_view texto);

 private:
  explicit Traza_linea(std::FILE* f) : f_(f) {}
  void Sellar(uint64_t us);
  void Volcar_vacias();
  void Bytes(char direccion, uint64_t us, const uint8_t* datos, uint32_t n);

  std::FILE* f_;
  uint64_t origen_us_ = 0;
  // Empty reads are counted and written as one line when something else happens.
  uint64_t vacias_ = 0;
  uint64_t primera_vacia_us_ = 0;
};

}  // namespace r27
