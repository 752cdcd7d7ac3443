#pragma once
// The application object: an exception that escapes an event handler is shown in
// a message box and the program carries on, as the classic toolkits do.
#include <QApplication>
#include <QString>

namespace r27 {

class Aplicacion : public QApplication {
 public:
  Aplicacion(int& argc, char** argv);

  bool notify(QObject* receptor, QEvent* evento) override;

 protected:
  virtual void Mostrar_excepcion(const QString& texto);
};

}  // namespace r27
