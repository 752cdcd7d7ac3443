#pragma once
// The history of runs: one JSON object per line in the user's data folder
// ($XDG_DATA_HOME/r27/historial.jsonl, by default ~/.local/share/r27/; on
// Windows %LOCALAPPDATA%\R27\historial.jsonl).
//
// A record is appended and flushed to disk before the run's end is reported,
// under the file's lock (flock / LockFileEx) and a lock of this process, so
// updaters in several processes and threads appending at once lose no record. A
// line left damaged (a run cut off mid-write) is skipped on reading with a
// warning, and the next record starts on a line of its own. A history that
// cannot be written never changes a run's result: the caller gives one warning.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "app/nucleo/registro_historial.h"
#include "app/nucleo/textos_historial.h"

namespace r27 {

inline constexpr const char* kNombre_historial = "historial.jsonl";

struct Anotacion {
  bool escrita = false;
  std::string error;    // why it was not written
  bool avisar = false;  // the first failure of this history: the one warning to give
};

// A line of the file that holds no record: its number (from 1) and why.
struct Linea_danada {
  size_t numero = 0;
  std::string error;
};

struct Lectura_historial {
  bool existe = false;                        // false: no run was recorded yet
  std::string error;                          // the file is there and could not be read
  std::vector<Registro_historial> registros;  // in the order they were written
  std::vector<Linea_danada> danadas;          // skipped
};

// One warning per damaged line, in the reader's language: "<file>, line 4: ...; skipped".
std::vector<std::string> Avisos_lectura(const Lectura_historial& lectura,
                                        const std::filesystem::path& fichero,
                                        const Textos_historial& textos);

class Historial {
 public:
  explicit Historial(std::filesystem::path fichero);

  // The user's history file; empty when the system names no data folder.
  static std::filesystem::path Del_usuario();

  const std::filesystem::path& Fichero() const { return fichero_; }

  // Appends `registro` as one line, creating the folder and the file when
  // missing. Safe to call from several threads at once.
  Anotacion Anotar(const Registro_historial& registro);

  Lectura_historial Leer() const;

 private:
  std::filesystem::path fichero_;
  std::atomic<bool> avisado_{false};
};

}  // namespace r27
