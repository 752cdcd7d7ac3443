#include "app/ventana/demostracion.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <cstdio>

#include "app/ventana/captura.h"
#include "app/ventana/ventana_brisco.h"

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
  // Each question is shown over the window as the technician sees it, pictured,
  // and answered OK.
  ventana.al_confirmar_desatendido = [&](const std::string& texto) {
    QMessageBox caja(QMessageBox::NoIcon, QString(), QString::fromStdString(texto),
                     QMessageBox::Ok | QMessageBox::Cancel, &ventana);
    caja.setTextFormat(Qt::PlainText);
    caja.show();
    ++numero;
    const QString fichero =
        QDir(carpeta).filePath(QString("%1-pregunta.png").arg(numero, 2, 10, QChar('0')));
    ventana.Procesar_mensajes();
    bien = Guardar_captura_pantalla(ventana, caja, fichero) && bien;
    std::printf("question %d: %s -> OK (%s)\n", numero,
                QString::fromStdString(texto).simplified().toLocal8Bit().constData(),
                fichero.toLocal8Bit().constData());
    std::fflush(stdout);
    caja.close();
    return true;
  };
  // The updating screen once, with both bars part-way.
  bool a_medias = false;
  ventana.al_avanzar_general = [&] {
    const Barra& g = ventana.ProgressBar_general();
    if (a_medias || g.Maximo() <= 0 || g.Posicion() * 2 < g.Maximo()) return;
    a_medias = true;
    guardar();
  };
  ventana.al_mostrar_pantalla = guardar;

  guardar();  // the start screen
  if (ventana.al_pulsar_asistente) {
    ventana.al_pulsar_asistente();  // first click: connect the meter
    ventana.al_pulsar_asistente();  // second click: search, connect, check
  }
  ventana.al_mostrar_pantalla = nullptr;
  ventana.al_avanzar_general = nullptr;
  ventana.al_confirmar_desatendido = nullptr;
  ventana.al_mensaje_desatendido = nullptr;
  return bien;
}

}  // namespace r27
