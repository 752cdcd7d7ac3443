// The wizard in the real main window, off screen, against r27-sim on a
// pseudo-terminal through the system's serial backend and port directory. COM1 to
// COM15 are mapped to paths that do not exist, so the automatic search costs
// nothing there and reaches the simulator on COM20 through the system's list.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ventana/captura.h"
#include "app/ventana/demostracion.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/ventana_brisco.h"
#include "link/directorio_puertos.h"
#include "tests/apoyo/carpeta_trabajo.h"
#include "tests/apoyo/programa_sim.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;
using Reloj_real = std::chrono::steady_clock;

// r27-sim as a child process; its first output line is the slave's path.
class Simulador {
 public:
  std::string Lanzar(const std::vector<std::string>& argumentos) {
    if (!programa_.Lanzar(R27_SIM_PROGRAMA, argumentos)) return "";
    return programa_.Linea();
  }

 private:
  pruebas::Programa_sim programa_;
};

class Ventana_medidor final : public Tventana_brisco {
 public:
  Ventana_medidor() : Tventana_brisco(nullptr) {}  // the system's serial backend
  void Mensaje(const std::string& texto) override {
    mensajes.push_back(texto);
    if (al_mensaje) al_mensaje();
  }
  // Every question is answered Cancel.
  bool Confirmar(const std::string& texto) override {
    preguntas.push_back(texto);
    return false;
  }
  void Procesar_mensajes() override {
    Tventana_brisco::Procesar_mensajes();
    if (al_procesar) al_procesar();
  }
  std::vector<std::string> mensajes;
  std::vector<std::string> preguntas;
  std::function<void()> al_procesar;
  std::function<void()> al_mensaje;

 protected:
  void Terminar_proceso() override {}
};

constexpr int kCom_simulador = 20;

class Asistente_real : public ::testing::Test {
 protected:
  void SetUp() override {
    carpeta_.emplace("r27_asistente_", R27_IDIOMAS_INI);
    dir_ = carpeta_->Ruta();
    v_ = std::make_unique<Ventana_medidor>();
    enlace_ = new Enlace_asistente(*v_);
    v_->show();
    v_->Procesar_mensajes();
  }
  void TearDown() override {
    v_.reset();
    unsetenv(kVariable_puertos);
    carpeta_.reset();
  }

  // COM1..COM15 lead nowhere, COM20 to `ruta`. False when the machine lists
  // other serial ports, which the automatic search would then try as well.
  bool Mapear_puertos(const std::string& ruta) {
    std::string mapa;
    for (int n = 1; n <= 15; ++n)
      mapa += "COM" + std::to_string(n) + "=" + (dir_ / "nada").string() + " ";
    mapa += "COM" + std::to_string(kCom_simulador) + "=" + ruta;
    setenv(kVariable_puertos, mapa.c_str(), 1);
    return Directorio_sistema().Nombres_sistema().size() == 16;
  }

  std::string Simular(const std::vector<std::string>& argumentos) {
    const std::string esclavo = sim_.Lanzar(argumentos);
    EXPECT_EQ(esclavo.rfind("/dev/pts/", 0), 0u) << esclavo;
    return esclavo;
  }

  // Both clicks of the wizard button.
  void Buscar() {
    v_->Button_buscar_puerto->click();
    v_->Button_buscar_puerto->click();
  }

  int Imagen() const {
    const QImage actual = v_->Image_accion->pixmap().toImage();
    for (int i = 0; i < kNumero_imagenes_accion; ++i)
      if (v_->ImageList_acciones[static_cast<size_t>(i)].toImage() == actual) return i;
    return -1;
  }
  std::vector<std::string> Lineas() const {
    return {v_->Label_info1->text().toStdString(), v_->Label_info2->text().toStdString(),
            v_->Label_info3->text().toStdString()};
  }
  std::vector<std::string> Textos(Texto primera) const {
    const auto i = static_cast<size_t>(primera);
    const auto& t = v_->Textos().textos;
    return {t[i], t[i + 1], t[i + 2]};
  }
  bool Menus_habilitados() const {
    return v_->MenuArchivo->menuAction()->isEnabled() &&
           v_->MenuConfigurar->menuAction()->isEnabled();
  }
  std::string Version_fichero() const {
    return std::string(v_->Estado().version_fichero.data(), 4);
  }

  std::optional<Carpeta_trabajo> carpeta_;
  fs::path dir_;
  Simulador sim_;
  std::unique_ptr<Ventana_medidor> v_;
  Enlace_asistente* enlace_ = nullptr;  // a child of the window
};

TEST_F(Asistente_real, UnMedidorQueNecesitaActualizarLlegaALaEntrega) {
  ASSERT_TRUE(Mapear_puertos(Simular({"--version", "3.00"})));

  // The searching screen, as drawn while the search runs.
  bool capturada = false;
  v_->al_procesar = [&] {
    if (capturada ||
        v_->Label_info2->text().toStdString() != Linea_buscando(v_->Textos(), kCom_simulador))
      return;
    capturada = true;
    EXPECT_FALSE(Menus_habilitados());
    // The manual port panel is off with the menus: a click on it changes nothing.
    EXPECT_FALSE(v_->PConfigurarPuerto->isEnabled());
    enlace_->COM_radios[2]->click();
    EXPECT_EQ(v_->Estado().puerto, kCom_simulador);
    EXPECT_FALSE(v_->Button_buscar_puerto->isVisible());
    EXPECT_TRUE(Guardar_captura(*v_, R27_CAPTURAS "/captura_buscando.png"));
  };
  bool conectado_en_entrega = false;
  int imagen_en_entrega = -1;
  auto entrega = enlace_->Asistente_().ejecutar_actualizacion;
  enlace_->Asistente_().ejecutar_actualizacion = [&] {
    conectado_en_entrega = v_->Estado().conectado;
    imagen_en_entrega = Imagen();
    EXPECT_FALSE(Menus_habilitados());
    EXPECT_FALSE(v_->PConfigurarPuerto->isEnabled());
    entrega();
  };

  const auto inicio = Reloj_real::now();
  Buscar();
  const auto busqueda = Reloj_real::now() - inicio;
  EXPECT_TRUE(capturada);
  EXPECT_TRUE(conectado_en_entrega);
  EXPECT_EQ(imagen_en_entrega, kImagen_buscando);
  EXPECT_EQ(v_->Estado().puerto, kCom_simulador);
  // The update asks for the time first (zone, FPGA, firmware, MPEG-4: 17 min.);
  // the technician cancels. Nothing is written, the failed screen shows code 0,
  // the meter is let go, and both sides of the line are back at 115,200 baud.
  ASSERT_EQ(v_->preguntas.size(), 1u);
  EXPECT_NE(v_->preguntas[0].find("17 min.\n"), std::string::npos);
  EXPECT_FALSE(v_->Estado().conectado);
  EXPECT_EQ(Imagen(), kImagen_fallida);
  EXPECT_EQ(v_->Estado().codigo_error, 0);
  EXPECT_EQ(v_->Estado().linea.BaudRate, 115200u);
  EXPECT_TRUE(Menus_habilitados());
  EXPECT_TRUE(v_->PConfigurarPuerto->isEnabled());
  EXPECT_FALSE(v_->Button_buscar_puerto->isVisible());
  EXPECT_EQ(enlace_->Asistente_().paso_asistente, 0);

  // One connect on its own: pulses, probe, language and the tick decision.
  const auto antes = Reloj_real::now();
  enlace_->Conexion_().Boton_ConectarClick();
  const auto conexion = Reloj_real::now() - antes;
  EXPECT_TRUE(v_->Estado().conectado);
  EXPECT_TRUE(v_->Timer_desconexion->isActive());
  using std::chrono::milliseconds;
  std::printf("search to hand-over: %lld ms; one connect: %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<milliseconds>(busqueda).count()),
              static_cast<long long>(std::chrono::duration_cast<milliseconds>(conexion).count()));
  v_.reset();  // the destructor lets the connected meter go
}

// The meter's port held by another program, as ModemManager or a terminal would:
// the search ends on the not-found screen, then one box names the busy port and
// what to do; once the port is free the next search reaches the meter.
TEST_F(Asistente_real, UnPuertoOcupadoSeNombraTrasLaPantallaDeNoEncontrado) {
  const std::string esclavo = Simular({});
  ASSERT_TRUE(Mapear_puertos(esclavo));
  const int otro_programa = open(esclavo.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(otro_programa, 0);
  ASSERT_EQ(flock(otro_programa, LOCK_EX | LOCK_NB), 0);
  int imagen_al_mensaje = -1;
  std::vector<std::string> lineas_al_mensaje;
  v_->al_mensaje = [&] {
    imagen_al_mensaje = Imagen();
    lineas_al_mensaje = Lineas();
  };
  Buscar();
  close(otro_programa);

  ASSERT_EQ(v_->mensajes.size(), 1u);
  // In the language file's language (Spanish), with the rule that keeps
  // ModemManager away from the meter alone spelled out for this device.
  EXPECT_NE(v_->mensajes[0].find("COM20 (" + esclavo + ") est\u00e1 ocupado"), std::string::npos)
      << v_->mensajes[0];
  EXPECT_NE(v_->mensajes[0].find("ModemManager"), std::string::npos);
  EXPECT_NE(v_->mensajes[0].find("udevadm info -q property -n " + esclavo), std::string::npos);
  EXPECT_EQ(imagen_al_mensaje, kImagen_no_encontrado);
  EXPECT_EQ(lineas_al_mensaje, Textos(Texto::P6_E1_L1));
  EXPECT_EQ(Lineas(), lineas_al_mensaje);

  bool entregado = false;
  enlace_->Asistente_().ejecutar_actualizacion = [&] { entregado = true; };
  Buscar();
  EXPECT_TRUE(entregado);
  EXPECT_TRUE(enlace_->Asistente_().puertos_sin_abrir.empty());
  EXPECT_EQ(v_->mensajes.size(), 1u);
  v_.reset();  // the destructor lets the connected meter go
}

TEST_F(Asistente_real, CerrarLaVentanaDetieneLaBusqueda) {
  ASSERT_TRUE(Mapear_puertos(Simular({})));
  v_->al_procesar = [&] {
    if (v_->Label_info2->text().toStdString() == Linea_buscando(v_->Textos(), kCom_simulador))
      v_->close();
  };
  bool entregado = false;
  enlace_->Asistente_().ejecutar_actualizacion = [&] { entregado = true; };
  Buscar();
  EXPECT_TRUE(v_->Estado().saliendo);
  EXPECT_FALSE(entregado);
  EXPECT_FALSE(v_->Estado().conectado);
  EXPECT_EQ(Imagen(), kImagen_no_encontrado);
}

struct Caso_pantalla {
  const char* nombre;
  std::vector<std::string> opciones;  // of r27-sim; empty: no simulator at all
  int imagen;
  Texto textos;
};

void PrintTo(const Caso_pantalla& caso, std::ostream* os) { *os << caso.nombre; }

class Pantallas_reales : public Asistente_real,
                         public ::testing::WithParamInterface<Caso_pantalla> {};

TEST_P(Pantallas_reales, MuestraLaPantallaQueCorresponde) {
  const Caso_pantalla& k = GetParam();
  std::vector<std::string> opciones = k.opciones;
  for (auto& o : opciones)
    if (o == "FICHERO") o = Version_fichero();
  ASSERT_TRUE(
      Mapear_puertos(opciones.empty() ? (dir_ / "sin_medidor").string() : Simular(opciones)));
  bool entregado = false;
  enlace_->Asistente_().ejecutar_actualizacion = [&] { entregado = true; };
  Buscar();
  EXPECT_FALSE(entregado);
  EXPECT_EQ(Imagen(), k.imagen);
  EXPECT_EQ(Lineas(), Textos(k.textos));
  EXPECT_FALSE(v_->Estado().conectado);
  EXPECT_TRUE(Menus_habilitados());
  EXPECT_TRUE(v_->Button_buscar_puerto->isVisible());
  EXPECT_EQ(enlace_->Asistente_().paso_asistente, 0);
  EXPECT_TRUE(v_->mensajes.empty());
  if (k.textos == Texto::P6_E2_L1) {
    EXPECT_TRUE(Guardar_captura(*v_, R27_CAPTURAS "/captura_rechazo_nivel.png"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Medidores, Pantallas_reales,
    ::testing::Values(
        Caso_pantalla{"al_dia",
                      {"--version", "FICHERO", "--fpga", "3.3", "--mpeg4", "133,0,5,2"},
                      kImagen_rechazo,
                      Texto::PASO7_L1},
        Caso_pantalla{"otra_familia", {"--familia", "VMK"}, kImagen_rechazo, Texto::PASO8_L1},
        Caso_pantalla{"rechazo_m", {"--rechazo"}, kImagen_no_encontrado, Texto::P6_E5_L1},
        Caso_pantalla{"nivel_bajo", {"--nivel", "49"}, kImagen_rechazo, Texto::P6_E2_L1},
        Caso_pantalla{"sin_medidor", {}, kImagen_no_encontrado, Texto::P6_E1_L1}),
    [](const auto& caso) { return std::string(caso.param.nombre); });

// The run command's unattended demonstration: every screen of the two clicks is
// saved, in order, and the search really reaches the meter.
TEST_F(Asistente_real, LaDemostracionGuardaCadaPantalla) {
  ASSERT_TRUE(Mapear_puertos(Simular({"--familia", "VMK"})));
  const fs::path carpeta = dir_ / "demo";
  ASSERT_TRUE(Demostracion(*v_, QString::fromStdString(carpeta.string())));
  std::vector<std::string> ficheros;
  for (const auto& f : fs::directory_iterator(carpeta)) ficheros.push_back(f.path().filename());
  std::sort(ficheros.begin(), ficheros.end());
  // Start, connect, searching, and the nothing-to-do screen of another family.
  EXPECT_EQ(ficheros, (std::vector<std::string>{"01-pantalla.png", "02-pantalla.png",
                                                "03-pantalla.png", "04-pantalla.png"}));
  EXPECT_EQ(Imagen(), kImagen_rechazo);
  EXPECT_EQ(Lineas(), Textos(Texto::PASO8_L1));
  EXPECT_FALSE(QImage(QString::fromStdString((carpeta / "04-pantalla.png").string())).isNull());
  // The demonstration leaves the window as it found it.
  EXPECT_FALSE(v_->al_mostrar_pantalla);
}

TEST_F(Asistente_real, PanelManualYMenuConfigurar) {
  v_->MenuPuerto->trigger();
  EXPECT_TRUE(v_->PConfigurarPuerto->isVisible());
  EXPECT_FALSE(v_->Auto1->isChecked());
  EXPECT_TRUE(v_->MenuPuerto->isChecked());

  enlace_->COM_radios[2]->click();
  EXPECT_EQ(v_->Estado().puerto, 3);

  // COM4 and COM12 lead to a file that exists, the rest of 1..15 nowhere; the
  // list names every COM1..COM32 that exists, in order.
  std::string mapa;
  for (int n = 1; n <= 15; ++n)
    mapa += "COM" + std::to_string(n) + "=" +
            (n == 4 || n == 12 ? std::string(R27_IDIOMAS_INI) : (dir_ / "nada").string()) + " ";
  setenv(kVariable_puertos, mapa.c_str(), 1);
  QStringList esperados;
  for (int n = 1; n <= 32; ++n)
    if (Directorio_sistema().Existe(n)) esperados << QString("COM%1").arg(n);
  ASSERT_GE(esperados.size(), 2);
  EXPECT_EQ(esperados.mid(0, 2), (QStringList{"COM4", "COM12"}));
  enlace_->Com_extended->addItem("COM9");  // a stale entry goes
  enlace_->Com_extendedChange();
  QStringList lista;
  for (int i = 0; i < enlace_->Com_extended->count(); ++i)
    lista << enlace_->Com_extended->itemText(i);
  EXPECT_EQ(lista, esperados);
  enlace_->Com_extended->setCurrentIndex(1);
  enlace_->Com_extended_select(1);
  EXPECT_EQ(v_->Estado().puerto, 12);
  EXPECT_EQ(enlace_->COM->title(), "USB: 12");
  enlace_->Com_extendedChange();  // entered again: the choice stays shown
  EXPECT_EQ(enlace_->Com_extended->currentText(), "COM12");
  for (auto* r : enlace_->COM_radios) EXPECT_FALSE(r->isChecked());
  EXPECT_TRUE(Guardar_captura(*v_, R27_CAPTURAS "/captura_panel_manual.png"));
  enlace_->COM_radios[4]->click();
  EXPECT_EQ(v_->Estado().puerto, 5);
  EXPECT_EQ(enlace_->Com_extended->currentIndex(), -1);

  enlace_->BConfigurarPuerto->click();
  EXPECT_FALSE(v_->PConfigurarPuerto->isVisible());
  v_->Auto1->trigger();
  EXPECT_TRUE(v_->Auto1->isChecked());
  EXPECT_FALSE(v_->MenuPuerto->isChecked());
}

}  // namespace
}  // namespace r27::pruebas
