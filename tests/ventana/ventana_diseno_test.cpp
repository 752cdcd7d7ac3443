// The main window as the technician first sees it: size, controls, menus, texts.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

class Diseno : public Prueba_ventana {};

TEST_F(Diseno, FixedWindowWithTitleSystemMenuAndMinimiseOnly) {
  Ventana_prueba& v = Crear();
  EXPECT_EQ(v.windowTitle(), "UPDATE v3.01");
  EXPECT_EQ(QApplication::applicationName(), "Update");
  EXPECT_EQ(v.centralWidget()->size(), QSize(601, 401));
  EXPECT_EQ(v.size(), QSize(601, 401 + v.menuBar()->height()));
  EXPECT_EQ(v.minimumSize(), v.maximumSize());
  const Qt::WindowFlags f = v.windowFlags();
  EXPECT_TRUE(f.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(f.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
}

struct Control {
  const char* nombre;
  QRect caja;  // empty size: only the position is fixed (sized to its text)
  bool visible;
};

TEST_F(Diseno, EveryControlHasItsPlaceAndInitialVisibility) {
  Ventana_prueba& v = Crear();
  // clang-format off
  const Control controles[] = {
      {"Fondo", {0, 0, 600, 400}, true},
      {"Image_vmk", {0, 0, 601, 401}, false},
      {"Image_accion", {40, 136, 128, 128}, true},
      {"Label_n1", {192, 144, 0, 0}, false},
      {"Label_n2", {192, 192, 0, 0}, false},
      {"Label_n3", {192, 240, 0, 0}, false},
      {"Label_info1", {224, 152, 0, 0}, true},
      {"Label_info2", {224, 200, 0, 0}, true},
      {"Label_info3", {224, 248, 0, 0}, true},
      {"Button_buscar_puerto", {280, 224, 128, 128}, true},
      {"Image_buscar_puerto", {280, 224, 128, 128}, true},
      {"SpeedButton_exit", {0, 342, 32, 32}, true},
      {"Image_salir", {0, 342, 32, 32}, true},
      {"Barra_progreso", {40, 280, 521, 25}, false},
      {"Label_progreso_general", {40, 288, 0, 0}, false},
      {"ProgressBar_general", {40, 304, 521, 25}, false},
      {"PConfigurarPuerto", {8, 96, 585, 257}, false},
  };
  // clang-format on
  for (const Control& c : controles) {
    SCOPED_TRACE(c.nombre);
    auto* w = v.findChild<QWidget*>(c.nombre);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), v.centralWidget());
    EXPECT_EQ(w->pos(), c.caja.topLeft());
    if (!c.caja.size().isEmpty()) {
      EXPECT_EQ(w->size(), c.caja.size());
    }
    EXPECT_EQ(w->isVisible(), c.visible);
  }
}

TEST_F(Diseno, FontsOfTheWizardTexts) {
  Ventana_prueba& v = Crear();
  for (QLabel* l : {v.Label_n1, v.Label_n2, v.Label_n3}) {
    EXPECT_EQ(l->font().pixelSize(), 32);
    EXPECT_TRUE(l->font().bold());
  }
  EXPECT_EQ(v.Label_n1->text(), "1.");
  EXPECT_EQ(v.Label_n3->text(), "3.");
  for (QLabel* l : {v.Label_info1, v.Label_info2, v.Label_info3})
    EXPECT_EQ(l->font().pixelSize(), 16);
  EXPECT_EQ(v.Label1->font().pixelSize(), 19);
  EXPECT_TRUE(v.Label1->font().bold());
  EXPECT_TRUE(v.Label1->alignment().testFlag(Qt::AlignRight));
}

TEST_F(Diseno, StepTicksAreHiddenAndOnlyTheModuleTickIsEnabled) {
  Ventana_prueba& v = Crear();
  const std::pair<const char*, const char*> ticks[] = {
      {"Check_teclado", "Teclado"},    {"Check_borrar", "Borrar"}, {"Check_configuracion", "Zona"},
      {"Check_planes", "Planes"},      {"Check_fpga", "Fpga"},     {"Check_firmware", "Medidor"},
      {"Check_mpeg4_apl", "Mpeg4_apl"}};
  for (const auto& [nombre, texto] : ticks) {
    SCOPED_TRACE(nombre);
    auto* c = v.findChild<QCheckBox*>(nombre);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->text(), texto);
    EXPECT_EQ(c->y(), 368);
    EXPECT_FALSE(c->isVisible());
    EXPECT_FALSE(c->isChecked());
    EXPECT_EQ(c->isEnabled(), std::string(nombre) == "Check_mpeg4_apl");
  }
}

TEST_F(Diseno, FileDialogAndWatchTimerExistAndStayIdle) {
  Ventana_prueba& v = Crear();
  // The dialog is only built when asked for, with the design's filter.
  ASSERT_NE(v.Dialogo_fichero, nullptr);
  EXPECT_FALSE(v.Dialogo_fichero->Construido());
  EXPECT_EQ(v.findChild<QFileDialog*>(), nullptr);
  const QStringList filtro{".hex, .zsw, .bin (*.hex *.zsw *.bin)"};
  EXPECT_EQ(v.Dialogo_fichero->Filtros(), filtro);
  v.Dialogo_fichero->FileName = "teclado.hex";
  QFileDialog& dialogo = v.Dialogo_fichero->Dialogo();
  EXPECT_EQ(&dialogo, v.findChild<QFileDialog*>("Dialogo_fichero"));
  EXPECT_EQ(dialogo.nameFilters(), filtro);
  EXPECT_FALSE(dialogo.isVisible());
  EXPECT_EQ(&v.Dialogo_fichero->Dialogo(), &dialogo);

  auto* reloj = v.findChild<QTimer*>("Timer_desconexion");
  ASSERT_NE(reloj, nullptr);
  EXPECT_EQ(reloj->interval(), 100);
  EXPECT_FALSE(reloj->isActive());
  EXPECT_FALSE(reloj->isSingleShot());

  int vigilancias = 0;
  v.al_vigilar_desconexion = [&] { ++vigilancias; };
  ASSERT_TRUE(QMetaObject::invokeMethod(reloj, "timeout", Qt::DirectConnection));
  EXPECT_EQ(vigilancias, 1);
}

TEST_F(Diseno, StateStartsAtItsDesignValues) {
  Ventana_prueba& v = Crear();
  const Estado_ventana& e = v.Estado();
  EXPECT_EQ(e.puerto, 1);
  EXPECT_EQ(e.linea.BaudRate, 115200u);
  EXPECT_EQ(e.linea.StopBits, DOS_BITS_PARADA);
  EXPECT_EQ(e.linea.fDtrControl, DTR_CONTROL_ENABLE);
  EXPECT_FALSE(e.conectado || e.saliendo || e.actualizando || e.abortar || e.modo_arranque ||
               e.respuesta_m);
  EXPECT_EQ(e.codigo_error, 0);
  EXPECT_FALSE(v.Puerto().Esta_abierto());
  // The embedded image was parsed: version, segments and the kept record reader.
  EXPECT_STREQ(e.version_fichero.data(), "3.01.00000");
  EXPECT_EQ(e.segmentos_presentes[0x18], 1);
  ASSERT_NE(v.Hex_firmware(), nullptr);
  EXPECT_GT(v.Hex_firmware()->numero_registros, 0);
  ASSERT_NE(v.Lineas_firmware(), nullptr);
  EXPECT_EQ(v.Lineas_firmware()->Longitud(), Lector_lineas::kLongitud_firmware);
  // The uploader lives from start-up on; it learns the picture area at the first loader stage.
  ASSERT_NE(v.Graficos(), nullptr);
  EXPECT_FALSE(v.Graficos()->activo);
  EXPECT_TRUE(v.mensajes.empty());
  EXPECT_EQ(v.Ultima_frecuencia(), 0u);
}

struct Menus_esperados {
  const char *archivo, *actualizar, *salir, *configurar, *automatico, *manual, *ayuda_menu, *ayuda,
      *acerca;
};

void Esperar_menus(Ventana_prueba& v, const Menus_esperados& m) {
  EXPECT_EQ(v.MenuArchivo->title(), m.archivo);
  EXPECT_EQ(v.Actualizar1->text(), m.actualizar);
  EXPECT_EQ(v.MenuSalir->text(), m.salir);
  EXPECT_EQ(v.MenuConfigurar->title(), m.configurar);
  EXPECT_EQ(v.Auto1->text(), m.automatico);
  EXPECT_EQ(v.MenuPuerto->text(), m.manual);
  EXPECT_EQ(v.MenuAyuda->title(), m.ayuda_menu);
  EXPECT_EQ(v.Ayuda->text(), m.ayuda);
  EXPECT_EQ(v.About1->text(), m.acerca);
  // The help menu is never shown; "Auto" carries the check mark.
  EXPECT_FALSE(v.MenuAyuda->menuAction()->isVisible());
  EXPECT_TRUE(v.MenuArchivo->menuAction()->isVisible());
  EXPECT_TRUE(v.Auto1->isChecked());
  EXPECT_FALSE(v.MenuPuerto->isChecked());
}

TEST_F(Diseno, WithoutALanguageFileMenusAreSpanishAndOnlyTheVersionLineShows) {
  Ventana_prueba& v = Crear();
  Esperar_menus(v, {"Archivo", "Actualizar", "Salir", "Configurar", "Auto", "Manual", "Ayuda",
                    "Ayuda", "Acerca de"});
  EXPECT_EQ(v.Label_info1->text(), "");
  EXPECT_EQ(v.Label_info2->text(), "Version 3.01");
  EXPECT_EQ(v.Label_info3->text(), "");
  EXPECT_EQ(v.Label1->text(), "Version 3.01");
  EXPECT_EQ(v.Label_progreso_general->text(), "");
}

TEST_F(Diseno, ALanguageFileInTheWorkingDirectoryNamesMenusAndTexts) {
  Escribir_idiomas(
      "[COMUN]\nIDIOMA=FR\n"
      "[EN]\nMENU1=File\nPASO1_L1=Hello\n"
      "[FR]\nMENU1=Fichier\nMENU1_L1=Mettre à jour\nMENU1_L2=Quitter\nMENU2=Configuration\n"
      "MENU2_L1=Auto\nMENU2_L2=Manuel\nMENU3=Aide\nMENU3_L1=Aide\nMENU3_L2=À propos\n"
      "PASO1_L1=Bienvenue\nPASO1_L2=Remplacé\nPASO1_L3=Appuyez\n"
      "PROGRESO_GENERAL=Progression totale :\n");
  Ventana_prueba& v = Crear();
  Esperar_menus(v, {"Fichier", "Mettre à jour", "Quitter", "Configuration", "Auto", "Manuel",
                    "Aide", "Aide", "À propos"});
  EXPECT_EQ(v.Label_info1->text(), "Bienvenue");
  EXPECT_EQ(v.Label_info2->text(), "Version 3.01");
  EXPECT_EQ(v.Label_info3->text(), "Appuyez");
  EXPECT_EQ(v.Textos()[Texto::PASO1_L2], "Version 3.01");
  EXPECT_EQ(v.Label_progreso_general->text(), "Progression totale :");
}

TEST_F(Diseno, TheVersionLineKeepsItsRightEdgeAndNeverClips) {
  Ventana_prueba& v = Crear();
  EXPECT_EQ(v.Label1->geometry().right(), 461 + 118 - 1);
  EXPECT_EQ(v.Label1->y(), 116);
  EXPECT_EQ(v.Label1->height(), 24);
  EXPECT_GE(v.Label1->width(), 118);
  EXPECT_GE(v.Label1->width(), v.Label1->sizeHint().width());
}

TEST_F(Diseno, TextsOverTheWizardButtonLeaveItsClicksToIt) {
  Ventana_prueba& v = Crear();
  v.Label_info3->setText("A line long enough to run over the whole wizard button");
  v.Label_info3->adjustSize();
  const QPoint sobre_texto(330, 256);
  ASSERT_TRUE(v.Label_info3->geometry().contains(sobre_texto));
  EXPECT_EQ(v.centralWidget()->childAt(sobre_texto), v.Button_buscar_puerto);

  int pulsaciones = 0;
  v.al_pulsar_asistente = [&] { ++pulsaciones; };
  v.Button_buscar_puerto->click();
  v.Actualizar1->trigger();
  EXPECT_EQ(pulsaciones, 2);
}

}  // namespace
}  // namespace r27::pruebas
