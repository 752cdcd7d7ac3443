#pragma once
// Service mode's "History...": the recorded runs in a table, newest first, a
// failed run's row in red and one that did not complete (cancelled, refused,
// interrupted) in amber; the file it came from, and any damaged line skipped.
#include <QColor>
#include <QDialog>

#include "app/nucleo/historial.h"
#include "app/nucleo/vista_historial.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace r27 {

class Dialogo_historial : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kColumna_resultado = Vista_historial::kColumna_resultado;

  // Its words in the language of `textos`.
  Dialogo_historial(const Lectura_historial& lectura, const QString& fichero,
                    const Textos_historial& textos, QWidget* padre);

  // The row's background by how a run ended; none for one that ended well.
  static QColor Color_de(Clase_registro clase);

  QTableWidget* Tabla = nullptr;
  QLabel* Label_fichero = nullptr;
  QLabel* Label_avisos = nullptr;
  QPushButton* Button_cerrar = nullptr;
};

}  // namespace r27
