#pragma once
// What every window of the updater holds, whatever draws it: the serial port,
// the shared state, the two bars, the embedded firmware image and its readers,
// the loader images and the texts of the chosen language; the start-up that
// fills them; and the answer to each way of leaving. A window adds the drawing
// (the message loop, the beep, the boxes) on top.
#include <filesystem>
#include <memory>
#include <string>

#include "app/nucleo/idiomas.h"
#include "flash/imagenes_arranque.h"
#include "flash/subida_graficos.h"
#include "link/backend_serie.h"
#include "link/barra.h"
#include "link/estado_ventana.h"
#include "link/interfaz_ventana.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "link/puerto_serie.h"
#include "link/reloj.h"

namespace r27 {

// What a window does when the technician asks to leave.
enum class Salida : uint8_t {
  terminar,  // end the process at once with status 0
  rechazar,  // do nothing
  avisar,    // show the "AVISOACT" text and stay
};

// "Salir" in "Archivo": refused with the notice while an update runs.
Salida Salida_menu(const Estado_ventana& estado);
// The exit button: silently refused while an update runs.
Salida Salida_boton(const Estado_ventana& estado);
// The close box: refused while an update runs; otherwise `saliendo` is set, so
// the connection loops stop, and the window may close.
bool Cierre_permitido(Estado_ventana& estado);

class Ventana_nucleo : public Interfaz_ventana {
 public:
  // `backend` is the serial backend of the port; null means the system's.
  explicit Ventana_nucleo(std::unique_ptr<Backend_serie> backend);
  ~Ventana_nucleo() override;
  Ventana_nucleo(const Ventana_nucleo&) = delete;
  Ventana_nucleo& operator=(const Ventana_nucleo&) = delete;

  // Interfaz_ventana: what does not depend on the drawing.
  Puerto_serie& Puerto() override { return *puerto_; }
  Estado_ventana& Estado() override { return estado_; }
  Reloj& Reloj_() override { return reloj_; }
  Barra& Barra_progreso() override { return barra_paso_; }
  Barra& ProgressBar_general() override { return barra_general_; }
  Lector_lineas* Lineas_firmware() override { return lineas_.get(); }
  Lector_hex* Hex_firmware() override { return hex_.get(); }
  Subida_graficos* Graficos() override { return graficos_.get(); }
  Imagenes_arranque& Arranque() override { return arranque_; }

  // The texts of the language read at start-up ("PASO1_L2" holds the version line).
  const Textos_idioma& Textos() const { return textos_; }
  // The version line of the embedded firmware ("Version 3.01").
  const std::string& Linea_version_() const { return linea_version_; }

 protected:
  // The start-up once the window's controls exist: every state field at its
  // start value, the language file at `ruta_idiomas`, the embedded firmware
  // image (version text, segments, record reader) and the version line, which
  // takes the place of "PASO1_L2". The window then shows the captions and the
  // start screen.
  void Arrancar(const std::filesystem::path& ruta_idiomas);
  // Releases the record reader, the uploader and the port, in that order (the
  // window's destructor first lets a connected meter go).
  void Liberar();

  Textos_idioma textos_;

 private:
  Reloj_sistema reloj_;
  Estado_ventana estado_;
  std::unique_ptr<Puerto_serie> puerto_;
  std::unique_ptr<Subida_graficos> graficos_;
  Imagenes_arranque arranque_;  // the window's loader images
  std::unique_ptr<Lector_lineas> lineas_;
  std::unique_ptr<Lector_hex> hex_;
  Barra barra_paso_;
  Barra barra_general_;
  std::string linea_version_;
};

}  // namespace r27
