#include "demostracion.h"

#include <QDir>
#include <QLabel>
#include <cstdio>

#include "captura.h"
#include "ventana_brisco.h"

namespace r27 {

bool Demostracion(Tventana_brisco& ventana, const QString& carpeta) {
  if (!QDir().mkpath(carpeta)) return false;
  int numero = 0;
  bool bien = true;
  auto guardar = [&] {
    ++numero;
    const QString fichero =
        QDir(carpeta).filePath(QString("%1-pantalla.png").arg(numero, 2, 10, QChar('0')));
    ventana.Procesar_mensajes();
    if (Guardar_captura(ventana, fichero)) {
      std::printf("screen %d: %s | %s | %s -> %s\n", numero,
                  ventana.Label_info1->text().toLocal8Bit().constData(),
                  ventana.Label_info2->text().toLocal8Bit().constData(),
                  ventana.Label_info3->text().toLocal8Bit().constData(),
                  fichero.toLocal8Bit().constData());
    } else {
      bien = false;
    }
    std::fflush(stdout);
  };
  ventana.al_mensaje_desatendido = [](const std::string& texto) {
    std::printf("message: %s\n", texto.c_str());
    std::fflush(stdout);
  };
  ventana.al_mostrar_pantalla = guardar;

  guardar();  // the start screen
  if (ventana.al_pulsar_asistente) {
    ventana.al_pulsar_asistente();  // first click: connect the meter
    ventana.al_pulsar_asistente();  // second click: search, connect, check
  }
  ventana.al_mostrar_pantalla = nullptr;
  ventana.al_mensaje_desatendido = nullptr;
  return bien;
}

}  // namespace r27
