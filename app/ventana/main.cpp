// The updater's entry: the application "Update", its three forms, the message loop.
//
//   r27-update                       the updater
//   r27-update --captura <file.png>  starts the same way, saves a picture of the
//                                    first screen and ends (for machines without
//                                    a display)
//   r27-update --demo <folder>       starts the same way, presses the wizard button
//                                    twice, saves a picture of every screen shown
//                                    into <folder>, prints the messages instead of
//                                    showing boxes, and ends
//   r27-update --servicio            service mode: the factory and FPGA dialogs and
//                                    the history in "Configurar", the step ticks
//                                    shown for the technician to change before each
//                                    update, and every update run recorded in the
//                                    history
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "app/nucleo/historial.h"
#include "app/ventana/aplicacion.h"
#include "app/ventana/captura.h"
#include "app/ventana/demostracion.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/fin_de_sesion.h"
#include "app/ventana/formularios.h"
#include "app/ventana/modo_servicio.h"

namespace {

struct Opciones {
  const char* captura = nullptr;
  const char* demo = nullptr;
  bool servicio = false;
  bool valida = true;
};

Opciones Leer_opciones(int argc, char** argv) {
  Opciones o;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--captura") == 0 && i + 1 < argc) {
      o.captura = argv[++i];
    } else if (std::strcmp(argv[i], "--demo") == 0 && i + 1 < argc) {
      o.demo = argv[++i];
    } else if (std::strcmp(argv[i], "--servicio") == 0) {
      o.servicio = true;
    } else {
      o.valida = false;
    }
  }
  return o;
}

bool Hay_pantalla() {
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  const Opciones opciones = Leer_opciones(argc, argv);
  if (!opciones.valida) {
    std::fprintf(stderr, "usage: %s [--servicio] [--captura <file.png> | --demo <folder>]\n",
                 argv[0]);
    return 2;
  }
  // A picture needs no screen: without one, draw off screen.
  if ((opciones.captura || opciones.demo) && !Hay_pantalla())
    qputenv("QT_QPA_PLATFORM", "offscreen");

  r27::Aplicacion aplicacion(argc, argv);

  try {
    // Service mode records every update run in the user's history (it outlives the window).
    r27::Historial historial(r27::Historial::Del_usuario());
    r27::Formularios formularios;
    r27::Tventana_brisco& ventana = formularios.Ventana();
    // The wizard and the meter connection; a child of the window, released with it.
    auto* enlace = new r27::Enlace_asistente(ventana);
    if (opciones.servicio)
      new r27::Modo_servicio(ventana, *enlace, &historial);  // a child of the window
    // Logging off and SIGTERM are refused while an update runs; a child of the window.
    new r27::Fin_de_sesion(ventana);
    ventana.show();

    int resultado = 0;
    if (opciones.captura) {
      const QString fichero = QString::fromLocal8Bit(opciones.captura);
      QTimer::singleShot(0, &ventana, [&ventana, &resultado, fichero, &opciones] {
        ventana.Procesar_mensajes();
        if (!r27::Guardar_captura(ventana, fichero)) {
          std::fprintf(stderr, "could not save %s\n", opciones.captura);
          resultado = 1;
        }
        QApplication::exit(resultado);
      });
    }
    if (opciones.demo) {
      QTimer::singleShot(0, &ventana, [&ventana, &resultado, &opciones] {
        resultado = r27::Demostracion(ventana, QString::fromLocal8Bit(opciones.demo)) ? 0 : 1;
        QApplication::exit(resultado);
      });
    }
    const int salida = QApplication::exec();
    return (opciones.captura || opciones.demo) ? resultado : salida;
  } catch (const std::exception& e) {
    // What escapes is shown, and the program still ends normally.
    QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromUtf8(e.what()));
    return 0;
  }
}
