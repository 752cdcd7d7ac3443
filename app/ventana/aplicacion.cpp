// The application object and its exception display.
#include "app/ventana/aplicacion.h"

#include <QMessageBox>
#include <exception>

namespace r27 {

Aplicacion::Aplicacion(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Update");
}

bool Aplicacion::notify(QObject* receptor, QEvent* evento) {
  try {
    return QApplication::notify(receptor, evento);
  } catch (const std::exception& e) {
    Mostrar_excepcion(QString::fromUtf8(e.what()));
  } catch (...) {
    Mostrar_excepcion("Unknown exception");
  }
  return false;
}

void Aplicacion::Mostrar_excepcion(const QString& texto) {
  QMessageBox::critical(activeWindow(), applicationName(), texto);
}

}  // namespace r27
