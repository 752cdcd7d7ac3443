// The demonstration's script: which pictures, when, and what it prints.
#include "app/nucleo/guion_demostracion.h"

#include <cstdio>
#include <system_error>

namespace r27 {

namespace {

// One line: runs of blanks and line breaks become one space.
std::string Simplificado(const std::string& texto) {
  std::string s;
  for (char c : texto) {
    const bool blanco = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (blanco) {
      if (!s.empty() && s.back() != ' ') s += ' ';
    } else {
      s += c;
    }
  }
  if (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

Guion_demostracion::Guion_demostracion(std::filesystem::path carpeta, std::string extension,
                                       Capturas_demostracion& capturas, std::ostream& salida)
    : carpeta_(std::move(carpeta)),
      extension_(std::move(extension)),
      capturas_(capturas),
      salida_(salida) {}

std::filesystem::path Guion_demostracion::Siguiente(const char* tipo) {
  char nombre[32];
  std::snprintf(nombre, sizeof nombre, "%02d-%s", ++numero_, tipo);
  return carpeta_ / (nombre + extension_);
}

bool Guion_demostracion::Ejecutar(const std::function<void()>& pulsar) {
  std::error_code ec;
  std::filesystem::create_directories(carpeta_, ec);
  if (!std::filesystem::is_directory(carpeta_, ec)) {
    salida_ << "cannot make the folder " << carpeta_.string() << std::endl;
    return false;
  }
  Pantalla_mostrada();  // the start screen
  pulsar();             // first click: connect the meter
  pulsar();             // second click: search, connect, check, update
  return bien_;
}

void Guion_demostracion::Pantalla_mostrada() {
  const std::filesystem::path fichero = Siguiente("pantalla");
  if (!capturas_.Guardar_pantalla(fichero)) {
    bien_ = false;
    salida_ << "screen " << numero_ << ": could not save " << fichero.string() << std::endl;
    return;
  }
  const std::array<std::string, 3> l = capturas_.Lineas();
  salida_ << "screen " << numero_ << ": " << l[0] << " | " << l[1] << " | " << l[2] << " -> "
          << fichero.string() << std::endl;
}

bool Guion_demostracion::Pregunta(const std::string& texto) {
  const std::filesystem::path fichero = Siguiente("pregunta");
  bien_ = capturas_.Guardar_pregunta(texto, fichero) && bien_;
  salida_ << "question " << numero_ << ": " << Simplificado(texto) << " -> OK (" << fichero.string()
          << ")" << std::endl;
  return true;
}

void Guion_demostracion::Mensaje(const std::string& texto) {
  salida_ << "message: " << texto << std::endl;
}

void Guion_demostracion::General_avanzada(const Barra& general) {
  if (a_medias_ || general.Maximo() <= 0 || general.Posicion() * 2 < general.Maximo()) return;
  a_medias_ = true;
  Pantalla_mostrada();
}

void Guion_demostracion::Pausa_servicio(const std::function<void()>& seguir) {
  Pantalla_mostrada();
  salida_ << "service pause: the wizard button goes on" << std::endl;
  seguir();
}

bool Guion_demostracion::Historial(
    const std::function<std::optional<Filas>(const std::filesystem::path&)>& mostrar) {
  const std::filesystem::path fichero = Siguiente("historial");
  const std::optional<Filas> filas = mostrar(fichero);
  if (!filas) {
    bien_ = false;
    salida_ << "history: could not save " << fichero.string() << std::endl;
    return false;
  }
  salida_ << "history: " << filas->size() << " rows shown -> " << fichero.string() << std::endl;
  for (size_t i = 0; i < filas->size(); ++i) {
    salida_ << "history row " << i + 1 << ":";
    const std::vector<std::string>& celdas = (*filas)[i];
    for (size_t c = 0; c < celdas.size(); ++c)
      salida_ << (c ? " | " : " ") << Simplificado(celdas[c]);
    salida_ << std::endl;
  }
  return true;
}

}  // namespace r27
