#pragma once
// The open-file dialog of the window's design. Nothing shows it (no firmware is read
// from disk), and a Qt file dialog starts a directory scan when it is built, so the
// dialog is only built when something asks for it; the filter and the file name
// live here meanwhile.
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace r27 {

class Dialogo_fichero_diferido {
 public:
  // `filtro` in the classic form ("text|*.a;*.b").
  Dialogo_fichero_diferido(QWidget* padre, const QString& filtro);

  const QStringList& Filtros() const { return filtros_; }
  bool Construido() const { return dialogo_ != nullptr; }
  // The dialog, built on first use with the filters and the file name.
  QFileDialog& Dialogo();

  // The selected file name, as the design's dialog holds it.
  QString FileName;

 private:
  QWidget* padre_;
  QStringList filtros_;
  QFileDialog* dialogo_ = nullptr;  // owned by padre_
};

}  // namespace r27
