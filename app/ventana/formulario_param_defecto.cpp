#include "app/ventana/formulario_param_defecto.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <span>

#include "app/ventana/formularios.h"
#include "app/ventana/imagenes.h"
#include "factory/tfparam_defecto.h"

namespace r27 {

namespace {

using Textos = Dialogo_param_defecto;

QString Q(std::string_view texto) {
  return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

// Design of the form (pixels): two radio groups on the left, the four groups
// of boxes on the right, the two lines and the picture buttons at the bottom.
constexpr int kMargen = 12;
constexpr int kAncho_radios = 156;
constexpr int kX_grupos = kMargen + kAncho_radios + 12;
constexpr int kAncho_grupos = Textos::kAncho - kX_grupos - kMargen;
constexpr int kAlto_titulo = 22;  // a group's caption, above its first row
constexpr int kAlto_fila = 22;
constexpr int kEntre_grupos = 6;
constexpr int kX_fila = 14;
constexpr int kY_lineas = 382;
constexpr int kAlto_linea = 28;
constexpr int kLado_boton = 65;
constexpr int kLado_imagen = 64;

int Alto_grupo(int filas) { return kAlto_titulo + filas * kAlto_fila + 8; }

QGroupBox* Grupo(QWidget* padre, const char* nombre, std::string_view titulo, int x, int y,
                 int ancho, int filas) {
  auto* g = new QGroupBox(Q(titulo), padre);
  g->setObjectName(nombre);
  g->setGeometry(x, y, ancho, Alto_grupo(filas));
  return g;
}

// A radio group: its items one under another, the first selected.
QButtonGroup* Radios(QGroupBox* grupo, std::span<const std::string_view> items) {
  auto* botones = new QButtonGroup(grupo);
  int fila = 0;
  for (std::string_view item : items) {
    auto* r = new QRadioButton(Q(item), grupo);
    r->setGeometry(kX_fila, kAlto_titulo + fila * kAlto_fila, grupo->width() - 2 * kX_fila,
                   kAlto_fila);
    botones->addButton(r, fila++);
  }
  botones->button(0)->setChecked(true);
  return botones;
}

QLabel* Panel(QWidget* padre, const char* nombre, int y) {
  auto* l = new QLabel(padre);
  l->setObjectName(nombre);
  l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  l->setAutoFillBackground(true);
  l->setBackgroundRole(QPalette::Base);
  l->setContentsMargins(6, 0, 6, 0);
  l->setTextFormat(Qt::PlainText);
  l->setGeometry(kMargen, y, Textos::kAncho - 2 * kMargen - 2 * kLado_boton - 20, kAlto_linea);
  return l;
}

QToolButton* Boton_imagen(QWidget* padre, const char* nombre, Imagen_ventana imagen, int x) {
  auto* b = new QToolButton(padre);
  b->setObjectName(nombre);
  b->setAutoRaise(true);  // a flat picture button
  b->setGeometry(x, kY_lineas, kLado_boton, kLado_boton);
  b->setIcon(Dibujar_imagen(imagen, padre));
  b->setIconSize(QSize(kLado_imagen, kLado_imagen));
  // Clicked, never pressed from the keyboard: no key reaches a button without focus.
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

Formulario_param_defecto::Formulario_param_defecto(TFParam_defecto& param,
                                                   QWidget* ventana_principal)
    : QDialog(ventana_principal), param_(param) {
  setObjectName("FParam_defecto");
  setWindowTitle(Q(Textos::kTitulo));
  setFixedSize(Textos::kAncho, Textos::kAlto);

  RadioGroup_modelo = Grupo(this, "RadioGroup_modelo", Textos::kModelo, kMargen, kMargen,
                            kAncho_radios, static_cast<int>(std::size(Textos::kModelos)));
  RadioGroup_modelo_items = Radios(RadioGroup_modelo, Textos::kModelos);
  RadioGroup_idioma = Grupo(this, "RadioGroup_idioma", Textos::kIdioma, kMargen,
                            RadioGroup_modelo->geometry().bottom() + 1 + kEntre_grupos,
                            kAncho_radios, static_cast<int>(std::size(Textos::kIdiomas)));
  RadioGroup_idioma_items = Radios(RadioGroup_idioma, Textos::kIdiomas);
  // Kept as chosen; nothing reads them (the records use the meter's own language).
  connect(RadioGroup_modelo_items, &QButtonGroup::idClicked, this,
          [this](int i) { param_.RadioGroup_modelo = i; });
  connect(RadioGroup_idioma_items, &QButtonGroup::idClicked, this,
          [this](int i) { param_.RadioGroup_idioma = i; });

  int y = kMargen;
  GroupBox_Grabar_en_Eeprom = Grupo(this, "GroupBox_Grabar_en_Eeprom", Textos::kGrabar_eeprom,
                                    kX_grupos, y, kAncho_grupos, 3);
  check_grabar_conf_fabrica = Nueva_casilla(GroupBox_Grabar_en_Eeprom, "check_grabar_conf_fabrica",
                                            param_.check_grabar_conf_fabrica, 0);
  check_grabar_conf_actual = Nueva_casilla(GroupBox_Grabar_en_Eeprom, "check_grabar_conf_actual",
                                           param_.check_grabar_conf_actual, 1);
  check_grabar_perfiles = Nueva_casilla(GroupBox_Grabar_en_Eeprom, "check_grabar_perfiles",
                                        param_.check_grabar_perfiles, 2);
  check_grabar_conf_fabrica->setText(Q(Textos::kConf_fabrica));
  check_grabar_conf_actual->setText(Q(Textos::kConf_actual));
  check_grabar_perfiles->setText(Q(Textos::kPerfiles));

  y = GroupBox_Grabar_en_Eeprom->geometry().bottom() + 1 + kEntre_grupos;
  GroupBox_Borrar_en_Eeprom = Grupo(this, "GroupBox_Borrar_en_Eeprom", Textos::kBorrar_eeprom,
                                    kX_grupos, y, kAncho_grupos, 1);
  check_borrar_incidencias = Nueva_casilla(GroupBox_Borrar_en_Eeprom, "check_borrar_incidencias",
                                           param_.check_borrar_incidencias, 0);
  check_borrar_incidencias->setText(Q(Textos::kIncidencias));

  y = GroupBox_Borrar_en_Eeprom->geometry().bottom() + 1 + kEntre_grupos;
  GroupBox_Borrar_en_Flash = Grupo(this, "GroupBox_Borrar_en_Flash", Textos::kBorrar_flash,
                                   kX_grupos, y, kAncho_grupos, 4);
  check_borrar_tablas =
      Nueva_casilla(GroupBox_Borrar_en_Flash, "check_borrar_tablas", param_.check_borrar_tablas, 0);
  check_borrar_memorias = Nueva_casilla(GroupBox_Borrar_en_Flash, "check_borrar_memorias",
                                        param_.check_borrar_memorias, 1);
  check_borrar_macromedidas = Nueva_casilla(GroupBox_Borrar_en_Flash, "check_borrar_macromedidas",
                                            param_.check_borrar_macromedidas, 2);
  check_borrar_logs =
      Nueva_casilla(GroupBox_Borrar_en_Flash, "check_borrar_logs", param_.check_borrar_logs, 3);
  check_borrar_tablas->setText(Q(Textos::kTablas));
  check_borrar_memorias->setText(Q(Textos::kMemorias));
  check_borrar_macromedidas->setText(Q(Textos::kMacromedidas));
  check_borrar_logs->setText(Q(Textos::kLogs));

  y = GroupBox_Borrar_en_Flash->geometry().bottom() + 1 + kEntre_grupos;
  GroupBox_Grabar_en_flash = Grupo(this, "GroupBox_Grabar_en_flash", Textos::kGrabar_flash,
                                   kX_grupos, y, kAncho_grupos, 2);
  check_grabar_planes =
      Nueva_casilla(GroupBox_Grabar_en_flash, "check_grabar_planes", param_.check_grabar_planes, 0);
  check_grabar_opciones = Nueva_casilla(GroupBox_Grabar_en_flash, "check_grabar_opciones",
                                        param_.check_grabar_opciones, 1);
  check_grabar_planes->setText(Q(Textos::kPlanes));
  check_grabar_opciones->setText(Q(Textos::kOpciones));

  Panel_estado = Panel(this, "Panel_estado", kY_lineas);
  Panel_accion = Panel(this, "Panel_accion", kY_lineas + kAlto_linea + kEntre_grupos);
  Reflejar(param_.Panel_estado, Panel_estado);
  Reflejar(param_.Panel_accion, Panel_accion);

  const int x_cancelar = Textos::kAncho - kMargen - kLado_boton;
  Button_cancel = Boton_imagen(this, "Button_cancel", Imagen_ventana::cancelar, x_cancelar);
  Button_ok =
      Boton_imagen(this, "Button_ok", Imagen_ventana::correcta, x_cancelar - 8 - kLado_boton);

  param_.al_cerrar = [this] {
    cierre_pedido_ = true;
    done(QDialog::Accepted);
    cierre_pedido_ = false;
  };
  connect(Button_ok, &QToolButton::clicked, this, [this] { Aceptar(); });
  connect(Button_cancel, &QToolButton::clicked, this, [this] { param_.Button_cancelClick(); });
}

Formulario_param_defecto::~Formulario_param_defecto() {
  // The object may outlive the form: leave it no way back into the widgets.
  param_.Panel_estado.Al_cambiar(nullptr);
  param_.Panel_accion.Al_cambiar(nullptr);
  param_.al_cerrar = nullptr;
}

QCheckBox* Formulario_param_defecto::Nueva_casilla(QGroupBox* grupo, const char* nombre,
                                                   Casilla& casilla, int fila) {
  auto* c = new QCheckBox(grupo);
  c->setObjectName(nombre);
  c->setGeometry(kX_fila, kAlto_titulo + fila * kAlto_fila, grupo->width() - 2 * kX_fila,
                 kAlto_fila);
  c->setChecked(casilla.marcada);
  c->setEnabled(casilla.habilitada);
  connect(c, &QCheckBox::toggled, this, [&casilla](bool marcada) { casilla.marcada = marcada; });
  casillas_[n_casillas_++] = {c, &casilla};
  return c;
}

void Formulario_param_defecto::Habilitar(bool habilitado) {
  for (const Enlace_casilla& e : std::span(casillas_).first(n_casillas_))
    e.control->setEnabled(habilitado && e.casilla->habilitada);
  for (QWidget* w :
       {static_cast<QWidget*>(RadioGroup_modelo), static_cast<QWidget*>(RadioGroup_idioma),
        static_cast<QWidget*>(Button_ok), static_cast<QWidget*>(Button_cancel)})
    w->setEnabled(habilitado);
}

void Formulario_param_defecto::Aceptar() {
  // The waits let window messages run: nothing else may be clicked meanwhile.
  Habilitar(false);
  param_.Button_okClick();
  Habilitar(true);
}

void Formulario_param_defecto::closeEvent(QCloseEvent* evento) {
  if (param_.En_curso() && !cierre_pedido_) {
    evento->ignore();  // the line is in the middle of the run
    return;
  }
  QDialog::closeEvent(evento);
}

void Formulario_param_defecto::keyPressEvent(QKeyEvent* evento) {
  // Enter and Esc press neither OK (which rewrites the meter's factory data) nor
  // Cancel: the technician clicks them.
  switch (evento->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      evento->accept();
      return;
    default:
      QDialog::keyPressEvent(evento);
  }
}

void Formulario_param_defecto::reject() {
  if (!param_.En_curso() || cierre_pedido_) QDialog::reject();
}

}  // namespace r27
