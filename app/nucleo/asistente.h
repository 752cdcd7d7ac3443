#pragma once
// The wizard behind the big button: a first click asks for the meter to be
// connected, a second one finds the port it is on (automatically, or the port of
// the manual panel), connects, checks that the meter may be updated and hands it
// to the update run. It reaches the window's controls through a small view.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/nucleo/conexion.h"
#include "app/nucleo/desenlace.h"
#include "app/nucleo/fallo_apertura.h"
#include "app/nucleo/idiomas.h"
#include "app/nucleo/pantallas.h"
#include "link/directorio_puertos.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// What the wizard needs of the window's controls.
class Vista_asistente {
 public:
  virtual ~Vista_asistente() = default;
  // Applies a whole screen and lets window messages run.
  virtual void Mostrar_pantalla(const Pantalla& pantalla) = 0;
  virtual void Fijar_linea2(const std::string& texto) = 0;  // Label_info2
  virtual void Fijar_linea3(const std::string& texto) = 0;  // Label_info3
  virtual void Mostrar_imagen(int indice) = 0;              // Image_accion
  virtual void Mostrar_numeros(bool visibles) = 0;          // "1." "2." "3."
  virtual void Mostrar_boton(bool visible) = 0;             // the wizard button and its picture
  // Hides both progress bars and the overall-progress label.
  virtual void Ocultar_progreso() = 0;
  // Menus "Archivo", "Configurar" and "Ayuda".
  virtual void Habilitar_menus(bool habilitados) = 0;
  // The check mark of "Auto": automatic search when set.
  virtual bool Modo_automatico() const = 0;
  // Manual mode exactly as the "Manual" menu item: the manual port panel shows.
  virtual void Elegir_manual() = 0;
};

// The automatic search's first pass: COM1..COM15.
inline constexpr int kPrimer_puerto_busqueda = 1;
inline constexpr int kUltimo_puerto_busqueda = 15;
// A level average below this refuses the meter.
inline constexpr int kNivel_minimo = 50;
// After this many searches in a row without a meter, the next first click
// switches to manual mode.
inline constexpr uint32_t kFallos_antes_de_manual = 2;

// The port number of a system port name: "COM" and the decimal number that
// follows, up to the first non-digit ("COM5:" gives 5). 0 when the name does not
// start with "COM" or no usable number follows.
int Numero_de_nombre_puerto(const std::string& nombre);

// The COM numbers the automatic search tries, in its order: COM1..COM15 where they
// exist, then the other ports the system lists.
std::vector<int> Puertos_de_busqueda(const Directorio_puertos& directorio);

class Asistente {
 public:
  Asistente(Interfaz_ventana& ventana, Conexion& conexion, Vista_asistente& vista,
            const Directorio_puertos& directorio, const Textos_idioma& textos);

  // The wizard step: the connect screen on the first click, the search on the second.
  void Button_buscar_puertoClick();
  // Menu "Actualizar": straight to the search.
  void Actualizar1Click();

  // Disconnects after a refusal and gives the window back to the technician:
  // progress hidden, button shown, menus enabled, next click is a first click.
  void Desconectar();
  // Desconectar, then the start screen.
  void Volver_al_inicio();

  // The update run for a connected, ready meter. It shows its own screens and
  // leaves the wizard ready for the next search.
  std::function<void()> ejecutar_actualizacion;

  // The wizard's own state: 0 before the first click, 1 once the connect screen
  // asked for the meter; and the searches in a row that found none.
  int32_t paso_asistente = 0;
  uint32_t fallos_busqueda = 0;

  using Puerto_rechazado = ::r27::Puerto_rechazado;
  // The ports of the last search that could not be opened for lack of permission
  // or because another program holds them; a search that finds no meter names
  // them in a message box after the not-found screen.
  std::vector<Puerto_rechazado> puertos_sin_abrir;
  // How the last second click ended (`listo` once the meter was handed over).
  Desenlace_busqueda desenlace = Desenlace_busqueda::sin_busqueda;

 private:
  void Primer_paso();
  void Segundo_paso();
  void Busqueda_automatica();
  // Tries one port: line 2 shows it, window messages run, the connect click.
  bool Probar(int puerto);
  // Keeps a port that could not be opened for lack of permission or being busy.
  void Anotar_rechazo(int puerto);
  void No_encontrado();

  Interfaz_ventana& ventana_;
  Conexion& conexion_;
  Vista_asistente& vista_;
  const Directorio_puertos& directorio_;
  const Textos_idioma& textos_;
  bool buscando_ = false;
};

}  // namespace r27
