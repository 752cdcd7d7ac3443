// One application object for every window test; off screen unless told otherwise.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include "tests/ventana/ventana_prueba.h"

int main(int argc, char** argv) {
  // Also when the tests are listed or run by hand, outside ctest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString privado = QDir::tempPath() + "/r27-pruebas-ventana-xdg";
    QDir().mkpath(privado);
    QFile::setPermissions(privado,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", privado.toLocal8Bit());
  }
  ::testing::InitGoogleTest(&argc, argv);
  r27::pruebas::Aplicacion_prueba aplicacion(argc, argv);
  return RUN_ALL_TESTS();
}
