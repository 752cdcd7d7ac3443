#pragma once
// The "Configuracion fpga" dialog over a TCFpga programming object: the count of
// configurations, the file and description of each, previous/next, the write
// and cancel buttons and the status label. Every control calls the object's
// handler; the labels and the description box mirror the object's texts.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace r27 {

class Dialogo_fichero_diferido;
class TCFpga;

class Formulario_fpga : public QDialog {
  Q_OBJECT

 public:
  Formulario_fpga(TCFpga& fpga, QWidget* ventana_principal);
  ~Formulario_fpga() override;

  QLineEdit* Edit_n_configuraciones = nullptr;
  QLabel* Label_cantidad_configuraciones = nullptr;
  QLabel* Label_configuracion_actual = nullptr;
  QLabel* Label_nombre = nullptr;
  QLineEdit* Edit_descripcion = nullptr;
  QPushButton* But_nombre_fichero = nullptr;
  QPushButton* But_siguiente = nullptr;
  QPushButton* But_anterior = nullptr;
  QPushButton* Button_ok = nullptr;
  QPushButton* Button_cancel = nullptr;
  QLabel* Lbl_estado_fpga = nullptr;
  // ".rbf|*.rbf", built when "Cargar fichero configuracion" first opens it.
  std::unique_ptr<Dialogo_fichero_diferido> OpenDialog_conf_fpga;
  // Asks for a configuration file; "" when nothing was chosen. Opens
  // OpenDialog_conf_fpga unless a test puts its own answer here.
  std::function<QString()> Elegir_fichero;
  // Asked before the write sequence starts; false keeps it from starting (the
  // service menu's dialog needs a connected meter with the loader running).
  std::function<bool()> antes_de_grabar;

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void reject() override;

 private:
  void Grabar();
  void Habilitar(bool habilitado);
  QString Abrir_dialogo_fichero();
  TCFpga& fpga_;
  bool cierre_pedido_ = false;  // the object closes the dialog (its run ended)
};

}  // namespace r27
