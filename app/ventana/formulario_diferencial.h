#pragma once
// The differential-update dialog of a TCDiferencial programming object: the date
// of the meter's last update and the question whether to try a differential
// update. No step shows it (every firmware step writes every segment); its two
// buttons set the window's `diferencial` flag through the programming object.
#include <QDialog>

class QLabel;
class QToolButton;

namespace r27 {

class TCDiferencial;

class Formulario_diferencial : public QDialog {
  Q_OBJECT

 public:
  Formulario_diferencial(TCDiferencial& diferencial, QWidget* ventana_principal);

  QLabel* Label_texto_fecha = nullptr;
  QLabel* Label_dia = nullptr;
  QLabel* Label_mes = nullptr;
  QLabel* Label_ano = nullptr;
  QLabel* Label_hora = nullptr;
  QLabel* Label_minuto = nullptr;
  QLabel* Label_pregunta = nullptr;
  QToolButton* Button_diferencial_ok = nullptr;
  QToolButton* Button_diferencial_cancel = nullptr;

 protected:
  void showEvent(QShowEvent* evento) override;

 private:
  TCDiferencial& diferencial_;
};

}  // namespace r27
