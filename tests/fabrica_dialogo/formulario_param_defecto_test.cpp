// The "Parametros por defecto" form over its object, off screen, and service
// mode in the main window: the "Configurar" entries and the step ticks the
// technician may change before the update, present only in service mode.
#include "app/ventana/formulario_param_defecto.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/nucleo/historial.h"
#include "app/ventana/captura.h"
#include "app/ventana/dialogo_historial.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/formulario_fpga.h"
#include "app/ventana/modo_servicio.h"
#include "app/ventana/ventana_brisco.h"
#include "factory/tfparam_defecto.h"
#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Ventana_con_guion;

struct Casilla_esperada {
  const char* nombre;
  const char* grupo;
  const char* texto;
  bool marcada;
};
const Casilla_esperada kCasillas[] = {
    {"check_grabar_conf_fabrica", "GroupBox_Grabar_en_Eeprom", "Configuración de fábrica", true},
    {"check_grabar_conf_actual", "GroupBox_Grabar_en_Eeprom", "Configuración por defecto", true},
    {"check_grabar_perfiles", "GroupBox_Grabar_en_Eeprom", "Perfiles", false},
    {"check_borrar_incidencias", "GroupBox_Borrar_en_Eeprom", "Incidencias", false},
    {"check_borrar_tablas", "GroupBox_Borrar_en_Flash", "Tablas memorias y macromedidas", false},
    {"check_borrar_memorias", "GroupBox_Borrar_en_Flash", "Memorias", false},
    {"check_borrar_macromedidas", "GroupBox_Borrar_en_Flash", "Macromedidas", false},
    {"check_borrar_logs", "GroupBox_Borrar_en_Flash", "Logs", false},
    {"check_grabar_planes", "GroupBox_Grabar_en_flash", "Planes de Canales", false},
    {"check_grabar_opciones", "GroupBox_Grabar_en_flash", "Opciones", false},
};

TEST(Formulario_param_defecto, EveryControlInItsInitialState) {
  for (const uint8_t modo : {uint8_t{'N'}, uint8_t{'A'}}) {
    SCOPED_TRACE(modo == 'A' ? "service mode" : "normal");
    Ventana_con_guion g;
    g.v.estado.modo_servicio = modo;
    TFParam_defecto f(g.v);
    Formulario_param_defecto fo(f, nullptr);
    fo.show();
    EXPECT_EQ(fo.windowTitle(), "Parametros por defecto");
    EXPECT_EQ(fo.size(), QSize(515, 462));

    struct Grupo {
      const char* nombre;
      const char* titulo;
    };
    for (const Grupo& gr :
         {Grupo{"RadioGroup_modelo", "Modelo "}, Grupo{"RadioGroup_idioma", " Idioma "},
          Grupo{"GroupBox_Grabar_en_Eeprom", " Grabar Eeprom "},
          Grupo{"GroupBox_Borrar_en_Eeprom", "Borrar Eeprom "},
          Grupo{"GroupBox_Borrar_en_Flash", " Borrar Flash "},
          Grupo{"GroupBox_Grabar_en_flash", " Grabar Flash "}}) {
      auto* caja = fo.findChild<QGroupBox*>(gr.nombre);
      ASSERT_NE(caja, nullptr) << gr.nombre;
      EXPECT_EQ(caja->title(), gr.titulo);
    }
    struct Radios {
      QButtonGroup* grupo;
      QStringList items;
    };
    for (const Radios& r :
         {Radios{fo.RadioGroup_modelo_items, {"Lumo", "Lumo HD", "Forte", "Zonal"}},
          Radios{fo.RadioGroup_idioma_items,
                 {"Español", "Inglés", "Francés", "Portugués", "Italiano", "Alemán"}}}) {
      QStringList textos;
      for (QAbstractButton* b : r.grupo->buttons()) textos << b->text();
      EXPECT_EQ(textos, r.items);
      EXPECT_EQ(r.grupo->checkedId(), 0);
    }
    for (const Casilla_esperada& c : kCasillas) {
      auto* caja = fo.findChild<QCheckBox*>(c.nombre);
      ASSERT_NE(caja, nullptr) << c.nombre;
      EXPECT_EQ(caja->parent()->objectName(), c.grupo) << c.nombre;
      EXPECT_EQ(caja->text(), QString::fromUtf8(c.texto)) << c.nombre;
      EXPECT_EQ(caja->isChecked(), c.marcada) << c.nombre;
      EXPECT_EQ(caja->isEnabled(), modo == 'A') << c.nombre;
    }
    EXPECT_TRUE(fo.Panel_estado->text().isEmpty());
    EXPECT_TRUE(fo.Panel_accion->text().isEmpty());
    EXPECT_FALSE(fo.Button_ok->icon().isNull());
    EXPECT_FALSE(fo.Button_cancel->icon().isNull());
  }
}

// Also pictured for the documentation.
TEST(Formulario_param_defecto, ControlsDriveTheObjectAndMirrorIt) {
  Ventana_con_guion g;
  g.v.estado.modo_servicio = kModo_servicio_activo;
  TFParam_defecto f(g.v);
  Formulario_param_defecto fo(f, nullptr);
  fo.show();
  fo.check_grabar_conf_fabrica->click();
  fo.check_borrar_logs->click();
  EXPECT_FALSE(f.check_grabar_conf_fabrica.marcada);
  EXPECT_TRUE(f.check_borrar_logs.marcada);
  fo.check_grabar_opciones->click();
  f.Panel_estado.Fijar("Borrando logs ...");
  f.Panel_accion.Fijar("Sector 44 borrado");
  EXPECT_EQ(fo.Panel_estado->text(), "Borrando logs ...");
  EXPECT_EQ(fo.Panel_accion->text(), "Sector 44 borrado");
  QApplication::processEvents();
  ASSERT_TRUE(Guardar_captura(fo, R27_CAPTURAS "/captura_param_defecto.png"));

  // No meter connected: OK says so, sends nothing and the form stays.
  fo.Button_ok->click();
  EXPECT_EQ(g.v.mensajes, std::vector<std::string>{"No hay ningun medidor conectado"});
  EXPECT_TRUE(g.guion->Escrituras().empty());
  EXPECT_TRUE(fo.isVisible());
  EXPECT_TRUE(fo.check_borrar_logs->isEnabled());  // usable again after the click

  fo.Button_cancel->click();
  EXPECT_FALSE(fo.isVisible());
  EXPECT_TRUE(g.guion->Escrituras().empty());
}

// OK rewrites the meter's factory data and Cancel closes: both are clicked,
// never pressed by a key, and the Tab key never stops on them.
TEST(Formulario_param_defecto, NingunaTeclaPulsaOkNiCancelar) {
  Ventana_con_guion g;
  g.v.estado.modo_servicio = kModo_servicio_activo;
  TFParam_defecto f(g.v);
  Formulario_param_defecto fo(f, nullptr);
  fo.show();
  fo.activateWindow();
  fo.check_borrar_logs->setFocus();
  QApplication::processEvents();
  for (const Qt::Key tecla : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
    SCOPED_TRACE(QKeySequence(tecla).toString().toStdString());
    QTest::keyClick(fo.focusWidget() ? fo.focusWidget() : &fo, tecla);
    QApplication::processEvents();
    EXPECT_TRUE(fo.isVisible());
    EXPECT_TRUE(g.v.mensajes.empty());  // an OK would say no meter is connected
  }
  for (int i = 0; i < 40; ++i) {
    QTest::keyClick(fo.focusWidget() ? fo.focusWidget() : &fo, Qt::Key_Tab);
    ASSERT_NE(fo.focusWidget(), fo.Button_ok);
    ASSERT_NE(fo.focusWidget(), fo.Button_cancel);
  }
  EXPECT_TRUE(g.guion->Escrituras().empty());
}

// --- Service mode in the main window ---

class Ventana_servicio final : public Tventana_brisco {
 public:
  Ventana_servicio() : Tventana_brisco(std::make_unique<pruebas::Backend_inerte>()) {}
  void Mensaje(const std::string& texto) override { mensajes.push_back(texto); }
  bool Confirmar(const std::string& texto) override {
    preguntas.push_back(texto);
    return false;
  }
  std::vector<std::string> mensajes;
  std::vector<std::string> preguntas;

 protected:
  void Terminar_proceso() override {}
};

// What the update saw when the wizard handed the meter over.
struct Entrega {
  int veces = 0;
  std::array<bool, 7> ticks{};
  bool casillas_visibles = false;
  bool casillas_habilitadas = true;
};

class Servicio : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    dir_ = fs::temp_directory_path() /
           ("r27_servicio_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    fs::copy_file(R27_IDIOMAS_INI, dir_ / "idiomas.ini", fs::copy_options::overwrite_existing);
    anterior_ = fs::current_path();
    fs::current_path(dir_);
    v_ = std::make_unique<Ventana_servicio>();
    enlace_ = new Enlace_asistente(*v_);
    // The update itself is not under test: it notes what it was handed.
    enlace_->Asistente_().ejecutar_actualizacion = [this] {
      const Estado_ventana& e = v_->Estado();
      ++entrega_.veces;
      entrega_.ticks = {e.Check_teclado, e.Check_borrar,   e.Check_configuracion, e.Check_planes,
                        e.Check_fpga,    e.Check_firmware, e.Check_mpeg4_apl};
      entrega_.casillas_visibles = Casillas_visibles();
      entrega_.casillas_habilitadas = false;
      for (QCheckBox* c : Casillas()) entrega_.casillas_habilitadas |= c->isEnabled();
    };
    v_->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    v_.reset();
    std::filesystem::current_path(anterior_);
    std::filesystem::remove_all(dir_);
  }

  std::array<QCheckBox*, 7> Casillas() const {
    return {v_->Check_teclado, v_->Check_borrar,   v_->Check_configuracion, v_->Check_planes,
            v_->Check_fpga,    v_->Check_firmware, v_->Check_mpeg4_apl};
  }
  bool Casillas_visibles() const {
    for (QCheckBox* c : Casillas())
      if (!c->isVisible()) return false;
    return true;
  }
  QStringList Entradas_configurar() const {
    QStringList t;
    for (QAction* a : v_->MenuConfigurar->actions()) t << a->text();
    return t;
  }
  // The tick decision of a meter that needs its FPGA set and firmware.
  void Decidir() {
    Estado_ventana& e = v_->Estado();
    e.conectado = true;
    e.Check_teclado = e.Check_borrar = e.Check_configuracion = e.Check_planes = false;
    e.Check_mpeg4_apl = false;
    e.Check_fpga = e.Check_firmware = true;
  }

  std::filesystem::path dir_, anterior_;
  std::unique_ptr<Ventana_servicio> v_;
  Enlace_asistente* enlace_ = nullptr;
  Entrega entrega_;
};

TEST_F(Servicio, WithoutServiceModeNoEntriesAndNoPause) {
  EXPECT_EQ(v_->Estado().modo_servicio, 'N');
  EXPECT_FALSE(Entradas_configurar().contains("Parametros por defecto..."));
  EXPECT_FALSE(Entradas_configurar().contains("Configuracion fpga..."));
  EXPECT_FALSE(Entradas_configurar().contains(QString::fromStdString(v_->Textos().historial.menu)));
  Decidir();
  enlace_->Asistente_().ejecutar_actualizacion();
  EXPECT_EQ(entrega_.veces, 1);
  EXPECT_FALSE(entrega_.casillas_visibles);
  EXPECT_EQ(entrega_.ticks, (std::array<bool, 7>{false, false, false, false, true, true, false}));
}

TEST_F(Servicio, TheTechnicianChangesTheTicksBeforeTheUpdate) {
  auto* servicio = new Modo_servicio(*v_, *enlace_);
  EXPECT_EQ(v_->Estado().modo_servicio, 'A');
  const QStringList entradas = Entradas_configurar();
  EXPECT_EQ(entradas.mid(entradas.size() - 3),
            (QStringList{"Parametros por defecto...", "Configuracion fpga...",
                         QString::fromStdString(v_->Textos().historial.menu)}));
  EXPECT_EQ(servicio->Param_defecto->text(), "Parametros por defecto...");

  Decidir();
  v_->MenuConfigurar->menuAction()->setEnabled(false);  // as the search leaves it
  bool vistas = false, habilitadas = true, marcadas = false, menu = false, boton = false;
  QTimer::singleShot(0, v_.get(), [&] {
    vistas = Casillas_visibles();
    for (QCheckBox* c : Casillas()) habilitadas &= c->isEnabled();
    marcadas = v_->Check_fpga->isChecked() && v_->Check_firmware->isChecked() &&
               !v_->Check_teclado->isChecked();
    menu = v_->MenuConfigurar->menuAction()->isEnabled();
    boton = v_->Button_buscar_puerto->isVisible();
    v_->Check_teclado->click();  // the keyboard step, which no decision ticks
    v_->Check_fpga->click();     // and no FPGA set this time
    EXPECT_EQ(entrega_.veces, 0);
    v_->Button_buscar_puerto->click();
  });
  enlace_->Asistente_().ejecutar_actualizacion();

  EXPECT_TRUE(vistas);
  EXPECT_TRUE(habilitadas);
  EXPECT_TRUE(marcadas);
  EXPECT_TRUE(menu);
  EXPECT_TRUE(boton);
  ASSERT_EQ(entrega_.veces, 1);
  EXPECT_EQ(entrega_.ticks, (std::array<bool, 7>{true, false, false, false, false, true, false}));
  EXPECT_TRUE(entrega_.casillas_visibles);      // shown during the update,
  EXPECT_FALSE(entrega_.casillas_habilitadas);  // but not to be changed
  EXPECT_FALSE(Casillas_visibles());            // and gone afterwards
  EXPECT_FALSE(v_->MenuConfigurar->menuAction()->isEnabled());
}

TEST_F(Servicio, AMeterThatGoesAwayEndsThePauseWithoutUpdate) {
  new Modo_servicio(*v_, *enlace_);
  Decidir();
  QTimer::singleShot(0, v_.get(), [&] { v_->Estado().conectado = false; });
  enlace_->Asistente_().ejecutar_actualizacion();
  EXPECT_EQ(entrega_.veces, 0);
  EXPECT_FALSE(Casillas_visibles());
  EXPECT_TRUE(v_->Button_buscar_puerto->isVisible());  // back at the start
  EXPECT_TRUE(v_->MenuConfigurar->menuAction()->isEnabled());
}

TEST_F(Servicio, DialogsWithoutAMeterSendNothing) {
  auto* servicio = new Modo_servicio(*v_, *enlace_);
  int abiertos = 0;
  servicio->ejecutar_dialogo = [&](QDialog& d) {
    ++abiertos;
    d.show();
    if (auto* p = qobject_cast<Formulario_param_defecto*>(&d)) {
      EXPECT_TRUE(p->check_borrar_logs->isEnabled());  // service mode: usable
      p->Button_ok->click();
      EXPECT_TRUE(p->isVisible());
      p->Button_cancel->click();
    } else if (auto* f = qobject_cast<Formulario_fpga*>(&d)) {
      f->Edit_n_configuraciones->setText("1");
      f->Button_ok->click();
      EXPECT_TRUE(f->isVisible());
      d.close();
    }
    EXPECT_FALSE(d.isVisible());
  };
  servicio->Param_defecto->trigger();
  servicio->Config_fpga->trigger();
  EXPECT_EQ(abiertos, 2);
  EXPECT_EQ(v_->mensajes, (std::vector<std::string>{"No hay ningun medidor conectado",
                                                    "No hay ningun medidor conectado"}));
  EXPECT_EQ(v_->Estado().codigo_error, 0);  // the FPGA write never started
}

// The runs, newest first, a failed one in red and a cancelled one in amber.
TEST_F(Servicio, HistoryNewestFirstWithTheFailedRunsColoured) {
  Historial h(dir_ / "datos" / kNombre_historial);
  for (const char* resultado : {"updated", "failed", "cancelled"}) {
    Registro_historial r;
    r.hora = "2025-03-07T14:05:09+01:00";
    r.puerto = "COM3";
    r.resultado = resultado;
    r.antes = Identidad_registrada{"QZT", "EUR", "3.00.00000", false, "3.2", std::nullopt, 0};
    if (r.resultado == "updated") {
      r.despues = r.antes;
      r.despues->version = "3.01.00000";
      r.pasos = {{"zona", "done", 10, ""}, {"firmware", "done", 44, ""}};
      r.comprobacion = Comprobacion_registrada{true, 17};
    } else if (r.resultado == "failed") {
      r.codigo_resultado = 23;
      r.motivo = "Grabar_flash: esperaba 0x55, llego nada (tiempo agotado)";
      r.pasos = {{"zona", "done", 10, ""}, {"firmware", "failed", 30, r.motivo}};
    }
    ASSERT_TRUE(h.Anotar(r).escrita);
  }
  std::ofstream(h.Fichero(), std::ios::app) << "{\"time\":";  // a run cut off mid-record
  auto* servicio = new Modo_servicio(*v_, *enlace_, &h);
  // The history's words follow the window's language.
  const Textos_historial& palabras = v_->Textos().historial;
  const auto Q = [](const std::string& s) { return QString::fromStdString(s); };
  EXPECT_EQ(servicio->Historial_->text(), Q(palabras.menu));
  EXPECT_EQ(palabras.menu, "Historial...");  // the shipped file shows Spanish
  int abiertos = 0;
  servicio->ejecutar_dialogo = [&](QDialog& d) {
    ++abiertos;
    auto* dh = qobject_cast<Dialogo_historial*>(&d);
    ASSERT_NE(dh, nullptr);
    d.show();
    QApplication::processEvents();
    QTableWidget* t = dh->Tabla;
    ASSERT_EQ(t->rowCount(), 3);
    const int c = Dialogo_historial::kColumna_resultado;
    EXPECT_EQ(d.windowTitle(), Q(palabras.titulo));
    EXPECT_EQ(t->horizontalHeaderItem(c)->text(), Q(palabras.cabeceras[5]));
    EXPECT_EQ(t->item(0, c)->text(), Q(palabras.Desenlace("cancelled")));
    EXPECT_EQ(t->item(1, c)->text(), Q(palabras.Desenlace("failed")));
    EXPECT_EQ(t->item(2, c)->text(), Q(palabras.Desenlace("updated")));
    EXPECT_EQ(t->item(1, 4)->text(), Q(palabras.Paso("zona") + ", " + palabras.Paso("firmware") +
                                       " (" + palabras.fallido + ")"));
    EXPECT_EQ(t->item(0, 0)->background().color(),
              Dialogo_historial::Color_de(Clase_registro::incompleta));
    for (int columna = 0; columna < t->columnCount(); ++columna)
      EXPECT_EQ(t->item(1, columna)->background().color(),
                Dialogo_historial::Color_de(Clase_registro::fallida));
    EXPECT_EQ(t->item(2, 0)->background().style(), Qt::NoBrush);
    EXPECT_EQ(t->item(1, 8)->text().toStdString(),
              "Grabar_flash: esperaba 0x55, llego nada (tiempo agotado)");
    EXPECT_EQ(t->item(2, 3)->text(), "QZT EUR 3.01.00000 FPGA 3.2");
    EXPECT_TRUE(dh->Label_avisos->isVisible());
    EXPECT_TRUE(dh->Label_avisos->text().contains(
        Q(Rellenar(palabras.linea_danada, {h.Fichero().string(), "4", ""}).substr(0, 8))));
    EXPECT_EQ(dh->Button_cerrar->text(), Q(palabras.cerrar));
    ASSERT_TRUE(Guardar_captura(d, R27_CAPTURAS "/captura_historial.png"));
    dh->Button_cerrar->click();
    EXPECT_FALSE(d.isVisible());
  };
  servicio->Historial_->trigger();
  EXPECT_EQ(abiertos, 1);
}

// Each update run is recorded before its outcome screen; a history that cannot be
// written warns once, after the run, and changes nothing of it.
TEST_F(Servicio, EveryUpdateRunIsRecordedAndAnUnwritableHistoryWarnsOnce) {
  std::ofstream(dir_ / "fichero") << "x";
  struct Caso {
    const char* nombre;
    std::filesystem::path fichero;
    bool escrita;
  };
  const Caso casos[] = {
      {"writable", dir_ / "datos" / kNombre_historial, true},
      {"its folder is a file", dir_ / "fichero" / "r27" / kNombre_historial, false},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    // A window of its own for each.
    v_ = std::make_unique<Ventana_servicio>();
    enlace_ = new Enlace_asistente(*v_);
    v_->show();
    Historial h(k.fichero);
    // The sequence tells the run's end before its outcome screen.
    enlace_->Asistente_().ejecutar_actualizacion = [this] {
      ++entrega_.veces;
      Actualizacion& a = enlace_->Actualizacion_();
      ASSERT_TRUE(a.al_terminar);
      a.al_terminar();
    };
    new Modo_servicio(*v_, *enlace_, &h);
    for (int i = 0; i < 2; ++i) {
      Decidir();
      v_->Estado().puerto = 7;
      QTimer::singleShot(0, v_.get(), [&] { v_->Button_buscar_puerto->click(); });
      enlace_->Asistente_().ejecutar_actualizacion();
    }
    EXPECT_EQ(entrega_.veces, 2);
    const Lectura_historial l = h.Leer();
    EXPECT_EQ(l.registros.size(), k.escrita ? 2u : 0u);
    for (const Registro_historial& r : l.registros) {
      EXPECT_EQ(r.programa, "r27-update");
      EXPECT_EQ(r.puerto, "COM7");
      EXPECT_FALSE(r.hora.empty());
    }
    size_t avisos = 0;
    for (const std::string& m : v_->mensajes)
      avisos += m.rfind(Modo_servicio::kAviso_historial, 0) == 0 ? 1 : 0;
    EXPECT_EQ(avisos, k.escrita ? 0u : 1u);
    entrega_ = {};
    v_.reset();
  }
}

}  // namespace
}  // namespace r27
