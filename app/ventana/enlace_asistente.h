#pragma once
// The meter connection and the wizard (Sesion_asistente), plugged into the main
// window: the wizard button, "Actualizar", the "Configurar" menu with its check
// marks, the manual port panel, the disconnect watch's timer and the destructor's
// disconnect. It is a child of the window, so it lives until the window's
// destructor has run.
#include <QComboBox>
#include <QObject>
#include <array>
#include <functional>

#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/panel_puerto.h"
#include "app/nucleo/sesion_asistente.h"
#include "app/nucleo/temporizador.h"
#include "app/ventana/ventana_brisco.h"
#include "link/directorio_puertos.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace r27 {

// The panel's combo box: it fills itself when the technician enters it or opens
// its list, so it always names the ports that exist now.
class Combo_puertos : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> al_entrar;
  void showPopup() override;

 protected:
  void focusInEvent(QFocusEvent* evento) override;
};

class Enlace_asistente : public QObject, public Vista_asistente, public Interfaz_temporizador {
 public:
  static constexpr int kPuertos_radio = ::r27::kPuertos_radio;

  explicit Enlace_asistente(Tventana_brisco& ventana,
                            const Directorio_puertos& directorio = Directorio_sistema());

  Sesion_asistente& Sesion() { return sesion_; }
  Conexion& Conexion_() { return sesion_.Conexion_(); }
  Asistente& Asistente_() { return sesion_.Asistente_(); }
  Actualizacion& Actualizacion_() { return sesion_.Actualizacion_(); }

  // Menu "Configurar".
  void Auto1Click();
  void MenuPuertoClick();
  // The manual port panel.
  void COM_Click(int item);
  void Com_extendedChange();
  void Com_extended_select(int indice);
  void BConfigurarPuertoClick();

  // Vista_asistente.
  void Mostrar_pantalla(const Pantalla& pantalla) override;
  void Fijar_linea2(const std::string& texto) override;
  void Fijar_linea3(const std::string& texto) override;
  void Mostrar_imagen(int indice) override;
  void Mostrar_numeros(bool visibles) override;
  void Mostrar_boton(bool visible) override;
  void Ocultar_progreso() override;
  void Habilitar_menus(bool habilitados) override;
  bool Modo_automatico() const override;
  void Elegir_manual() override;

  // Interfaz_temporizador over Timer_desconexion.
  void Habilitar() override;
  void Deshabilitar() override;
  bool Habilitado() const override;

  // Controls of the manual port panel, named as in the form design.
  QGroupBox* COM = nullptr;
  QButtonGroup* COM_items = nullptr;
  std::array<QRadioButton*, kPuertos_radio> COM_radios{};
  Combo_puertos* Com_extended = nullptr;
  QPushButton* BConfigurarPuerto = nullptr;

 private:
  void Construir_panel();

  Tventana_brisco& ventana_;
  const Directorio_puertos& directorio_;
  Sesion_asistente sesion_;
};

}  // namespace r27
