// Wizard screens on the window, the progress bars, and the shipped texts on screen.
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <fstream>
#include <iterator>

#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

class Pantallas_ventana : public Prueba_ventana {};

struct Visibles {
  bool numeros, boton, progreso;
};

Visibles Visibilidad(Ventana_prueba& v) {
  const bool numeros = v.Label_n1->isVisible();
  EXPECT_EQ(v.Label_n2->isVisible(), numeros);
  EXPECT_EQ(v.Label_n3->isVisible(), numeros);
  const bool boton = v.Button_buscar_puerto->isVisible();
  EXPECT_EQ(v.Image_buscar_puerto->isVisible(), boton);
  const bool progreso = v.ProgressBar_general_control->isVisible();
  EXPECT_EQ(v.Label_progreso_general->isVisible(), progreso);
  EXPECT_FALSE(v.Barra_progreso_control->isVisible());
  return {numeros, boton, progreso};
}

TEST_F(Pantallas_ventana, EachScreenSetsPictureLinesAndControls) {
  Ventana_prueba& v = Crear();
  Textos_idioma t;
  for (std::size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];

  v.Mostrar_pantalla(Pantalla_conectar(t));
  EXPECT_EQ(v.Image_accion->pixmap().cacheKey(), v.ImageList_acciones[1].cacheKey());
  EXPECT_EQ(v.Label_info1->text(), "PASO2_L1");
  EXPECT_EQ(v.Label_info3->text(), "PASO2_L3");
  Visibles s = Visibilidad(v);
  EXPECT_TRUE(s.numeros && s.boton && !s.progreso);

  v.Mostrar_pantalla(Pantalla_actualizando(t));
  EXPECT_EQ(v.Image_accion->pixmap().cacheKey(), v.ImageList_acciones[4].cacheKey());
  s = Visibilidad(v);
  EXPECT_TRUE(!s.numeros && !s.boton && s.progreso);

  // Searching leaves the overall progress as it was.
  v.Mostrar_pantalla(Pantalla_buscando(t, 7));
  EXPECT_EQ(v.Label_info2->text(), "PASO3_L27");
  EXPECT_TRUE(Visibilidad(v).progreso);

  v.Mostrar_pantalla(Pantalla_fallida(t, 16));
  EXPECT_EQ(v.Image_accion->pixmap().cacheKey(), v.ImageList_acciones[6].cacheKey());
  EXPECT_EQ(v.Label_info1->text(), "P6_E4_L1 16");
  s = Visibilidad(v);
  EXPECT_TRUE(!s.numeros && !s.boton && !s.progreso);

  v.Mostrar_pantalla(Pantalla_buscando(t, 7));
  EXPECT_FALSE(Visibilidad(v).progreso);

  // A longer text is never cut: the line grows with it.
  v.Mostrar_pantalla(Pantalla_inicio(t, "Version 3.01.00012 and a long tail of text"));
  EXPECT_GE(v.Label_info2->width(), v.Label_info2->sizeHint().width());
}

TEST_F(Pantallas_ventana, ProgressBarsFollowTheirNumbers) {
  Ventana_prueba& v = Crear();
  v.ProgressBar_general().Fijar_rango(0, 1020);
  v.ProgressBar_general().Fijar_posicion(400);
  EXPECT_EQ(v.ProgressBar_general_control->maximum(), 1020);
  EXPECT_EQ(v.ProgressBar_general_control->value(), 400);

  v.Barra_progreso().Fijar_rango(0, 3);
  v.Barra_progreso().Fijar_posicion(2);
  EXPECT_EQ(v.Barra_progreso_control->maximum(), 3);
  EXPECT_EQ(v.Barra_progreso_control->value(), 2);

  // An empty range (the overall bar before the budget is summed) shows an empty
  // bar, not Qt's busy animation.
  v.ProgressBar_general().Fijar_rango(0, 0);
  EXPECT_LT(v.ProgressBar_general_control->minimum(), v.ProgressBar_general_control->maximum());
  EXPECT_EQ(v.ProgressBar_general_control->value(), v.ProgressBar_general_control->minimum());
}

std::string Fichero_distribuido() {
  std::ifstream f(R27_IDIOMAS_INI, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class Textos_distribuidos : public Prueba_ventana,
                            public ::testing::WithParamInterface<const char*> {};

// Every line of every screen, with the longest numbers the program appends, ends
// inside the white panel of the background (its right edge is at 588).
TEST_P(Textos_distribuidos, EveryScreenLineFitsTheWindow) {
  Ventana_prueba& v = Crear();
  const Textos_idioma t = Leer_idioma(Fichero_ini::Desde_texto(
      std::string("[COMUN]\nIDIOMA=") + GetParam() + "\n" + Fichero_distribuido()));
  ASSERT_EQ(t.seccion, GetParam());
  const Pantalla pantallas[] = {Pantalla_inicio(t, "Version 3.01.00012"),
                                Pantalla_conectar(t),
                                Pantalla_buscando(t, 32),
                                Pantalla_no_encontrado(t),
                                Pantalla_no_encontrado_m(t),
                                Pantalla_actualizando(t),
                                Pantalla_correcta(t),
                                Pantalla_fallida(t, 23),
                                Pantalla_rechazo_nivel(t),
                                Pantalla_rechazo_estado(t),
                                Pantalla_nada_familia(t),
                                Pantalla_nada_ajena(t)};
  const QFontMetrics medida(v.Label_info1->font());
  constexpr int kFin_panel = 580;
  const int ancho = kFin_panel - v.Label_info1->x();
  for (const Pantalla& p : pantallas) {
    for (const std::string& linea : p.lineas)
      EXPECT_LE(medida.horizontalAdvance(QString::fromStdString(linea)), ancho) << linea;
  }
  const std::string banner = Linea_banner_paso(t, 7, 7);
  EXPECT_LE(medida.horizontalAdvance(QString::fromStdString(banner)), ancho) << banner;
}

INSTANTIATE_TEST_SUITE_P(Idiomas, Textos_distribuidos,
                         ::testing::Values("ES", "EN", "FR", "DE", "PT", "IT"));

}  // namespace
}  // namespace r27::pruebas
