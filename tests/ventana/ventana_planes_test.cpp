// "Configurar" > "Planes de canales": the five regional sets by the language
// file's names; choosing one sets the plan set and ticks the plan step.
#include <QAction>
#include <QCheckBox>
#include <QMenu>

#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

class Menu_planes : public Prueba_ventana {};

TEST_F(Menu_planes, OfferedUnderConfigurarWithTheLanguageFileNames) {
  Escribir_idiomas(
      "[COMUN]\nIDIOMA=EN\n[EN]\nMENU2_L3=Channel plans\nMENU2_L3_1=Europe\n"
      "MENU2_L3_3=North America\n");
  Ventana_prueba& v = Crear();
  ASSERT_TRUE(v.MenuConfigurar->actions().contains(v.MenuPlanes->menuAction()));
  EXPECT_EQ(v.MenuPlanes->title(), "Channel plans");
  QStringList nombres;
  for (QAction* a : v.MenuPlanes->actions()) nombres << a->text();
  // Keys the file lacks keep their Spanish names.
  EXPECT_EQ(nombres,
            (QStringList{"Europe", "Asia", "North America", "Europa del Este", "Australia"}));
}

TEST_F(Menu_planes, ChoosingASetSetsTheIndexAndTicksThePlanStep) {
  Ventana_prueba& v = Crear();
  const Estado_ventana& e = v.Estado();
  // Without a choice nothing is ticked and set 0 stays.
  for (QAction* a : v.Planes_conjunto) EXPECT_FALSE(a->isChecked());
  EXPECT_FALSE(e.Check_planes || e.planes_elegidos || v.Check_planes->isChecked());
  EXPECT_EQ(e.indice_plan, 0);

  for (int k : {3, 1, 4, 0, 2}) {
    v.Planes_conjunto[size_t(k)]->trigger();
    EXPECT_EQ(e.indice_plan, k);
    EXPECT_TRUE(e.Check_planes && e.planes_elegidos && v.Check_planes->isChecked()) << k;
    for (int j = 0; j < 5; ++j) EXPECT_EQ(v.Planes_conjunto[size_t(j)]->isChecked(), j == k);
  }
  // Nothing outside 0..4 can be chosen: the last choice stands.
  for (int k : {-1, 5, 1000}) {
    v.MenuPlanesClick(k);
    EXPECT_EQ(e.indice_plan, 2);
    EXPECT_TRUE(v.Planes_conjunto[2]->isChecked());
  }
}

}  // namespace
}  // namespace r27::pruebas
