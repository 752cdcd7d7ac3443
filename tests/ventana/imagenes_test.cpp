// The window pictures are carried inside the program and drawn at their sizes.
#include "app/ventana/imagenes.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <filesystem>

#include "app/ventana/captura.h"
#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

// Share of pixels that are not fully transparent.
double Cubierto(const QPixmap& p) {
  const QImage im = p.toImage().convertToFormat(QImage::Format_ARGB32);
  qint64 opacos = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) opacos += qAlpha(im.pixel(x, y)) > 0;
  return im.isNull() ? 0.0 : double(opacos) / (double(im.width()) * im.height());
}

TEST(Imagenes, EveryPictureIsDrawnAtItsDesignSize) {
  struct Caso {
    Imagen_ventana imagen;
    QSize tamano;
    double cubierto_minimo;
  };
  const Caso casos[] = {
      {Imagen_ventana::fondo, {600, 400}, 0.99},          {Imagen_ventana::about, {373, 390}, 0.99},
      {Imagen_ventana::boton_asistente, {128, 128}, 0.2}, {Imagen_ventana::salir, {32, 32}, 0.5},
      {Imagen_ventana::correcta, {64, 64}, 0.5},
  };
  for (const Caso& c : casos) {
    const QPixmap p = Dibujar_imagen(c.imagen, nullptr);
    EXPECT_EQ(p.size(), c.tamano);
    EXPECT_GE(Cubierto(p), c.cubierto_minimo);
  }
  for (int i = 0; i < 8; ++i) {
    const QPixmap p = Dibujar_imagen_accion(i, nullptr);
    EXPECT_EQ(p.size(), QSize(128, 128)) << i;
    EXPECT_GE(Cubierto(p), 0.5) << i;
  }
  EXPECT_TRUE(Dibujar_imagen_accion(8, nullptr).isNull());
  EXPECT_TRUE(Dibujar_imagen_accion(-1, nullptr).isNull());
}

TEST(Imagenes, WizardPicturesDifferFromEachOther) {
  for (int i = 0; i < 8; ++i)
    for (int j = i + 1; j < 8; ++j)
      EXPECT_NE(Dibujar_imagen_accion(i, nullptr).toImage(),
                Dibujar_imagen_accion(j, nullptr).toImage())
          << i << " " << j;
}

class Captura : public Prueba_ventana {};

TEST_F(Captura, TheStartScreenIsSavedAsDrawn) {
  Ventana_prueba& v = Crear();
  const QString fichero = QString::fromStdString((dir_ / "inicio.png").string());
  ASSERT_TRUE(Guardar_captura(v, fichero));
  const QImage im(fichero);
  ASSERT_FALSE(im.isNull());
  EXPECT_EQ(im.size() / im.devicePixelRatio(), v.size());
  // The background's dark header band is there, under the menu bar.
  const QColor cabecera = im.pixelColor(300, v.centralWidget()->y() + 40);
  EXPECT_LT(cabecera.lightness(), 90);

  EXPECT_FALSE(Guardar_captura(v, QString::fromStdString((dir_ / "no/such/dir.png").string())));
}

}  // namespace
}  // namespace r27::pruebas
