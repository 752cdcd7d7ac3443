// The history in a table.
#include "app/ventana/dialogo_historial.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/nucleo/tabla_historial.h"

namespace r27 {

namespace {

QString Q(const std::string& t) { return QString::fromStdString(t); }

constexpr int kAncho_minimo = 720;
constexpr int kAncho_maximo = 1400;

const char* const kCabeceras[] = {"Fecha",     "Puerto", "Antes",      "Despues", "Pasos",
                                  "Resultado", "Codigo", "Comprobada", "Motivo"};

}  // namespace

QColor Dialogo_historial::Color_de(Clase_registro clase) {
  switch (clase) {
    case Clase_registro::fallida:
      return QColor(255, 190, 190);
    case Clase_registro::incompleta:
      return QColor(255, 232, 170);
    case Clase_registro::correcta:
      break;
  }
  return {};
}

Dialogo_historial::Dialogo_historial(const Lectura_historial& lectura, const QString& fichero,
                                     QWidget* padre)
    : QDialog(padre) {
  setObjectName("Dialogo_historial");
  setWindowTitle(kTitulo);
  auto* capa = new QVBoxLayout(this);

  Label_fichero = new QLabel(this);
  Label_fichero->setObjectName("Label_fichero");
  Label_fichero->setText(lectura.existe ? fichero + QString("  (%1)").arg(lectura.registros.size())
                                        : fichero + "  (sin ejecuciones)");
  capa->addWidget(Label_fichero);

  const int columnas = static_cast<int>(std::size(kCabeceras));
  Tabla = new QTableWidget(static_cast<int>(lectura.registros.size()), columnas, this);
  Tabla->setObjectName("Tabla");
  QStringList cabeceras;
  for (const char* c : kCabeceras) cabeceras << c;
  Tabla->setHorizontalHeaderLabels(cabeceras);
  Tabla->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
  Tabla->verticalHeader()->hide();
  Tabla->horizontalHeader()->setStretchLastSection(true);

  // Newest first: the file holds them in the order they ended.
  int fila = 0;
  for (auto it = lectura.registros.rbegin(); it != lectura.registros.rend(); ++it, ++fila) {
    const Registro_historial& r = *it;
    const std::string probada =
        r.comprobacion ? (r.comprobacion->probada ? "si" : "no") : std::string();
    const std::string celdas[] = {Texto_hora(r),
                                  r.puerto,
                                  Texto_identidad_breve(r.antes),
                                  Texto_identidad_breve(r.despues),
                                  Texto_pasos_registrados(r),
                                  r.resultado,
                                  std::to_string(r.codigo_resultado),
                                  probada,
                                  r.motivo};
    const QColor color = Color_de(r.Clase());
    for (int c = 0; c < columnas; ++c) {
      auto* celda = new QTableWidgetItem(Q(celdas[c]));
      if (color.isValid()) celda->setBackground(color);
      // The reason, often long, on every cell of the row.
      if (!r.motivo.empty()) celda->setToolTip(Q(r.motivo));
      Tabla->setItem(fila, c, celda);
    }
  }
  Tabla->resizeColumnsToContents();
  capa->addWidget(Tabla, 1);

  Label_avisos = new QLabel(this);
  Label_avisos->setObjectName("Label_avisos");
  QStringList avisos;
  if (!lectura.error.empty()) avisos << Q(lectura.error);
  for (const std::string& a : lectura.avisos) avisos << Q(a);
  Label_avisos->setText(avisos.join('\n'));
  Label_avisos->setVisible(!avisos.isEmpty());
  capa->addWidget(Label_avisos);

  Button_cerrar = new QPushButton("Cerrar", this);
  Button_cerrar->setObjectName("Button_cerrar");
  connect(Button_cerrar, &QPushButton::clicked, this, &QDialog::accept);
  capa->addWidget(Button_cerrar, 0, Qt::AlignRight);
  // Wide enough for every column, the reason included, within a usual screen.
  int ancho = 0;
  for (int c = 0; c < columnas; ++c) ancho += Tabla->columnWidth(c);
  resize(std::clamp(ancho + 48, kAncho_minimo, kAncho_maximo), 420);
}

}  // namespace r27
