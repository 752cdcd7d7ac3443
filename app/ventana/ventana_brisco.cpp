// The main window: its design, its start-up and the ways out of it.
#include "app/ventana/ventana_brisco.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/panel_puerto.h"
#include "app/ventana/formularios.h"
#include "app/ventana/imagenes.h"

namespace r27 {

namespace {

// Design values of the form.
constexpr const char* kTitulo = "UPDATE v3.01";
constexpr const char* kFiltro_fichero = ".hex, .zsw, .bin|*.hex;*.zsw;*.bin";
constexpr const char* kTexto_progreso_general = "Overall progress :";
constexpr const char* kAyuda = "index.html";
constexpr int kPixeles_numeros = 32;
constexpr int kPixeles_info = 16;
constexpr int kPixeles_version = 19;
constexpr int kPixeles_progreso = 12;  // the form's own font size
constexpr int kFila_ticks = 368;
// Label1 is right-aligned: its right edge stays at 461 + 118 while it grows.
constexpr QRect kCaja_version{461, 116, 118, 24};

constexpr const char* kEstilo_barra =
    "QProgressBar { border: 1px solid #9fb0c2; border-radius: 4px; background: #ffffff; }"
    "QProgressBar::chunk { border-radius: 3px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
    " stop:0 #3f7fc0, stop:1 #1f5486); }";

QFont Fuente(int pixeles, bool negrita) {
  QFont f = QApplication::font();
  f.setPixelSize(pixeles);
  f.setBold(negrita);
  return f;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Etiqueta(QWidget* padre, const char* nombre, int x, int y, const QFont& fuente) {
  auto* l = new QLabel(padre);
  l->setObjectName(nombre);
  l->setFont(fuente);
  l->setTextFormat(Qt::PlainText);
  l->move(x, y);
  // Text drawn over the wizard button must not catch its clicks.
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  return l;
}

QLabel* Imagen(QWidget* padre, const char* nombre, const QRect& caja) {
  auto* l = new QLabel(padre);
  l->setObjectName(nombre);
  l->setGeometry(caja);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  return l;
}

// A flat speed button: no face of its own, the picture under it shows through.
QToolButton* Boton_plano(QWidget* padre, const char* nombre, const QRect& caja) {
  auto* b = new QToolButton(padre);
  b->setObjectName(nombre);
  b->setGeometry(caja);
  b->setAutoRaise(true);
  b->setCursor(Qt::PointingHandCursor);
  b->setFocusPolicy(Qt::NoFocus);
  b->setStyleSheet("QToolButton { border: none; background: transparent; }");
  return b;
}

QProgressBar* Barra_control(QWidget* padre, const char* nombre, const QRect& caja) {
  auto* p = new QProgressBar(padre);
  p->setObjectName(nombre);
  p->setGeometry(caja);
  p->setRange(0, 100);
  p->setValue(0);
  p->setTextVisible(false);
  p->setStyleSheet(kEstilo_barra);
  p->hide();
  return p;
}

}  // namespace

Tventana_brisco::Tventana_brisco(std::unique_ptr<Backend_serie> backend, QWidget* parent)
    : QMainWindow(parent), Ventana_nucleo(std::move(backend)) {
  // 1. The form from its design.
  Construir_formulario();

  // 2-13. Every state field at its start value; the language file of the working
  // directory; the embedded firmware image and the version line.
  Arrancar(Ruta_idiomas());

  // 3. The start picture.
  Image_accion->setPixmap(ImageList_acciones[kImagen_inicio]);

  // 6. The menu captions.
  Poner_textos_menu();

  // 9.
  Label_progreso_general->setText(Q(textos_[Texto::PROGRESO_GENERAL]));
  Label_progreso_general->adjustSize();

  // 10-12. The version line and the start screen.
  Fijar_linea_version(Q(Linea_version_()));
  Mostrar_pantalla(Pantalla_inicio(textos_, Linea_version_()));
}

Tventana_brisco::~Tventana_brisco() {
  if (Estado().conectado && al_desconectar) al_desconectar();
  Liberar();
}

void Tventana_brisco::Construir_formulario() {
  setObjectName("ventana_brisco");
  setWindowTitle(kTitulo);
  // System menu and minimise only: no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  auto* cliente = new QWidget(this);
  cliente->setObjectName("cliente");
  cliente->setFixedSize(kAncho_cliente, kAlto_cliente);
  cliente->setAutoFillBackground(true);
  QPalette paleta = cliente->palette();
  paleta.setColor(QPalette::Window, Color_fondo_cliente());
  paleta.setColor(QPalette::WindowText, Color_texto());
  cliente->setPalette(paleta);
  setCentralWidget(cliente);

  const QPixmap fondo = Dibujar_imagen(Imagen_ventana::fondo, this);
  Fondo = Imagen(cliente, "Fondo", {0, 0, 600, 400});
  Fondo->setPixmap(fondo);
  // The alternative background is never shown; it shares the same picture.
  Image_vmk = Imagen(cliente, "Image_vmk", {0, 0, 601, 401});
  Image_vmk->setPixmap(fondo);
  Image_vmk->hide();

  for (int i = 0; i < kNumero_imagenes_accion; ++i)
    ImageList_acciones[static_cast<size_t>(i)] = Dibujar_imagen_accion(i, this);
  Image_accion = Imagen(cliente, "Image_accion", {40, 136, 128, 128});

  // The wizard button over its picture, and the texts above both.
  Image_buscar_puerto = Imagen(cliente, "Image_buscar_puerto", {280, 224, 128, 128});
  Image_buscar_puerto->setPixmap(Dibujar_imagen(Imagen_ventana::boton_asistente, this));
  Button_buscar_puerto = Boton_plano(cliente, "Button_buscar_puerto", {280, 224, 128, 128});
  connect(Button_buscar_puerto, &QToolButton::clicked, this, [this] {
    if (al_pulsar_asistente) al_pulsar_asistente();
  });

  const QFont numeros = Fuente(kPixeles_numeros, true);
  Label_n1 = Etiqueta(cliente, "Label_n1", 192, 144, numeros);
  Label_n2 = Etiqueta(cliente, "Label_n2", 192, 192, numeros);
  Label_n3 = Etiqueta(cliente, "Label_n3", 192, 240, numeros);
  int n = 1;
  for (QLabel* l : {Label_n1, Label_n2, Label_n3}) {
    // Tighter than the font's own spacing so "1." keeps clear of the text beside it.
    QFont f = l->font();
    f.setLetterSpacing(QFont::AbsoluteSpacing, -4);
    l->setFont(f);
    l->setText(QString("%1.").arg(n++));
    l->setStyleSheet(QString("color: %1;").arg(Color_acento().name()));
    l->adjustSize();
    l->hide();
  }

  const QFont info = Fuente(kPixeles_info, false);
  Label_info1 = Etiqueta(cliente, "Label_info1", 224, 152, info);
  Label_info2 = Etiqueta(cliente, "Label_info2", 224, 200, info);
  Label_info3 = Etiqueta(cliente, "Label_info3", 224, 248, info);

  Label1 = Etiqueta(cliente, "Label1", kCaja_version.x(), kCaja_version.y(),
                    Fuente(kPixeles_version, true));
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label1->setGeometry(kCaja_version);

  Image_salir = Imagen(cliente, "Image_salir", {0, 342, 32, 32});
  Image_salir->setPixmap(Dibujar_imagen(Imagen_ventana::salir, this));
  SpeedButton_exit = Boton_plano(cliente, "SpeedButton_exit", {0, 342, 32, 32});
  connect(SpeedButton_exit, &QToolButton::clicked, this, [this] { SpeedButton_exitClick(); });

  Barra_progreso_control = Barra_control(cliente, "Barra_progreso", {40, 280, 521, 25});
  Label_progreso_general =
      Etiqueta(cliente, "Label_progreso_general", 40, 288, Fuente(kPixeles_progreso, false));
  Label_progreso_general->setText(kTexto_progreso_general);
  Label_progreso_general->adjustSize();
  Label_progreso_general->hide();
  ProgressBar_general_control = Barra_control(cliente, "ProgressBar_general", {40, 304, 521, 25});
  Reflejar_barra(Barra_progreso(), Barra_progreso_control);
  Reflejar_barra(ProgressBar_general(), ProgressBar_general_control);
  Barra_progreso().Al_cambiar([this] { Reflejar_barra(Barra_progreso(), Barra_progreso_control); });
  ProgressBar_general().Al_cambiar([this] {
    Reflejar_barra(ProgressBar_general(), ProgressBar_general_control);
    if (al_avanzar_general) al_avanzar_general();
  });

  // The step ticks: only the program sets them, so they stay hidden.
  struct Tick {
    QCheckBox** control;
    const char* nombre;
    const char* texto;
  };
  const Tick ticks[] = {
      {&Check_teclado, "Check_teclado", "Teclado"},
      {&Check_borrar, "Check_borrar", "Borrar"},
      {&Check_configuracion, "Check_configuracion", "Zona"},
      {&Check_planes, "Check_planes", "Planes"},
      {&Check_fpga, "Check_fpga", "Fpga"},
      {&Check_firmware, "Check_firmware", "Medidor"},
      {&Check_mpeg4_apl, "Check_mpeg4_apl", "Mpeg4_apl"},
  };
  int x = 40;
  for (const Tick& t : ticks) {
    auto* c = new QCheckBox(t.texto, cliente);
    c->setObjectName(t.nombre);
    c->move(x, kFila_ticks);
    c->adjustSize();
    c->setEnabled(false);
    c->hide();
    x += 76;
    *t.control = c;
  }
  Check_mpeg4_apl->setEnabled(true);

  Construir_panel_puerto();

  // Never shown: no firmware is read from disk.
  Dialogo_fichero = std::make_unique<Dialogo_fichero_diferido>(this, kFiltro_fichero);

  Timer_desconexion = new QTimer(this);
  Timer_desconexion->setObjectName("Timer_desconexion");
  Timer_desconexion->setInterval(kIntervalo_vigilancia_ms);
  connect(Timer_desconexion, &QTimer::timeout, this, [this] {
    if (al_vigilar_desconexion) al_vigilar_desconexion();
  });

  Construir_menus();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Tventana_brisco::Construir_menus() {
  QMenuBar* barra = menuBar();
  barra->setObjectName("MenuPrincipal");

  MenuArchivo = barra->addMenu(QString());
  MenuArchivo->setObjectName("MenuArchivo");
  Actualizar1 = MenuArchivo->addAction(QString());
  Actualizar1->setObjectName("Actualizar1");
  connect(Actualizar1, &QAction::triggered, this, [this] {
    if (al_actualizar) {
      al_actualizar();
    } else if (al_pulsar_asistente) {
      al_pulsar_asistente();
    }
  });
  MenuSalir = MenuArchivo->addAction(QString());
  MenuSalir->setObjectName("MenuSalir");
  connect(MenuSalir, &QAction::triggered, this, [this] { MenuSalirClick(); });

  MenuConfigurar = barra->addMenu(QString());
  MenuConfigurar->setObjectName("MenuConfigurar");
  Auto1 = MenuConfigurar->addAction(QString());
  Auto1->setObjectName("Auto1");
  Auto1->setCheckable(true);
  Auto1->setChecked(true);
  MenuPuerto = MenuConfigurar->addAction(QString());
  MenuPuerto->setObjectName("MenuPuerto");
  MenuPuerto->setCheckable(true);

  // The plan sets: none is checked until the technician picks one.
  MenuPlanes = MenuConfigurar->addMenu(QString());
  MenuPlanes->setObjectName("MenuPlanes");
  auto* grupo_planes = new QActionGroup(MenuPlanes);
  for (int k = 0; k < static_cast<int>(Planes_conjunto.size()); ++k) {
    QAction* a = MenuPlanes->addAction(QString());
    a->setObjectName(QString("Planes_conjunto%1").arg(k));
    a->setCheckable(true);
    grupo_planes->addAction(a);
    connect(a, &QAction::triggered, this, [this, k] { MenuPlanesClick(k); });
    Planes_conjunto[static_cast<size_t>(k)] = a;
  }

  MenuAyuda = barra->addMenu(QString());
  MenuAyuda->setObjectName("MenuAyuda");
  MenuAyuda->menuAction()->setVisible(false);
  Ayuda = MenuAyuda->addAction(QString());
  Ayuda->setObjectName("Ayuda");
  connect(Ayuda, &QAction::triggered, this, [this] { AyudaClick(); });
  About1 = MenuAyuda->addAction(QString());
  About1->setObjectName("About1");
  connect(About1, &QAction::triggered, this, [this] { About1Click(); });
}

void Tventana_brisco::Construir_panel_puerto() {
  // The manual port panel: white, hidden until "Manual" is chosen. Its port choice
  // belongs to the wizard.
  PConfigurarPuerto = new QFrame(centralWidget());
  PConfigurarPuerto->setObjectName("PConfigurarPuerto");
  PConfigurarPuerto->setGeometry(8, 96, 585, 257);
  PConfigurarPuerto->setFrameShape(QFrame::Box);
  PConfigurarPuerto->setAutoFillBackground(true);
  QPalette p = PConfigurarPuerto->palette();
  p.setColor(QPalette::Window, Qt::white);
  PConfigurarPuerto->setPalette(p);
  auto* banda = new QLabel(kTitulo_panel, PConfigurarPuerto);
  banda->setObjectName("Banda_puerto");
  banda->setGeometry(1, 1, 583, 40);
  banda->setStyleSheet("background: black; color: white; padding-left: 16px;");
  banda->setFont(Fuente(22, true));
  PConfigurarPuerto->hide();
}

void Tventana_brisco::Poner_textos_menu() {
  const Menu_textos& m = textos_.menu;
  MenuArchivo->setTitle(Q(m.MenuArchivo));
  Actualizar1->setText(Q(m.Actualizar1));
  MenuSalir->setText(Q(m.MenuSalir));
  MenuConfigurar->setTitle(Q(m.MenuConfigurar));
  Auto1->setText(Q(m.Auto1));
  MenuPuerto->setText(Q(m.MenuPuerto));
  MenuPlanes->setTitle(Q(m.MenuPlanes));
  const std::array<const std::string*, 5> conjuntos{
      &m.Planes_europa, &m.Planes_asia, &m.Planes_america, &m.Planes_este, &m.Planes_australia};
  for (size_t k = 0; k < conjuntos.size(); ++k) Planes_conjunto[k]->setText(Q(*conjuntos[k]));
  MenuAyuda->setTitle(Q(m.MenuAyuda));
  Ayuda->setText(Q(m.Ayuda));
  About1->setText(Q(m.About1));
}

void Tventana_brisco::Reflejar_barra(const Barra& barra, QProgressBar* control) {
  // An empty range would turn a Qt progress bar into a busy indicator; an empty
  // bar is what the numbers mean.
  if (barra.Maximo() <= barra.Minimo()) {
    control->setRange(0, 1);
    control->setValue(0);
    return;
  }
  control->setRange(barra.Minimo(), barra.Maximo());
  control->setValue(barra.Posicion());
}

void Tventana_brisco::Fijar_linea_version(const QString& texto) {
  Label1->setText(texto);
  // Right-aligned and sized to its text: it grows to the left, never clips.
  const int ancho = std::max(kCaja_version.width(), Label1->sizeHint().width());
  Label1->setGeometry(kCaja_version.right() + 1 - ancho, kCaja_version.y(), ancho,
                      kCaja_version.height());
}

void Tventana_brisco::Mostrar_pantalla(const Pantalla& pantalla) {
  if (pantalla.imagen >= 0 && pantalla.imagen < kNumero_imagenes_accion)
    Image_accion->setPixmap(ImageList_acciones[static_cast<size_t>(pantalla.imagen)]);
  QLabel* lineas[] = {Label_info1, Label_info2, Label_info3};
  for (size_t i = 0; i < 3; ++i) {
    lineas[i]->setText(Q(pantalla.lineas[i]));
    lineas[i]->adjustSize();
  }
  for (QLabel* l : {Label_n1, Label_n2, Label_n3}) l->setVisible(pantalla.numeros_visibles);
  Button_buscar_puerto->setVisible(pantalla.boton_visible);
  Image_buscar_puerto->setVisible(pantalla.boton_visible);
  if (pantalla.progreso_general_visible) {
    ProgressBar_general_control->setVisible(*pantalla.progreso_general_visible);
    Label_progreso_general->setVisible(*pantalla.progreso_general_visible);
  }
  Image_accion->repaint();
  Procesar_mensajes();
  if (al_mostrar_pantalla) al_mostrar_pantalla();
}

void Tventana_brisco::Procesar_mensajes() { QCoreApplication::processEvents(); }

void Tventana_brisco::Pitido(unsigned frecuencia_hz, unsigned duracion_ms) {
  ultima_frecuencia_ = frecuencia_hz;
  ultima_duracion_ = duracion_ms;
  QApplication::beep();
}

void Tventana_brisco::Mensaje(const std::string& texto) {
  if (al_mensaje_desatendido) {
    al_mensaje_desatendido(texto);
    return;
  }
  QMessageBox caja(QMessageBox::NoIcon, QApplication::applicationName(), Q(texto), QMessageBox::Ok,
                   this);
  caja.setTextFormat(Qt::PlainText);
  caja.exec();
}

bool Tventana_brisco::Confirmar(const std::string& texto) {
  if (al_confirmar_desatendido) return al_confirmar_desatendido(texto);
  QMessageBox caja(QMessageBox::NoIcon, QString(), Q(texto), QMessageBox::Ok | QMessageBox::Cancel,
                   this);
  caja.setTextFormat(Qt::PlainText);
  return caja.exec() == QMessageBox::Ok;
}

void Tventana_brisco::closeEvent(QCloseEvent* evento) {
  // Refused while an update runs; otherwise Salir: the connection loops stop.
  if (Cierre_permitido(Estado())) {
    evento->accept();
  } else {
    evento->ignore();
  }
}

void Tventana_brisco::MenuSalirClick() {
  switch (Salida_menu(Estado())) {
    case Salida::avisar:
      Mensaje(textos_[Texto::AVISOACT]);
      return;
    case Salida::rechazar:
      return;
    case Salida::terminar:
      Terminar_proceso();
  }
}

void Tventana_brisco::SpeedButton_exitClick() {
  if (Salida_boton(Estado()) == Salida::terminar) Terminar_proceso();
}

void Tventana_brisco::Terminar_proceso() {
  std::fflush(nullptr);
  std::_Exit(0);
}

void Tventana_brisco::AyudaClick() {
  // A missing help page is not reported.
  const QFileInfo pagina(QDir::current(), kAyuda);
  if (!pagina.isFile()) return;
  Abrir_documento(QUrl::fromLocalFile(pagina.absoluteFilePath()));
}

void Tventana_brisco::Abrir_documento(const QUrl& url) { (void)QDesktopServices::openUrl(url); }

void Tventana_brisco::About1Click() {
  if (FormAbout) FormAbout->exec();
}

void Tventana_brisco::MenuPlanesClick(int conjunto) {
  if (!Elegir_planes(Estado(), conjunto)) return;
  Planes_conjunto[static_cast<size_t>(conjunto)]->setChecked(true);
  Check_planes->setChecked(true);
}

}  // namespace r27
