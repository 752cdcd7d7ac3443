// Appending to the history and reading it back.
#include "app/nucleo/historial.h"

#include <mutex>
#include <string_view>
#include <system_error>

#include "app/nucleo/fichero_historial.h"
#include "app/nucleo/idiomas.h"
#include "app/nucleo/json_historial.h"

namespace r27 {

namespace {

// The file's lock keeps other processes out; this keeps out the other threads of
// this one, whatever the system makes of two locks taken in one process.
std::mutex& Mutex_historial() {
  static std::mutex m;
  return m;
}

}  // namespace

Historial::Historial(std::filesystem::path fichero) : fichero_(std::move(fichero)) {}

std::filesystem::path Historial::Del_usuario() {
  const std::filesystem::path carpeta = Carpeta_historial();
  if (carpeta.empty()) return {};
  return carpeta / kNombre_historial;
}

Anotacion Historial::Anotar(const Registro_historial& registro) {
  Anotacion a;
  if (fichero_.empty()) {
    a.error = "no data folder is known (HOME or LOCALAPPDATA is not set)";
  } else {
    const std::string linea = Linea_de_registro(registro);
    std::error_code ec;
    std::filesystem::create_directories(fichero_.parent_path(), ec);
    if (ec) {
      a.error = fichero_.parent_path().string() + ": " + ec.message();
    } else {
      const std::lock_guard<std::mutex> cerrojo(Mutex_historial());
      a.error = Anexar_con_cerrojo(fichero_, linea);
      if (!a.error.empty()) a.error = fichero_.string() + ": " + a.error;
    }
  }
  a.escrita = a.error.empty();
  if (!a.escrita) a.avisar = !avisado_.exchange(true);
  return a;
}

Lectura_historial Historial::Leer() const {
  Lectura_historial l;
  if (fichero_.empty()) return l;
  std::string contenido;
  {
    const std::lock_guard<std::mutex> cerrojo(Mutex_historial());
    l.error = Leer_con_cerrojo(fichero_, contenido, l.existe);
  }
  if (!l.error.empty()) {
    l.error = fichero_.string() + ": " + l.error;
    return l;
  }
  const std::string_view todo(contenido);
  size_t numero = 0;
  for (size_t desde = 0; desde < todo.size();) {
    size_t fin = todo.find('\n', desde);
    if (fin == std::string_view::npos) fin = todo.size();
    std::string_view linea = todo.substr(desde, fin - desde);
    desde = fin + 1;
    ++numero;
    if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
    if (linea.find_first_not_of(" \t") == std::string_view::npos) continue;
    std::string error;
    if (std::optional<Registro_historial> r = Registro_de_linea(linea, error)) {
      l.registros.push_back(std::move(*r));
    } else {
      l.danadas.push_back({numero, error});
    }
  }
  return l;
}

std::vector<std::string> Avisos_lectura(const Lectura_historial& lectura,
                                        const std::filesystem::path& fichero,
                                        const Textos_historial& textos) {
  std::vector<std::string> avisos;
  for (const Linea_danada& d : lectura.danadas)
    avisos.push_back(
        Rellenar(textos.linea_danada, {fichero.string(), std::to_string(d.numero), d.error}));
  return avisos;
}

}  // namespace r27
