#pragma once
// The unattended demonstration, whatever window draws it: the wizard button is
// pressed twice against whatever meter the ports lead to, every screen shown is
// saved as a picture, each question is pictured over the window and answered
// OK, messages are printed instead of shown, and the updating screen is
// pictured once more with the overall bar half way. In service mode the pause
// before the update is pictured and gone on from, and after the update the
// history dialog is pictured and the rows it shows are printed. The window saves the
// pictures; this decides when and under which names, and tells what it did.
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "link/barra.h"

namespace r27 {

// What the demonstration needs of a window.
class Capturas_demostracion {
 public:
  virtual ~Capturas_demostracion() = default;
  // Saves a picture of the window as it is drawn now.
  virtual bool Guardar_pantalla(const std::filesystem::path& fichero) = 0;
  // Shows the question `texto` with OK and Cancel over the window as the
  // technician would see it, saves a picture of both and closes it.
  virtual bool Guardar_pregunta(const std::string& texto, const std::filesystem::path& fichero) = 0;
  // The three wizard lines as the window shows them now.
  virtual std::array<std::string, 3> Lineas() const = 0;
};

class Guion_demostracion {
 public:
  // Pictures go to `carpeta` as 01-pantalla<extension>, 02-pregunta<extension>,
  // ... in the order they are taken; what happens is told on `salida`.
  Guion_demostracion(std::filesystem::path carpeta, std::string extension,
                     Capturas_demostracion& capturas, std::ostream& salida);

  // The whole demonstration: the start screen, then two presses of `pulsar`.
  // The window calls the handlers below while it runs. False when the folder
  // could not be made or a picture could not be saved.
  bool Ejecutar(const std::function<void()>& pulsar);

  // A screen has been drawn.
  void Pantalla_mostrada();
  // A question for the technician: pictured and answered OK.
  bool Pregunta(const std::string& texto);
  // A message for the technician: printed.
  void Mensaje(const std::string& texto);
  // The overall bar moved: the first time it is at least half full, the screen
  // is pictured.
  void General_avanzada(const Barra& general);
  // Service mode's pause before the update: the screen with its step ticks is
  // pictured, then `seguir` (the wizard button) goes on with the update.
  void Pausa_servicio(const std::function<void()>& seguir);

  // The rows a dialog shows, each its cells left to right.
  using Filas = std::vector<std::vector<std::string>>;
  // `mostrar` opens the history dialog, saves its picture into the file it is
  // given, closes it and returns the rows it showed (none when it could not be
  // pictured); the rows are printed, the first shown first. False when the
  // picture could not be saved.
  bool Historial(const std::function<std::optional<Filas>(const std::filesystem::path&)>& mostrar);

  int Numero() const { return numero_; }
  bool Bien() const { return bien_; }

 private:
  std::filesystem::path Siguiente(const char* tipo);

  std::filesystem::path carpeta_;
  std::string extension_;
  Capturas_demostracion& capturas_;
  std::ostream& salida_;
  int numero_ = 0;
  bool bien_ = true;
  bool a_medias_ = false;
};

}  // namespace r27
