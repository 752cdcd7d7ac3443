#include "app/ventana/demostracion.h"

#include <QLabel>
#include <QMessageBox>
#include <iostream>

#include "app/nucleo/guion_demostracion.h"
#include "app/ventana/captura.h"
#include "app/ventana/ventana_brisco.h"

namespace r27 {

namespace {

// The pictures as the Qt window takes them.
class Capturas_qt final : public Capturas_demostracion {
 public:
  explicit Capturas_qt(Tventana_brisco& ventana) : ventana_(ventana) {}

  bool Guardar_pantalla(const std::filesystem::path& fichero) override {
    ventana_.Procesar_mensajes();
    return Guardar_captura(ventana_, QString::fromStdString(fichero.string()));
  }

  bool Guardar_pregunta(const std::string& texto, const std::filesystem::path& fichero) override {
    QMessageBox caja(QMessageBox::NoIcon, QString(), QString::fromStdString(texto),
                     QMessageBox::Ok | QMessageBox::Cancel, &ventana_);
    caja.setTextFormat(Qt::PlainText);
    caja.show();
    ventana_.Procesar_mensajes();
    const bool bien =
        Guardar_captura_pantalla(ventana_, caja, QString::fromStdString(fichero.string()));
    caja.close();
    return bien;
  }

  std::array<std::string, 3> Lineas() const override {
    return {ventana_.Label_info1->text().toStdString(), ventana_.Label_info2->text().toStdString(),
            ventana_.Label_info3->text().toStdString()};
  }

 private:
  Tventana_brisco& ventana_;
};

}  // namespace

bool Demostracion(Tventana_brisco& ventana, const QString& carpeta) {
  Capturas_qt capturas(ventana);
  Guion_demostracion guion(carpeta.toStdString(), ".png", capturas, std::cout);
  ventana.al_mensaje_desatendido = [&](const std::string& texto) { guion.Mensaje(texto); };
  ventana.al_confirmar_desatendido = [&](const std::string& texto) {
    return guion.Pregunta(texto);
  };
  ventana.al_avanzar_general = [&] { guion.General_avanzada(ventana.ProgressBar_general()); };
  ventana.al_mostrar_pantalla = [&] { guion.Pantalla_mostrada(); };
  const std::function<void()> pulsar = [&] {
    if (ventana.al_pulsar_asistente) ventana.al_pulsar_asistente();
  };
  const bool bien = guion.Ejecutar(pulsar);
  ventana.al_mostrar_pantalla = nullptr;
  ventana.al_avanzar_general = nullptr;
  ventana.al_confirmar_desatendido = nullptr;
  ventana.al_mensaje_desatendido = nullptr;
  return bien;
}

}  // namespace r27
