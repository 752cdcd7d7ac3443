#pragma once
// The About box: one picture with the product name and version; it closes with its
// close box. Shown modally from the menu item "Acerca de".
#include <QDialog>

class QLabel;

namespace r27 {

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAncho_imagen = 373;
  static constexpr int kAlto_imagen = 390;

  explicit TFormAbout(QWidget* parent = nullptr);

  QLabel* ImageAbout = nullptr;
};

}  // namespace r27
