// The open-file dialog, built on demand.
#include "app/ventana/dialogo_fichero.h"

#include <QFileDialog>

#include "app/ventana/filtro_dialogo.h"

namespace r27 {

Dialogo_fichero_diferido::Dialogo_fichero_diferido(QWidget* padre, const QString& filtro)
    : padre_(padre), filtros_(Filtro_qt(filtro)) {}

QFileDialog& Dialogo_fichero_diferido::Dialogo() {
  if (!dialogo_) {
    dialogo_ = new QFileDialog(padre_);
    dialogo_->setObjectName("Dialogo_fichero");
    dialogo_->setFileMode(QFileDialog::ExistingFile);
    dialogo_->setNameFilters(filtros_);
  }
  if (!FileName.isEmpty()) dialogo_->selectFile(FileName);
  return *dialogo_;
}

}  // namespace r27
