// The ways out of the window, and the small boxes it opens.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <csignal>
#include <fstream>
#include <stdexcept>

#include "app/ventana/fin_de_sesion.h"
#include "tests/ventana/ventana_prueba.h"

namespace r27::pruebas {
namespace {

class Salida : public Prueba_ventana {};

TEST_F(Salida, CloseIsRefusedWhileUpdatingAndSetsSaliendoOtherwise) {
  Ventana_prueba& v = Crear();
  v.Estado().actualizando = true;
  EXPECT_FALSE(v.close());
  EXPECT_TRUE(v.isVisible());
  EXPECT_FALSE(v.Estado().saliendo);

  v.Estado().actualizando = false;
  EXPECT_TRUE(v.close());
  EXPECT_FALSE(v.isVisible());
  EXPECT_TRUE(v.Estado().saliendo);
  EXPECT_EQ(v.terminaciones, 0);  // closing runs the normal shutdown, not the exit
}

// A request to end from the system (kill, a closed terminal, Ctrl-C where the
// window was started) is the close box: refused while the meter is written.
TEST_F(Salida, UnaSenalDeFinEsComoLaCajaDeCierre) {
  for (const int senal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(senal);
    Ventana_prueba& v = Crear();
    new Fin_de_sesion(v);
    v.Estado().actualizando = true;
    ASSERT_EQ(std::raise(senal), 0);
    QTest::qWait(50);
    EXPECT_TRUE(v.isVisible());
    EXPECT_FALSE(v.Estado().saliendo);

    v.Estado().actualizando = false;
    ASSERT_EQ(std::raise(senal), 0);
    QTest::qWait(50);
    EXPECT_FALSE(v.isVisible());
    EXPECT_TRUE(v.Estado().saliendo);
    EXPECT_EQ(v.terminaciones, 0);  // the normal shutdown, with the meter let go
    Liberar();
  }
}

TEST_F(Salida, SalirDuringAnUpdateShowsTheWarningAndStays) {
  Escribir_idiomas("[COMUN]\nIDIOMA=EN\n[EN]\nAVISOACT=An update is running.\n");
  Ventana_prueba& v = Crear();
  v.Estado().actualizando = true;
  v.MenuSalir->trigger();
  EXPECT_EQ(v.mensajes, std::vector<std::string>{"An update is running."});
  EXPECT_EQ(v.terminaciones, 0);

  v.Estado().actualizando = false;
  v.MenuSalir->trigger();
  EXPECT_EQ(v.terminaciones, 1);
  EXPECT_EQ(v.mensajes.size(), 1u);
}

TEST_F(Salida, ExitButtonIsInertDuringAnUpdate) {
  Ventana_prueba& v = Crear();
  v.Estado().actualizando = true;
  v.SpeedButton_exit->click();
  EXPECT_EQ(v.terminaciones, 0);
  EXPECT_TRUE(v.mensajes.empty());

  v.Estado().actualizando = false;
  v.SpeedButton_exit->click();
  EXPECT_EQ(v.terminaciones, 1);
}

TEST_F(Salida, TheDestructorDisconnectsOnlyAConnectedMeter) {
  for (const bool conectado : {false, true}) {
    SCOPED_TRACE(conectado);
    int desconexiones = 0;
    Ventana_prueba& v = Crear();
    v.al_desconectar = [&] { ++desconexiones; };
    v.Estado().conectado = conectado;
    Liberar();
    EXPECT_EQ(desconexiones, conectado ? 1 : 0);
  }
}

TEST_F(Salida, HelpOpensTheLocalPageOnlyWhenItExists) {
  Ventana_prueba& v = Crear();
  v.Ayuda->trigger();
  EXPECT_TRUE(v.documentos.empty());

  std::ofstream(dir_ / "index.html") << "<html></html>";
  v.Ayuda->trigger();
  ASSERT_EQ(v.documentos.size(), 1u);
  EXPECT_EQ(v.documentos[0],
            QUrl::fromLocalFile(QString::fromStdString((dir_ / "index.html").string())));
}

// Runs `accion` on the modal box once it is up.
void Al_abrirse_caja(std::function<void(QWidget*)> accion) {
  QTimer::singleShot(0, [accion] { accion(QApplication::activeModalWidget()); });
}

TEST_F(Salida, AboutIsShownModallyWithItsPicture) {
  Ventana_prueba& v = Crear();
  ASSERT_NE(FormAbout, nullptr);
  QWidget* modal = nullptr;
  QSize tamano;
  Al_abrirse_caja([&](QWidget* w) {
    modal = w;
    if (w) tamano = w->size();
    if (w) w->close();
  });
  v.About1->trigger();
  EXPECT_EQ(modal, FormAbout);
  EXPECT_EQ(FormAbout->windowTitle(), "About");
  EXPECT_EQ(FormAbout->ImageAbout->size(), QSize(373, 390));
  EXPECT_EQ(tamano, QSize(373, 390));  // sized to its picture
  EXPECT_FALSE(FormAbout->ImageAbout->pixmap().isNull());
  EXPECT_FALSE(FormAbout->isVisible());
}

TEST_F(Salida, MessageBoxesOfTheWindowAskAndAnswer) {
  Ventana_prueba& v = Crear();
  struct Caso {
    QMessageBox::StandardButton boton;
    bool esperado;
  };
  for (const Caso c : {Caso{QMessageBox::Ok, true}, Caso{QMessageBox::Cancel, false}}) {
    QString titulo = "unset", texto;
    Al_abrirse_caja([&](QWidget* w) {
      auto* caja = qobject_cast<QMessageBox*>(w);
      if (!caja) return;
      titulo = caja->windowTitle();
      texto = caja->text();
      caja->button(c.boton)->click();
    });
    EXPECT_EQ(v.Tventana_brisco::Confirmar("Continue?\n<b>not bold</b>"), c.esperado);
    EXPECT_EQ(titulo, "");
    EXPECT_EQ(texto, "Continue?\n<b>not bold</b>");
  }

  QString texto;
  int botones = 0;
  Al_abrirse_caja([&](QWidget* w) {
    auto* caja = qobject_cast<QMessageBox*>(w);
    if (!caja) return;
    texto = caja->text();
    botones = static_cast<int>(caja->buttons().size());
    caja->button(QMessageBox::Ok)->click();
  });
  v.Tventana_brisco::Mensaje("La linea: 4 NO es un record");
  EXPECT_EQ(texto, "La linea: 4 NO es un record");
  EXPECT_EQ(botones, 1);
}

TEST_F(Salida, BeepIsRecorded) {
  Ventana_prueba& v = Crear();
  Pitido_fallo(v);
  EXPECT_EQ(v.Ultima_frecuencia(), 1000u);
  EXPECT_EQ(v.Ultima_duracion(), 500u);
}

TEST_F(Salida, AnExceptionFromAHandlerIsShownAndTheWindowStays) {
  Ventana_prueba& v = Crear();
  auto& aplicacion = static_cast<Aplicacion_prueba&>(*QCoreApplication::instance());
  aplicacion.excepciones.clear();
  v.al_pulsar_asistente = [] { throw std::runtime_error("port vanished"); };
  QTest::mouseClick(v.Button_buscar_puerto, Qt::LeftButton);
  EXPECT_EQ(aplicacion.excepciones, std::vector<QString>{"port vanished"});
  EXPECT_TRUE(v.isVisible());
}

}  // namespace
}  // namespace r27::pruebas
