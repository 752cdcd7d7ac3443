#pragma once
// The "Parametros por defecto" dialog over a TFParam_defecto: the two radio
// groups, the ten check boxes in their four groups, the status and action lines
// and the OK and cancel picture buttons. The boxes mirror the object's
// Casilla state (usable only in service mode) and write back to it; the lines
// mirror its texts; the buttons call its handlers.
#include <QDialog>
#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QToolButton;

namespace r27 {

class TFParam_defecto;
struct Casilla;

class Formulario_param_defecto : public QDialog {
  Q_OBJECT

 public:
  Formulario_param_defecto(TFParam_defecto& param, QWidget* ventana_principal);
  ~Formulario_param_defecto() override;

  QGroupBox* RadioGroup_modelo = nullptr;
  QButtonGroup* RadioGroup_modelo_items = nullptr;
  QGroupBox* RadioGroup_idioma = nullptr;
  QButtonGroup* RadioGroup_idioma_items = nullptr;
  QGroupBox* GroupBox_Grabar_en_Eeprom = nullptr;
  QCheckBox* check_grabar_conf_fabrica = nullptr;
  QCheckBox* check_grabar_conf_actual = nullptr;
  QCheckBox* check_grabar_perfiles = nullptr;
  QGroupBox* GroupBox_Borrar_en_Eeprom = nullptr;
  QCheckBox* check_borrar_incidencias = nullptr;
  QGroupBox* GroupBox_Borrar_en_Flash = nullptr;
  QCheckBox* check_borrar_tablas = nullptr;
  QCheckBox* check_borrar_memorias = nullptr;
  QCheckBox* check_borrar_macromedidas = nullptr;
  QCheckBox* check_borrar_logs = nullptr;
  QGroupBox* GroupBox_Grabar_en_flash = nullptr;
  QCheckBox* check_grabar_planes = nullptr;
  QCheckBox* check_grabar_opciones = nullptr;
  QLabel* Panel_estado = nullptr;
  QLabel* Panel_accion = nullptr;
  QToolButton* Button_ok = nullptr;
  QToolButton* Button_cancel = nullptr;

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void keyPressEvent(QKeyEvent* evento) override;
  void reject() override;

 private:
  struct Enlace_casilla {
    QCheckBox* control;
    Casilla* casilla;
  };
  QCheckBox* Nueva_casilla(QGroupBox* grupo, const char* nombre, Casilla& casilla, int fila);
  void Aceptar();
  // Every control off during the run; afterwards the boxes as the object allows.
  void Habilitar(bool habilitado);

  TFParam_defecto& param_;
  std::array<Enlace_casilla, 10> casillas_{};
  size_t n_casillas_ = 0;
  bool cierre_pedido_ = false;  // the object closes the dialog (its run ended)
};

}  // namespace r27
