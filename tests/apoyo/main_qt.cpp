// The main of the window test programs: one QApplication, off screen and with a
// private runtime directory unless the environment says otherwise (ctest sets
// both; this covers a program run by hand).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString privado =
        QDir::tempPath() + "/r27-" + QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() + "-xdg";
    QDir().mkpath(privado);
    QFile::setPermissions(privado,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", privado.toLocal8Bit());
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication aplicacion(argc, argv);
  return RUN_ALL_TESTS();
}
