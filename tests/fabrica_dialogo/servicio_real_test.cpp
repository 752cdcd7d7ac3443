// Service mode in the real main window, off screen, against r27-sim on a
// pseudo-terminal in real time: the wizard finds the meter, the update pauses,
// and a service dialog works on the connected meter through the window's own
// connection, lets the meter go and brings the wizard back to the start; a run
// the technician refuses is recorded in the history.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/historial.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/formulario_param_defecto.h"
#include "app/ventana/modo_servicio.h"
#include "app/ventana/ventana_brisco.h"
#include "link/directorio_puertos.h"
#include "tests/apoyo/carpeta_trabajo.h"
#include "tests/apoyo/programa_sim.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

class Ventana_medidor final : public Tventana_brisco {
 public:
  Ventana_medidor() : Tventana_brisco(nullptr) {}  // the system's serial backend
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

constexpr int kCom_simulador = 20;

class Servicio_real : public ::testing::Test {
 protected:
  void SetUp() override {
    carpeta_.emplace("r27_servicio_real_", R27_IDIOMAS_INI);
    dir_ = carpeta_->Ruta();
    historial_.emplace(dir_ / "datos" / kNombre_historial);
    v_ = std::make_unique<Ventana_medidor>();
    enlace_ = new Enlace_asistente(*v_);
    servicio_ = new Modo_servicio(*v_, *enlace_, &*historial_);
    v_->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    v_.reset();
    unsetenv(kVariable_puertos);
    carpeta_.reset();
  }

  // r27-sim with short meter timings; COM1..COM15 lead nowhere, COM20 to it.
  // False when the machine lists other serial ports the search would try too.
  bool Simular(std::vector<std::string> argumentos) {
    if (!sim_.Lanzar(R27_SIM_PROGRAMA, argumentos)) return false;
    const std::string esclavo = sim_.Linea();
    if (esclavo.rfind("/dev/pts/", 0) != 0) return false;
    std::string mapa;
    for (int n = 1; n <= 15; ++n)
      mapa += "COM" + std::to_string(n) + "=" + (dir_ / "nada").string() + " ";
    mapa += "COM" + std::to_string(kCom_simulador) + "=" + esclavo;
    setenv(kVariable_puertos, mapa.c_str(), 1);
    return Directorio_sistema().Nombres_sistema().size() == 16;
  }

  // Both wizard clicks; `en_pausa` runs once the update waits for the technician.
  void Buscar_y_en_pausa(const std::function<void()>& en_pausa) {
    bool hecho = false;
    QTimer mira;
    mira.setInterval(20);
    QObject::connect(&mira, &QTimer::timeout, v_.get(), [&] {
      if (hecho || !v_->Check_firmware->isVisible() || !v_->Check_firmware->isEnabled()) return;
      hecho = true;
      en_pausa();
    });
    mira.start();
    v_->Button_buscar_puerto->click();
    v_->Button_buscar_puerto->click();
    EXPECT_TRUE(hecho);
  }

  std::optional<Carpeta_trabajo> carpeta_;
  fs::path dir_;
  std::optional<Historial> historial_;
  Programa_sim sim_;
  std::unique_ptr<Ventana_medidor> v_;
  Enlace_asistente* enlace_ = nullptr;
  Modo_servicio* servicio_ = nullptr;
};

TEST_F(Servicio_real, FactoryDialogErasesASectorOnTheConnectedMeter) {
  ASSERT_TRUE(Simular({"--version", "3.00", "--t-sector", "50", "--t-reinicio", "300"}));
  bool conectado_al_abrir = false;
  servicio_->ejecutar_dialogo = [&](QDialog& d) {
    auto* f = qobject_cast<Formulario_param_defecto*>(&d);
    ASSERT_NE(f, nullptr);
    conectado_al_abrir = v_->Estado().conectado;
    d.show();
    f->check_grabar_conf_fabrica->click();
    f->check_grabar_conf_actual->click();
    f->check_borrar_memorias->click();
    f->Button_ok->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(f->Panel_estado->text(), "Memorias borradas");
  };
  Buscar_y_en_pausa([&] { servicio_->Param_defecto->trigger(); });

  EXPECT_TRUE(conectado_al_abrir);
  EXPECT_EQ(v_->mensajes, std::vector<std::string>{"Parametros cargados"});
  EXPECT_TRUE(v_->preguntas.empty());  // no update ran
  EXPECT_FALSE(v_->Estado().conectado);
  EXPECT_TRUE(v_->Button_buscar_puerto->isVisible());  // back at the start
  EXPECT_FALSE(v_->Check_firmware->isVisible());
}

TEST_F(Servicio_real, ARefusedUpdateIsRecordedWithTheMeterItFound) {
  ASSERT_TRUE(Simular({"--version", "3.00", "--t-reinicio", "300"}));
  // Going on from the pause: the update asks, and the technician says no.
  Buscar_y_en_pausa([&] { v_->Button_buscar_puerto->click(); });
  ASSERT_FALSE(v_->preguntas.empty());

  const Lectura_historial l = historial_->Leer();
  ASSERT_EQ(l.registros.size(), 1u);
  const Registro_historial& r = l.registros[0];
  EXPECT_EQ(r.programa, "r27-update");
  EXPECT_EQ(r.puerto, "COM" + std::to_string(kCom_simulador));
  EXPECT_EQ(r.resultado, "cancelled");
  ASSERT_TRUE(r.antes);
  EXPECT_EQ(r.antes->familia, "QZT");
  EXPECT_EQ(r.antes->version, "3.00.00000");
  EXPECT_EQ(r.despues, r.antes);  // nothing was written
  ASSERT_FALSE(r.pasos.empty());
  for (const Paso_registrado& p : r.pasos) EXPECT_EQ(p.estado, "cancelled") << p.paso;
  EXPECT_FALSE(r.comprobacion);
}

}  // namespace
}  // namespace r27::pruebas
