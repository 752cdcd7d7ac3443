#pragma once
// A wire trace as the updater writes it (link/traza_linea.h), read back: the
// port's openings, its writes and its reads with their times, in order. The
// lines that tell nothing of the bytes (runs of empty reads, a request that gave
// up) keep only their time, which shows how long the updater went on.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace r27::sim {

struct Registro_traza {
  enum class Tipo : uint8_t {
    Apertura,    // "# puerto abierto": the times after it count from this opening
    Escritura,   // W: bytes the updater wrote
    Lectura,     // R: bytes the updater read
    Solo_tiempo  // an empty read or a give-up: only its time counts
  };
  Tipo tipo = Tipo::Solo_tiempo;
  uint64_t t_us = 0;  // since the port was opened
  std::vector<uint8_t> bytes;
  uint32_t linea = 0;  // in the file, from 1
};

struct Traza_grabada {
  std::vector<Registro_traza> registros;
  size_t Escrituras() const;
};

// Reads a trace. False, with the line and what is wrong with it in `error`, at
// the first line that is not a trace line (a count that does not match its
// bytes, a byte that is not two hex digits, a time that is not one).
bool Leer_traza(std::istream& texto, Traza_grabada& traza, std::string& error);
bool Leer_traza_fichero(const std::string& ruta, Traza_grabada& traza, std::string& error);

}  // namespace r27::sim
