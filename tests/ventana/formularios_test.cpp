// The application's forms: created together, reachable through their globals, and
// the correct-update box as designed (it is never shown).
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

#include "app/ventana/filtro_dialogo.h"
#include "app/ventana/formulario_diferencial.h"
#include "flash/tcdiferencial.h"
#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

class Formularios_aplicacion : public Prueba_ventana {};

TEST_F(Formularios_aplicacion, GlobalsLiveAsLongAsTheForms) {
  Ventana_prueba& v = Crear();
  EXPECT_EQ(ventana_brisco, &v);
  ASSERT_NE(Form_act_correcta, nullptr);
  ASSERT_NE(FormAbout, nullptr);
  Liberar();
  EXPECT_EQ(ventana_brisco, nullptr);
  EXPECT_EQ(Form_act_correcta, nullptr);
  EXPECT_EQ(FormAbout, nullptr);
}

TEST_F(Formularios_aplicacion, CorrectUpdateBoxIsBuiltButNeverShown) {
  Crear();
  TForm_act_correcta& f = *Form_act_correcta;
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.size(), QSize(192, 96));
  EXPECT_EQ(f.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(f.GroupBox1->geometry(), QRect(16, 8, 161, 73));
  EXPECT_EQ(f.Image1->geometry(), QRect(0, 8, 65, 65));
  EXPECT_EQ(f.Image1->pixmap().deviceIndependentSize().toSize(), QSize(64, 64));
  EXPECT_EQ(f.Label2->text(), QString::fromUtf8("Actualización"));
  EXPECT_EQ(f.Label2->pos(), QPoint(80, 24));
  EXPECT_EQ(f.Label1->text(), "correcta !");
  EXPECT_EQ(f.Label1->pos(), QPoint(88, 40));
  // Both texts fit inside the group box.
  EXPECT_LE(f.Label2->geometry().right(), f.GroupBox1->width());
}

// The differential-update dialog exists for a programming object; its buttons
// set the window's flag through that object and close the dialog.
TEST_F(Formularios_aplicacion, DifferentialDialogButtonsSetTheFlagAndClose) {
  Ventana_prueba& v = Crear();
  TCDiferencial diferencial(v);
  Formulario_diferencial f(diferencial, &v);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.windowTitle(), "Actualizacion diferencial");
  EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(f.Label_texto_fecha->text(), "Este medidor se actualizo el dia :");
  EXPECT_EQ(f.Label_pregunta->text(), "Intento la actualizacion diferencial?");
  for (QLabel* campo : {f.Label_dia, f.Label_mes, f.Label_ano, f.Label_hora, f.Label_minuto})
    EXPECT_EQ(campo->text(), "00");
  EXPECT_EQ(f.Button_diferencial_ok->size(), QSize(65, 65));
  EXPECT_EQ(f.Button_diferencial_cancel->iconSize(), QSize(64, 64));

  f.show();
  v.Estado().inicio_operacion = 0;
  f.Button_diferencial_ok->click();
  EXPECT_TRUE(v.Estado().diferencial);
  EXPECT_GT(v.Estado().inicio_operacion, 0);
  EXPECT_FALSE(f.isVisible());

  f.show();
  f.Button_diferencial_cancel->click();
  EXPECT_FALSE(v.Estado().diferencial);
  EXPECT_FALSE(f.isVisible());
}

TEST(Filtro_dialogo, ClassicFiltersBecomeQtFilters) {
  struct Caso {
    const char* clasico;
    QStringList qt;
  };
  const Caso casos[] = {
      {".hex, .zsw, .bin|*.hex;*.zsw;*.bin", {".hex, .zsw, .bin (*.hex *.zsw *.bin)"}},
      {"Hex|*.hex|All|*.*", {"Hex (*.hex)", "All (*.*)"}},
      {"A|*.a;;*.b", {"A (*.a *.b)"}},
      {"A|", {}},
      {"A", {}},
      {"", {}},
  };
  for (const Caso& c : casos) EXPECT_EQ(Filtro_qt(c.clasico), c.qt) << c.clasico;
}

}  // namespace
}  // namespace r27::pruebas
