// The "Configuracion fpga" form over its programming object, off screen: the
// controls drive the object, the labels mirror it, the file dialog is never
// built, and the form is pictured for the documentation.
#include "app/ventana/formulario_fpga.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/ventana/captura.h"
#include "app/ventana/dialogo_fichero.h"
#include "components/tcfpga.h"
#include "link/codigos_resultado.h"
#include "tests/apoyo/backend_guion.h"

namespace r27 {
namespace {

using pruebas::Ventana_con_guion;

struct Banco_formulario {
  Ventana_con_guion g;
  TCFpga f{g.v};
  Formulario_fpga formulario{f, nullptr};
  std::vector<QString> elegidos;  // answers of the file dialog, front first
  int dialogos = 0;
  Banco_formulario() {
    formulario.Elegir_fichero = [this] {
      ++dialogos;
      if (elegidos.empty()) return QString();
      QString r = elegidos.front();
      elegidos.erase(elegidos.begin());
      return r;
    };
  }
};

TEST(Formulario_fpga, CaptionButtonsAndFileDialog) {
  Banco_formulario b;
  Formulario_fpga& fo = b.formulario;
  EXPECT_EQ(fo.windowTitle(), "Configuracion fpga");
  EXPECT_EQ(fo.But_nombre_fichero->text(), "Cargar fichero configuracion");
  EXPECT_EQ(fo.But_siguiente->text(), "Configuracion siguiente");
  EXPECT_EQ(fo.But_anterior->text(), "Configuracion anterior");
  EXPECT_EQ(fo.Button_ok->text(), "Grabar configuraciones en flash");
  EXPECT_EQ(fo.Button_cancel->text(), "Cancelar");
  for (const char* nombre :
       {"Edit_n_configuraciones", "Label_cantidad_configuraciones", "Label_configuracion_actual",
        "Label_nombre", "Edit_descripcion", "But_nombre_fichero", "But_siguiente", "But_anterior",
        "Button_ok", "Button_cancel", "Lbl_estado_fpga"})
    EXPECT_NE(fo.findChild<QWidget*>(nombre), nullptr) << nombre;
  EXPECT_EQ(fo.OpenDialog_conf_fpga->Filtros(), QStringList{".rbf (*.rbf)"});
  EXPECT_FALSE(fo.OpenDialog_conf_fpga->Construido());
}

TEST(Formulario_fpga, ControlsDriveTheObject) {
  Banco_formulario b;
  Formulario_fpga& fo = b.formulario;
  fo.show();

  // No configuration is current yet: the file dialog does not open.
  fo.But_nombre_fichero->click();
  EXPECT_EQ(b.dialogos, 0);

  QTest::keyClicks(fo.Edit_n_configuraciones, "7");  // refused by the box
  EXPECT_EQ(b.f.num_configuraciones, 0);
  QTest::keyClicks(fo.Edit_n_configuraciones, "3");
  EXPECT_EQ(b.f.num_configuraciones, 3);
  EXPECT_EQ(fo.Label_cantidad_configuraciones->text(), "3");
  EXPECT_EQ(fo.Label_configuracion_actual->text(), "1");
  fo.Edit_n_configuraciones->setText("12");  // set past the box's check: still at most 5
  EXPECT_EQ(b.f.num_configuraciones, 5);
  EXPECT_EQ(fo.Label_cantidad_configuraciones->text(), "5");
  fo.Edit_n_configuraciones->setText("2");

  QTest::keyClicks(fo.Edit_descripcion, "ABCDEFGHIJ");
  EXPECT_EQ(fo.Edit_descripcion->text(), "ABCDEFGH");
  EXPECT_EQ(b.f.Descripcion(1), "ABCDEFGH");

  b.elegidos = {"C:\\fpga\\tv.rbf", ""};
  fo.But_nombre_fichero->click();
  EXPECT_EQ(fo.Label_nombre->text(), "tv.rbf");
  EXPECT_EQ(b.f.nombres_ficheros[1], "C:\\fpga\\tv.rbf");
  fo.But_nombre_fichero->click();  // cancelled: nothing changes
  EXPECT_EQ(b.dialogos, 2);
  EXPECT_EQ(fo.Label_nombre->text(), "tv.rbf");

  fo.But_siguiente->click();
  EXPECT_EQ(fo.Label_configuracion_actual->text(), "2");
  EXPECT_EQ(fo.Label_nombre->text(), "");
  EXPECT_EQ(fo.Edit_descripcion->text(), "");
  QTest::keyClicks(fo.Edit_descripcion, "dft");
  fo.But_siguiente->click();  // already the last of 2
  EXPECT_EQ(b.f.configuracion_actual, 2);
  fo.But_anterior->click();
  EXPECT_EQ(fo.Label_configuracion_actual->text(), "1");
  EXPECT_EQ(fo.Edit_descripcion->text(), "ABCDEFGH");
  EXPECT_EQ(b.f.Descripcion(2), "dft");
  EXPECT_FALSE(fo.OpenDialog_conf_fpga->Construido());
  EXPECT_TRUE(b.g.guion->Escrituras().empty());
}

TEST(Formulario_fpga, TheStatusLabelFollowsARunFromTheButton) {
  Banco_formulario b;
  Formulario_fpga& fo = b.formulario;
  fo.show();
  fo.Edit_n_configuraciones->setText("1");
  b.g.guion->aceptar_sobrantes = true;  // a meter that never answers the erase
  bool deshabilitado = true;
  b.g.v.al_procesar_mensajes = [&] {
    deshabilitado = deshabilitado && !fo.Button_ok->isEnabled() && !fo.Button_cancel->isEnabled();
  };
  fo.Button_ok->click();
  EXPECT_TRUE(deshabilitado);
  EXPECT_EQ(fo.Lbl_estado_fpga->text(), "Borrando mem.");
  EXPECT_EQ(b.g.v.estado.codigo_error, kCodigo_fpga_borrado);
  EXPECT_TRUE(fo.isVisible());  // a failed erase leaves the dialog open
  EXPECT_TRUE(fo.Button_ok->isEnabled());

  b.f.Lbl_estado_fpga.Fijar("Grabando segm.");
  EXPECT_EQ(fo.Lbl_estado_fpga->text(), "Grabando segm.");
}

TEST(Formulario_fpga, CancelEndsTheLoaderAndClosesTheForm) {
  Banco_formulario b;
  b.formulario.show();
  b.g.guion->Esperar({0x0F, 0x00});
  b.formulario.Button_cancel->click();
  EXPECT_TRUE(b.g.guion->Cumplido()) << b.g.guion->Resumen();
  EXPECT_FALSE(b.formulario.isVisible());
}

TEST(Formulario_fpga, Picture) {
  Banco_formulario b;
  Formulario_fpga& fo = b.formulario;
  fo.show();
  fo.Edit_n_configuraciones->setText("5");
  b.elegidos = {"C:\\R27\\fpga\\tv_v33.rbf"};
  fo.But_nombre_fichero->click();
  fo.Edit_descripcion->setText("TV 3.3");
  b.f.Lbl_estado_fpga.Fijar("Enviando : 92500 / 446381");
  QApplication::processEvents();
  const QString fichero = R27_CAPTURAS "/captura_fpga.png";
  ASSERT_TRUE(Guardar_captura(fo, fichero));
  EXPECT_GT(QFile(fichero).size(), 0);
}

}  // namespace
}  // namespace r27
