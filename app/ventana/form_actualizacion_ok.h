#pragma once
// The box that announces a correct update. It is created at start-up and released
// at exit; the wizard reports the end of an update itself, so nothing shows it.
#include <QDialog>

class QGroupBox;
class QLabel;

namespace r27 {

class TForm_act_correcta : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAncho_cliente = 192;
  static constexpr int kAlto_cliente = 96;

  explicit TForm_act_correcta(QWidget* parent = nullptr);

  QGroupBox* GroupBox1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label1 = nullptr;
};

}  // namespace r27
