#include "app/ventana/formulario_fpga.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/ventana/dialogo_fichero.h"
#include "app/ventana/formularios.h"
#include "components/tcfpga.h"

namespace r27 {

namespace {

QString Q(std::string_view texto) {
  return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

// Captions of the fields (the controls that change carry object names).
constexpr const char* kTexto_numero = "Numero de configuraciones :";
constexpr const char* kTexto_cantidad = "Configuraciones :";
constexpr const char* kTexto_actual = "Configuracion actual :";
constexpr const char* kTexto_fichero = "Fichero :";
constexpr const char* kTexto_descripcion = "Descripcion :";

QLabel* Valor(QWidget* padre, const char* nombre) {
  auto* l = new QLabel(padre);
  l->setObjectName(nombre);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

QPushButton* Boton(QWidget* padre, const char* nombre, std::string_view texto) {
  auto* b = new QPushButton(Q(texto), padre);
  b->setObjectName(nombre);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

Formulario_fpga::Formulario_fpga(TCFpga& fpga, QWidget* ventana_principal)
    : QDialog(ventana_principal), fpga_(fpga) {
  setObjectName("CFpga");
  setWindowTitle(Q(Dialogo_fpga::kTitulo));

  Edit_n_configuraciones = new QLineEdit(this);
  Edit_n_configuraciones->setObjectName("Edit_n_configuraciones");
  // One digit within the count the dialog allows (the object keeps it there too).
  Edit_n_configuraciones->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QString("[%1-%2]")
                                                             .arg(TCFpga::kMinimo_configuraciones)
                                                             .arg(TCFpga::kMaximo_configuraciones)),
                                      Edit_n_configuraciones));
  Edit_n_configuraciones->setMaximumWidth(48);
  Label_cantidad_configuraciones = Valor(this, "Label_cantidad_configuraciones");
  Label_configuracion_actual = Valor(this, "Label_configuracion_actual");
  Label_nombre = Valor(this, "Label_nombre");
  Label_nombre->setMinimumWidth(180);
  Edit_descripcion = new QLineEdit(this);
  Edit_descripcion->setObjectName("Edit_descripcion");
  Edit_descripcion->setMaxLength(static_cast<int>(TCFpga::kLongitud_descripcion));
  Edit_descripcion->setMaximumWidth(120);

  But_nombre_fichero = Boton(this, "But_nombre_fichero", Dialogo_fpga::kCargar_fichero);
  But_anterior = Boton(this, "But_anterior", Dialogo_fpga::kAnterior);
  But_siguiente = Boton(this, "But_siguiente", Dialogo_fpga::kSiguiente);
  Button_ok = Boton(this, "Button_ok", Dialogo_fpga::kGrabar);
  Button_cancel = Boton(this, "Button_cancel", Dialogo_fpga::kCancelar);

  Lbl_estado_fpga = Valor(this, "Lbl_estado_fpga");
  Lbl_estado_fpga->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Lbl_estado_fpga->setMinimumHeight(Lbl_estado_fpga->fontMetrics().height() + 8);
  Lbl_estado_fpga->setContentsMargins(4, 0, 4, 0);

  OpenDialog_conf_fpga = std::make_unique<Dialogo_fichero_diferido>(this, Q(Dialogo_fpga::kFiltro));
  Elegir_fichero = [this] { return Abrir_dialogo_fichero(); };

  auto* campos = new QGridLayout;
  campos->setHorizontalSpacing(12);
  int fila = 0;
  auto Fila = [&](const char* texto, QWidget* control) {
    campos->addWidget(new QLabel(texto, this), fila, 0);
    campos->addWidget(control, fila, 1, Qt::AlignLeft);
    ++fila;
  };
  Fila(kTexto_numero, Edit_n_configuraciones);
  Fila(kTexto_cantidad, Label_cantidad_configuraciones);
  Fila(kTexto_actual, Label_configuracion_actual);
  Fila(kTexto_fichero, Label_nombre);
  Fila(kTexto_descripcion, Edit_descripcion);
  campos->setColumnStretch(1, 1);

  auto* navegacion = new QHBoxLayout;
  navegacion->addWidget(But_anterior);
  navegacion->addWidget(But_siguiente);

  auto* acciones = new QHBoxLayout;
  acciones->addWidget(Button_ok);
  acciones->addStretch();
  acciones->addWidget(Button_cancel);

  auto* linea = new QFrame(this);
  linea->setFrameShape(QFrame::HLine);
  linea->setFrameShadow(QFrame::Sunken);

  auto* columna = new QVBoxLayout(this);
  columna->addLayout(campos);
  columna->addWidget(But_nombre_fichero);
  columna->addLayout(navegacion);
  columna->addWidget(linea);
  columna->addWidget(Lbl_estado_fpga);
  columna->addLayout(acciones);
  columna->setSizeConstraint(QLayout::SetFixedSize);

  Reflejar(fpga_.Label_cantidad_configuraciones, Label_cantidad_configuraciones);
  Reflejar(fpga_.Label_configuracion_actual, Label_configuracion_actual);
  Reflejar(fpga_.Label_nombre, Label_nombre);
  Reflejar(fpga_.Lbl_estado_fpga, Lbl_estado_fpga);
  Edit_descripcion->setText(QString::fromLatin1(fpga_.Edit_descripcion.Texto()));
  fpga_.Edit_descripcion.Al_cambiar([this] {
    const QString texto = QString::fromLatin1(fpga_.Edit_descripcion.Texto());
    // Only a change: setting the same text would move the cursor while typing.
    if (Edit_descripcion->text() != texto) Edit_descripcion->setText(texto);
  });
  fpga_.al_cerrar = [this] {
    cierre_pedido_ = true;
    done(QDialog::Accepted);
    cierre_pedido_ = false;
  };

  connect(Edit_n_configuraciones, &QLineEdit::textChanged, this,
          [this](const QString& t) { fpga_.Edit_num_configuraciones(t.toStdString()); });
  // The directory keeps one byte per character.
  connect(Edit_descripcion, &QLineEdit::textChanged, this,
          [this](const QString& t) { fpga_.Editar_descripcion(t.toLatin1().toStdString()); });
  connect(But_nombre_fichero, &QPushButton::clicked, this, [this] {
    if (fpga_.configuracion_actual < 1) return;  // no configuration to name
    fpga_.But_nombre_ficheroClick(Elegir_fichero().toStdString());
  });
  connect(But_siguiente, &QPushButton::clicked, this, [this] { fpga_.But_siguienteClick(); });
  connect(But_anterior, &QPushButton::clicked, this, [this] { fpga_.But_anteriorClick(); });
  connect(Button_ok, &QPushButton::clicked, this, [this] { Grabar(); });
  connect(Button_cancel, &QPushButton::clicked, this, [this] { fpga_.Button_cancelClick(); });
}

Formulario_fpga::~Formulario_fpga() {
  // The object may outlive the form: leave it no way back into the widgets.
  for (Texto_control* t : {&fpga_.Label_cantidad_configuraciones, &fpga_.Label_configuracion_actual,
                           &fpga_.Label_nombre, &fpga_.Lbl_estado_fpga, &fpga_.Edit_descripcion})
    t->Al_cambiar(nullptr);
  fpga_.al_cerrar = nullptr;
}

QString Formulario_fpga::Abrir_dialogo_fichero() {
  OpenDialog_conf_fpga->FileName.clear();
  QFileDialog& dialogo = OpenDialog_conf_fpga->Dialogo();
  dialogo.selectFile(QString());  // the file name preset empty
  if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return {};
  OpenDialog_conf_fpga->FileName = QDir::toNativeSeparators(dialogo.selectedFiles().front());
  return OpenDialog_conf_fpga->FileName;
}

void Formulario_fpga::Habilitar(bool habilitado) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{Edit_n_configuraciones, Edit_descripcion, But_nombre_fichero,
                                       But_siguiente, But_anterior, Button_ok, Button_cancel})
    w->setEnabled(habilitado);
}

void Formulario_fpga::Grabar() {
  // The waits let window messages run: nothing else may be clicked meanwhile.
  Habilitar(false);
  if (!antes_de_grabar || antes_de_grabar()) fpga_.Button_okClick();
  Habilitar(true);
}

void Formulario_fpga::closeEvent(QCloseEvent* evento) {
  if (fpga_.En_curso() && !cierre_pedido_) {
    evento->ignore();  // the line is in the middle of the write sequence
    return;
  }
  QDialog::closeEvent(evento);
}

void Formulario_fpga::reject() {
  if (!fpga_.En_curso() || cierre_pedido_) QDialog::reject();
}

}  // namespace r27
