#pragma once
// The main window: the wizard the technician clicks through and the holder of the
// state every step shares (port, flags, texts, ticks, progress bars, result code).
// It is the Interfaz_ventana the Qt-free layers talk to; what it holds and its
// start-up are Ventana_nucleo's, the drawing is its own.
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "app/nucleo/idiomas.h"
#include "app/nucleo/pantallas.h"
#include "app/nucleo/ventana_nucleo.h"
#include "app/ventana/dialogo_fichero.h"
#include "link/backend_serie.h"
#include "link/barra.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;
class QToolButton;
class QUrl;

namespace r27 {

class Tventana_brisco : public QMainWindow, public Ventana_nucleo {
  Q_OBJECT

 public:
  // Size of the client area below the menu: the background picture and the hidden
  // alternative background (601 x 401) fill it.
  static constexpr int kAncho_cliente = 601;
  static constexpr int kAlto_cliente = 401;
  static constexpr unsigned kIntervalo_vigilancia_ms = 100;

  // `backend` is the serial backend of the port; null means the system's.
  explicit Tventana_brisco(std::unique_ptr<Backend_serie> backend = nullptr,
                           QWidget* parent = nullptr);
  ~Tventana_brisco() override;

  // Interfaz_ventana: the drawing's part.
  void Procesar_mensajes() override;
  void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) override;
  void Mensaje(const std::string& texto) override;
  bool Confirmar(const std::string& texto) override;

  // Shows one wizard screen and lets window messages run.
  void Mostrar_pantalla(const Pantalla& pantalla);
  // Frequency and duration of the last beep (0 before the first).
  unsigned Ultima_frecuencia() const { return ultima_frecuencia_; }
  unsigned Ultima_duracion() const { return ultima_duracion_; }

  // Menu and button handlers.
  void MenuSalirClick();
  void SpeedButton_exitClick();
  void AyudaClick();
  void About1Click();
  // "Planes de canales": one of the five regional sets (0..4) for the next update.
  void MenuPlanesClick(int conjunto);

  // Work the connection and wizard code plugs in; empty until then.
  // The wizard step of the big button (and of "Actualizar" when al_actualizar is empty).
  std::function<void()> al_pulsar_asistente;
  // "Actualizar": straight to the search.
  std::function<void()> al_actualizar;
  // The disconnect the destructor performs while the meter is connected.
  std::function<void()> al_desconectar;
  // One tick of Timer_desconexion, the disconnect watch.
  std::function<void()> al_vigilar_desconexion;
  // The unattended demonstration: messages go here instead of a message box, and
  // every screen shown is reported after it is drawn.
  std::function<void(const std::string&)> al_mensaje_desatendido;
  std::function<bool(const std::string&)> al_confirmar_desatendido;
  std::function<void()> al_mostrar_pantalla;
  // Runs after the overall bar moved (the demonstration pictures it part-way).
  std::function<void()> al_avanzar_general;

  // Controls, named as in the form design.
  QLabel* Fondo = nullptr;
  QLabel* Image_vmk = nullptr;
  QLabel* Image_accion = nullptr;
  std::array<QPixmap, kNumero_imagenes_accion> ImageList_acciones;
  QLabel* Label_n1 = nullptr;
  QLabel* Label_n2 = nullptr;
  QLabel* Label_n3 = nullptr;
  QLabel* Label_info1 = nullptr;
  QLabel* Label_info2 = nullptr;
  QLabel* Label_info3 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Image_buscar_puerto = nullptr;
  QToolButton* Button_buscar_puerto = nullptr;
  QLabel* Image_salir = nullptr;
  QToolButton* SpeedButton_exit = nullptr;
  QProgressBar* Barra_progreso_control = nullptr;  // shows Barra_progreso()
  QLabel* Label_progreso_general = nullptr;
  QProgressBar* ProgressBar_general_control = nullptr;  // shows ProgressBar_general()
  QCheckBox* Check_teclado = nullptr;
  QCheckBox* Check_borrar = nullptr;
  QCheckBox* Check_configuracion = nullptr;
  QCheckBox* Check_planes = nullptr;
  QCheckBox* Check_fpga = nullptr;
  QCheckBox* Check_firmware = nullptr;
  QCheckBox* Check_mpeg4_apl = nullptr;
  QFrame* PConfigurarPuerto = nullptr;
  std::unique_ptr<Dialogo_fichero_diferido> Dialogo_fichero;
  QTimer* Timer_desconexion = nullptr;
  QMenu* MenuArchivo = nullptr;
  QAction* Actualizar1 = nullptr;
  QAction* MenuSalir = nullptr;
  QMenu* MenuConfigurar = nullptr;
  QAction* Auto1 = nullptr;
  QAction* MenuPuerto = nullptr;
  QMenu* MenuPlanes = nullptr;
  // European, Asian, North American, Eastern European, Australian.
  std::array<QAction*, 5> Planes_conjunto{};
  QMenu* MenuAyuda = nullptr;
  QAction* Ayuda = nullptr;
  QAction* About1 = nullptr;

 protected:
  // FormCloseQuery and FormClose: refused while an update runs, otherwise Salir.
  void closeEvent(QCloseEvent* evento) override;
  // Ends the process at once with status 0, without the destructor's disconnect.
  virtual void Terminar_proceso();
  // Hands a local file to the desktop to open; the result is not used.
  virtual void Abrir_documento(const QUrl& url);

 private:
  void Construir_formulario();
  void Construir_menus();
  void Construir_panel_puerto();
  void Poner_textos_menu();
  void Reflejar_barra(const Barra& barra, QProgressBar* control);
  void Fijar_linea_version(const QString& texto);

  unsigned ultima_frecuencia_ = 0;
  unsigned ultima_duracion_ = 0;
};

}  // namespace r27
