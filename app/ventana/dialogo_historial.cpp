// The history in a table.
#include "app/ventana/dialogo_historial.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace r27 {

namespace {

QString Q(const std::string& t) { return QString::fromStdString(t); }
QColor Qcolor(Color_rgb c) { return QColor(c.r, c.g, c.b); }

constexpr int kAncho_minimo = 720;
constexpr int kAncho_maximo = 1400;

}  // namespace

QColor Dialogo_historial::Color_de(Clase_registro clase) {
  const std::optional<Colores_fila> colores = Colores_de(clase);
  return colores ? Qcolor(colores->fondo) : QColor();
}

Dialogo_historial::Dialogo_historial(const Lectura_historial& lectura, const QString& fichero,
                                     const Textos_historial& textos, QWidget* padre)
    : QDialog(padre) {
  setObjectName("Dialogo_historial");
  const Vista_historial vista = Vista_de(lectura, fichero.toStdString(), textos);
  setWindowTitle(Q(vista.titulo));
  auto* capa = new QVBoxLayout(this);

  Label_fichero = new QLabel(this);
  Label_fichero->setObjectName("Label_fichero");
  Label_fichero->setText(Q(vista.linea_fichero));
  capa->addWidget(Label_fichero);

  const int columnas = static_cast<int>(Vista_historial::kColumnas);
  Tabla = new QTableWidget(static_cast<int>(vista.filas.size()), columnas, this);
  Tabla->setObjectName("Tabla");
  QStringList cabeceras;
  for (const std::string& c : vista.cabeceras) cabeceras << Q(c);
  Tabla->setHorizontalHeaderLabels(cabeceras);
  Tabla->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
  Tabla->verticalHeader()->hide();
  Tabla->horizontalHeader()->setStretchLastSection(true);

  for (int fila = 0; fila < static_cast<int>(vista.filas.size()); ++fila) {
    const Fila_historial& f = vista.filas[static_cast<size_t>(fila)];
    const std::optional<Colores_fila> colores = Colores_de(f.clase);
    const std::string& motivo = f.celdas[Vista_historial::kColumna_motivo];
    for (int c = 0; c < columnas; ++c) {
      auto* celda = new QTableWidgetItem(Q(f.celdas[static_cast<size_t>(c)]));
      if (colores) {
        celda->setBackground(Qcolor(colores->fondo));
        celda->setForeground(Qcolor(colores->texto));
      }
      // The reason, often long, on every cell of the row.
      if (!motivo.empty()) celda->setToolTip(Q(motivo));
      Tabla->setItem(fila, c, celda);
    }
  }
  Tabla->resizeColumnsToContents();
  capa->addWidget(Tabla, 1);

  Label_avisos = new QLabel(this);
  Label_avisos->setObjectName("Label_avisos");
  QStringList avisos;
  for (const std::string& a : vista.avisos) avisos << Q(a);
  Label_avisos->setText(avisos.join('\n'));
  Label_avisos->setVisible(!avisos.isEmpty());
  capa->addWidget(Label_avisos);

  Button_cerrar = new QPushButton(Q(vista.cerrar), this);
  Button_cerrar->setObjectName("Button_cerrar");
  connect(Button_cerrar, &QPushButton::clicked, this, &QDialog::accept);
  capa->addWidget(Button_cerrar, 0, Qt::AlignRight);
  // Wide enough for every column, the reason included, within a usual screen.
  int ancho = 0;
  for (int c = 0; c < columnas; ++c) ancho += Tabla->columnWidth(c);
  resize(std::clamp(ancho + 48, kAncho_minimo, kAncho_maximo), 420);
}

}  // namespace r27
