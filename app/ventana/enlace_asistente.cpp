// The wizard and the meter connection wired into the main window.
#include "app/ventana/enlace_asistente.h"

#include <QAction>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace r27 {

void Combo_puertos::showPopup() {
  if (al_entrar) al_entrar();
  QComboBox::showPopup();
}

void Combo_puertos::focusInEvent(QFocusEvent* evento) {
  // Refilled when the technician enters it, not when the list closes on it.
  if (al_entrar && evento->reason() != Qt::PopupFocusReason) al_entrar();
  QComboBox::focusInEvent(evento);
}

Enlace_asistente::Enlace_asistente(Tventana_brisco& ventana, const Directorio_puertos& directorio)
    : QObject(&ventana),
      ventana_(ventana),
      directorio_(directorio),
      sesion_(ventana, *this, *this, directorio, ventana.Textos()) {
  setObjectName("Enlace_asistente");
  Construir_panel();

  ventana.al_pulsar_asistente = [this] { sesion_.Pulsar_asistente(); };
  ventana.al_actualizar = [this] { sesion_.Actualizar(); };
  ventana.al_vigilar_desconexion = [this] { sesion_.Vigilar(); };
  ventana.al_desconectar = [this] { sesion_.Cerrar(); };
  sesion_.Actualizacion_().al_limpiar_fichero = [this] {
    if (ventana_.Dialogo_fichero) ventana_.Dialogo_fichero->FileName.clear();
  };

  connect(ventana.Auto1, &QAction::triggered, this, [this] { Auto1Click(); });
  connect(ventana.MenuPuerto, &QAction::triggered, this, [this] { MenuPuertoClick(); });
}

void Enlace_asistente::Construir_panel() {
  QFrame* panel = ventana_.PConfigurarPuerto;

  COM = new QGroupBox(kTitulo_radio, panel);
  COM->setObjectName("COM");
  COM->setGeometry(32, 64, 250, 136);
  COM_items = new QButtonGroup(COM);
  for (int i = 0; i < kPuertos_radio; ++i) {
    auto* r = new QRadioButton(QString::number(i + 1), COM);
    r->setObjectName(QString("COM_%1").arg(i + 1));
    // Two columns: 1-3 on the left, 4-6 on the right.
    r->setGeometry(24 + (i / 3) * 110, 30 + (i % 3) * 32, 80, 26);
    COM_items->addButton(r, i);
    COM_radios[static_cast<size_t>(i)] = r;
  }
  COM_radios[0]->setChecked(true);
  connect(COM_items, &QButtonGroup::idClicked, this, [this](int item) { COM_Click(item); });

  Com_extended = new Combo_puertos(panel);
  Com_extended->setObjectName("Com_extended");
  Com_extended->setGeometry(330, 96, 160, 30);
  Com_extended->al_entrar = [this] { Com_extendedChange(); };
  connect(Com_extended, &QComboBox::activated, this,
          [this](int indice) { Com_extended_select(indice); });

  BConfigurarPuerto = new QPushButton(kTexto_ok_panel, panel);
  BConfigurarPuerto->setObjectName("BConfigurarPuerto");
  BConfigurarPuerto->setGeometry(470, 208, 90, 32);
  connect(BConfigurarPuerto, &QPushButton::clicked, this, [this] { BConfigurarPuertoClick(); });
}

void Enlace_asistente::Auto1Click() {
  ventana_.Auto1->setChecked(true);
  ventana_.MenuPuerto->setChecked(false);
  ventana_.PConfigurarPuerto->hide();
}

void Enlace_asistente::MenuPuertoClick() {
  ventana_.Auto1->setChecked(false);
  ventana_.MenuPuerto->setChecked(true);
  ventana_.PConfigurarPuerto->show();
  ventana_.PConfigurarPuerto->raise();
}

void Enlace_asistente::COM_Click(int item) {
  Elegir_puerto_radio(ventana_.Estado(), item);
  Com_extended->setCurrentIndex(-1);
}

void Enlace_asistente::Com_extendedChange() {
  const Lista_puertos lista =
      Rellenar_lista_puertos(directorio_, Com_extended->currentText().toStdString());
  Com_extended->clear();
  for (const std::string& nombre : lista.nombres)
    Com_extended->addItem(QString::fromStdString(nombre));
  Com_extended->setCurrentIndex(lista.elegido);
}

void Enlace_asistente::Com_extended_select(int indice) {
  if (indice < 0) return;
  const std::string titulo =
      Elegir_puerto_lista(ventana_.Estado(), Com_extended->itemText(indice).toStdString());
  if (titulo.empty()) return;
  COM->setTitle(QString::fromStdString(titulo));
  // No radio item stands for this port any more.
  COM_items->setExclusive(false);
  for (QRadioButton* r : COM_radios) r->setChecked(false);
  COM_items->setExclusive(true);
}

void Enlace_asistente::BConfigurarPuertoClick() { ventana_.PConfigurarPuerto->hide(); }

void Enlace_asistente::Mostrar_pantalla(const Pantalla& pantalla) {
  ventana_.Mostrar_pantalla(pantalla);
}

void Enlace_asistente::Fijar_linea2(const std::string& texto) {
  ventana_.Label_info2->setText(QString::fromStdString(texto));
  ventana_.Label_info2->adjustSize();
}

void Enlace_asistente::Fijar_linea3(const std::string& texto) {
  ventana_.Label_info3->setText(QString::fromStdString(texto));
  ventana_.Label_info3->adjustSize();
}

void Enlace_asistente::Mostrar_imagen(int indice) {
  if (indice < 0 || indice >= kNumero_imagenes_accion) return;
  ventana_.Image_accion->setPixmap(ventana_.ImageList_acciones[static_cast<size_t>(indice)]);
  ventana_.Image_accion->repaint();
  ventana_.Procesar_mensajes();
}

void Enlace_asistente::Mostrar_numeros(bool visibles) {
  for (QLabel* l : {ventana_.Label_n1, ventana_.Label_n2, ventana_.Label_n3})
    l->setVisible(visibles);
}

void Enlace_asistente::Mostrar_boton(bool visible) {
  ventana_.Button_buscar_puerto->setVisible(visible);
  ventana_.Image_buscar_puerto->setVisible(visible);
}

void Enlace_asistente::Ocultar_progreso() {
  ventana_.Barra_progreso_control->hide();
  ventana_.ProgressBar_general_control->hide();
  ventana_.Label_progreso_general->hide();
}

void Enlace_asistente::Habilitar_menus(bool habilitados) {
  for (QMenu* m : {ventana_.MenuArchivo, ventana_.MenuConfigurar, ventana_.MenuAyuda})
    m->menuAction()->setEnabled(habilitados);
  // The manual port panel with them: a port chosen during a search or an update
  // would send the reconnects and the check after writing to another port.
  ventana_.PConfigurarPuerto->setEnabled(habilitados);
}

bool Enlace_asistente::Modo_automatico() const { return ventana_.Auto1->isChecked(); }

void Enlace_asistente::Elegir_manual() { MenuPuertoClick(); }

void Enlace_asistente::Habilitar() { ventana_.Timer_desconexion->start(); }

void Enlace_asistente::Deshabilitar() { ventana_.Timer_desconexion->stop(); }

bool Enlace_asistente::Habilitado() const { return ventana_.Timer_desconexion->isActive(); }

}  // namespace r27
