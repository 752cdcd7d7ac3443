// Whole updates in the real main window, off screen, through the system's serial
// backend and port directory, against the simulated meter served on a real
// pseudo-terminal from a thread of this process (the server r27-sim uses), in
// real time. The meter's work is shortened; the sequence's own waits are not.
// Afterwards the meter model's memory is compared byte for byte with what the
// updater carries.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/nucleo/imagen_firmware.h"
#include "app/ventana/enlace_asistente.h"
#include "app/ventana/ventana_brisco.h"
#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/programador_mpeg4.h"
#include "factory/tfparam_defecto.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"
#include "link/directorio_puertos.h"
#include "sim/servidor_pty.h"
#include "tests/apoyo/carpeta_trabajo.h"
#include "tests/apoyo/ventana_falsa.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;
using Reloj_real = std::chrono::steady_clock;

// The meter's own work, shortened so a whole update takes seconds: its reaction,
// restarts, sector work, the burn of each segment and the module update.
sim::Config_medidor Medidor_rapido() {
  sim::Config_medidor c;
  c.version = "3.00";  // zone, FPGA, firmware and MPEG-4 are due
  c.t_respuesta_us = 0;
  c.t_reinicio_us = 300'000;
  c.t_sector_us = 20'000;
  c.t_borrado_segmento_us = 10'000;
  c.t_programa_segmento_us = 20'000;
  c.t_mpeg4_us = 1'500'000;
  // In real time the pseudo-terminal, not the updater, decides when bytes arrive:
  // a busy computer may hold part of a packet longer than the meter's gap rule.
  c.t_entre_bytes_us = 0;
  return c;
}

// Points `enlace` at `destino`, replacing an earlier link in one step.
bool Enlazar(const fs::path& enlace, const std::string& destino) {
  const fs::path nuevo = enlace.string() + ".nuevo";
  std::error_code ec;
  fs::remove(nuevo, ec);
  fs::create_symlink(destino, nuevo, ec);
  if (ec) return false;
  fs::rename(nuevo, enlace, ec);
  return !ec;
}

// The simulated meter on a pseudo-terminal, served by a thread of this process.
// `enlace` always names the current slave: it is removed when the meter is
// unplugged and points at the new slave once it is plugged in again (after
// `volver_ms`; never when negative), as r27-sim --enlace --volver does. The model
// is read only once the server has stopped.
class Medidor_en_pty {
 public:
  Medidor_en_pty(sim::Config_medidor config, fs::path enlace, int64_t volver_ms)
      : medidor_(std::move(config), sim::Ahora_real_us()),
        servidor_(medidor_),
        enlace_(std::move(enlace)),
        volver_ms_(volver_ms) {}
  ~Medidor_en_pty() { Parar(); }

  bool Arrancar() {
    std::string error;
    if (!servidor_.Abrir(error) || !Enlazar(enlace_, servidor_.Ruta_esclavo())) {
      ADD_FAILURE() << "pseudo-terminal: " << error;
      return false;
    }
    sigemptyset(&mascara_);
    hilo_ = std::thread([this] {
      // The meter's thread asks for the priority r27-sim asks for: a device
      // answers whatever the computer does, and a compile beside the test would
      // otherwise hold its answers back past the meter's whole-second waits.
      (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), sim::kPrioridad_medidor);
      Servir();
    });
    return true;
  }
  // Stops serving; the model may be read from then on.
  const sim::Medidor_simulado& Parar() {
    parar_ = 1;
    if (hilo_.joinable()) hilo_.join();
    return medidor_;
  }
  int Desenchufes() const { return desenchufes_; }
  // When the meter was last unplugged.
  Reloj_real::time_point Desenchufe() const {
    return Reloj_real::time_point(Reloj_real::duration(desenchufe_.load()));
  }
  bool Enchufado() const { return enchufado_; }

 private:
  void Servir() {
    for (;;) {
      if (servidor_.Servir(parar_, liberar_, mascara_) == sim::Servidor_pty::Fin::Senal) return;
      enchufado_ = false;
      desenchufe_ = Reloj_real::now().time_since_epoch().count();
      ++desenchufes_;
      std::error_code ec;
      fs::remove(enlace_, ec);
      if (volver_ms_ < 0) return;
      const auto hasta = Reloj_real::now() + std::chrono::milliseconds(volver_ms_);
      while (!parar_ && Reloj_real::now() < hasta)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (parar_) return;
      medidor_.Reenchufar(sim::Ahora_real_us());
      std::string error;
      if (!servidor_.Abrir(error) || !Enlazar(enlace_, servidor_.Ruta_esclavo())) return;
      enchufado_ = true;
    }
  }

  sim::Medidor_simulado medidor_;
  sim::Servidor_pty servidor_;
  fs::path enlace_;
  int64_t volver_ms_;
  sigset_t mascara_{};
  volatile std::sig_atomic_t parar_ = 0;
  volatile std::sig_atomic_t liberar_ = 0;
  std::atomic<int> desenchufes_{0};
  std::atomic<Reloj_real::rep> desenchufe_{0};
  std::atomic<bool> enchufado_{true};
  std::thread hilo_;
};

class Ventana_medidor final : public Tventana_brisco {
 public:
  Ventana_medidor() : Tventana_brisco(nullptr) {}  // the system's serial backend
  void Mensaje(const std::string& texto) override {
    mensajes.push_back(texto);
    if (al_mensaje) al_mensaje();
  }
  // Both confirmations are answered OK.
  bool Confirmar(const std::string& texto) override {
    preguntas.push_back(texto);
    return true;
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

// What the window showed while a run was going on, as seen each time it let
// window messages run.
struct Durante_la_ejecucion {
  bool pantalla_actualizando = true;  // every look found the updating screen's first line
  bool menus_habilitados = false;     // some look found a menu enabled
  std::set<int> posiciones_paso;      // the step bar's positions, shown or not
  bool paso_visible = false;          // the step bar control was ever shown
  std::set<int> valores_general;      // overall bar values while it was visible
  bool general_retrocedio = false;
  int ultimo_general = -1;
  bool cierre_intentado = false;
  size_t miradas = 0;
};

constexpr int kCom_medidor = 20;
constexpr int kMaximo_32_bits = 1020;  // zone 50 + FPGA 30 + firmware 300 + MPEG-4 640

class Actualizacion_real : public ::testing::Test {
 protected:
  void SetUp() override {
    carpeta_.emplace("r27_actualizacion_", R27_IDIOMAS_INI);
    dir_ = carpeta_->Ruta();
    v_ = std::make_unique<Ventana_medidor>();
    enlace_ = new Enlace_asistente(*v_);
    v_->show();
    v_->Procesar_mensajes();
  }
  void TearDown() override {
    v_.reset();
    medidor_.reset();
    unsetenv(kVariable_puertos);
    carpeta_.reset();
  }

  // The meter on COM20 through a link in the test's folder; COM1..COM15 lead
  // nowhere. False when the machine lists other serial ports, which the
  // automatic search would then try as well.
  bool Enchufar(sim::Config_medidor config, int64_t volver_ms = -1) {
    const fs::path enlace = dir_ / "medidor";
    medidor_ = std::make_unique<Medidor_en_pty>(std::move(config), enlace, volver_ms);
    if (!medidor_->Arrancar()) return false;
    std::string mapa;
    for (int n = 1; n <= 15; ++n)
      mapa += "COM" + std::to_string(n) + "=" + (dir_ / "nada").string() + " ";
    mapa += "COM" + std::to_string(kCom_medidor) + "=" + enlace.string();
    setenv(kVariable_puertos, mapa.c_str(), 1);
    return Directorio_sistema().Nombres_sistema().size() == 16;
  }

  // Watches the bars, the screen and the menus while a run goes on, and once
  // tries to close the window half-way.
  void Vigilar(Durante_la_ejecucion& d) {
    const QString linea_actualizando =
        QString::fromStdString(Pantalla_actualizando(v_->Textos()).lineas[0]);
    v_->al_procesar = [this, &d, linea_actualizando] {
      if (!v_->Estado().actualizando) return;
      ++d.miradas;
      if (v_->Label_info1->text() != linea_actualizando) d.pantalla_actualizando = false;
      if (v_->MenuArchivo->menuAction()->isEnabled() ||
          v_->MenuConfigurar->menuAction()->isEnabled())
        d.menus_habilitados = true;
      const QProgressBar* paso = v_->Barra_progreso_control;
      const QProgressBar* general = v_->ProgressBar_general_control;
      d.posiciones_paso.insert(v_->Barra_progreso().Posicion());
      if (paso->isVisible()) d.paso_visible = true;
      if (general->isVisible()) {
        d.valores_general.insert(general->value());
        if (general->value() < d.ultimo_general) d.general_retrocedio = true;
        d.ultimo_general = general->value();
      }
      if (!d.cierre_intentado && v_->Estado().conectado && d.valores_general.size() > 2) {
        d.cierre_intentado = true;
        v_->close();  // refused while the update runs
      }
    };
  }

  // Both clicks of the wizard button; the real time they took, in seconds.
  double Buscar_y_actualizar() {
    const auto inicio = Reloj_real::now();
    v_->Button_buscar_puerto->click();
    v_->Button_buscar_puerto->click();
    return std::chrono::duration<double>(Reloj_real::now() - inicio).count();
  }

  int Imagen() const {
    const QImage actual = v_->Image_accion->pixmap().toImage();
    for (int i = 0; i < kNumero_imagenes_accion; ++i)
      if (v_->ImageList_acciones[static_cast<size_t>(i)].toImage() == actual) return i;
    return -1;
  }
  std::array<std::string, 3> Lineas() const {
    return {v_->Label_info1->text().toStdString(), v_->Label_info2->text().toStdString(),
            v_->Label_info3->text().toStdString()};
  }
  // "Ayuda" is hidden, which also keeps it disabled.
  bool Menus_habilitados() const {
    return v_->MenuArchivo->menuAction()->isEnabled() &&
           v_->MenuConfigurar->menuAction()->isEnabled();
  }

  // The window after a completed run: the correct screen, the wizard left ready
  // for "Actualizar", the meter let go at 115,200 baud, the overall bar full.
  void Comprobar_correcta() {
    EXPECT_EQ(v_->Estado().codigo_error, 0) << v_->Estado().motivo_error.Texto();
    EXPECT_EQ(Imagen(), kImagen_correcta);
    EXPECT_EQ(Lineas(), Pantalla_correcta(v_->Textos()).lineas);
    EXPECT_TRUE(Menus_habilitados());
    EXPECT_FALSE(v_->Button_buscar_puerto->isVisible());
    EXPECT_FALSE(v_->ProgressBar_general_control->isVisible());
    EXPECT_FALSE(v_->Barra_progreso_control->isVisible());
    EXPECT_EQ(enlace_->Asistente_().paso_asistente, 0);
    EXPECT_FALSE(v_->Estado().actualizando);
    EXPECT_FALSE(v_->Estado().conectado);
    EXPECT_EQ(v_->Estado().linea.BaudRate, 115200u);
    EXPECT_EQ(v_->ProgressBar_general().Maximo(), kMaximo_32_bits);
    EXPECT_EQ(v_->ProgressBar_general().Posicion(), kMaximo_32_bits);
    EXPECT_EQ(v_->ProgressBar_general_control->value(), kMaximo_32_bits);
    // The restarted meter was connected again and proved the update.
    const Resultado_comprobacion& r = enlace_->Actualizacion_().Comprobacion();
    EXPECT_TRUE(r.hecha);
    EXPECT_TRUE(r.probada) << r.juicio.llegado;
    EXPECT_EQ(Texto_de_version(r.ficha.version), "3.01.00000");
    EXPECT_FALSE(v_->Timer_desconexion->isActive());
  }

  // The bars seen during the run: the overall one visible, moving and never
  // backwards on the updating screen, the step one moving; menus off; the close
  // asked for half-way refused.
  void Comprobar_durante(const Durante_la_ejecucion& d) {
    EXPECT_GT(d.miradas, 0u);
    EXPECT_TRUE(d.pantalla_actualizando);
    EXPECT_FALSE(d.menus_habilitados);
    EXPECT_GE(d.posiciones_paso.size(), 3u) << "the step bar's position did not move";
    // The step bar moves behind the scenes; the window never shows it.
    EXPECT_FALSE(d.paso_visible);
    EXPECT_GE(d.valores_general.size(), 3u) << "the overall bar was not seen visible and moving";
    EXPECT_FALSE(d.general_retrocedio);
    EXPECT_TRUE(d.cierre_intentado);
    EXPECT_TRUE(v_->isVisible());
    EXPECT_FALSE(v_->Estado().saliendo);
  }

  std::optional<Carpeta_trabajo> carpeta_;
  fs::path dir_;
  std::unique_ptr<Medidor_en_pty> medidor_;
  std::unique_ptr<Ventana_medidor> v_;
  Enlace_asistente* enlace_ = nullptr;  // a child of the window
};

// The firmware image is in flash, segment by segment.
void Comprobar_firmware(const sim::Medidor_simulado& m) {
  for (const auto& [k, bytes] : Segmentos_de_hex(Imagen_firmware()))
    ASSERT_TRUE(std::ranges::equal(bytes, m.Segmento_flash(k))) << "firmware segment " << k;
}

std::optional<Imagen_fpga> Imagen_fpga_embebida() {
  std::vector<std::span<const uint8_t>> conjunto;
  for (const auto& c : Configuraciones_fpga()) conjunto.push_back(c.datos);
  return Construir_imagen_fpga(conjunto);
}

TEST_F(Actualizacion_real, UnaActualizacionCompletaDejaElMedidorExacto) {
  ASSERT_TRUE(Enchufar(Medidor_rapido()));
  Durante_la_ejecucion durante;
  Vigilar(durante);
  const double segundos = Buscar_y_actualizar();
  v_->al_procesar = nullptr;
  const sim::Medidor_simulado& m = medidor_->Parar();
  std::printf("whole update (zone, FPGA, firmware, MPEG-4), both clicks to the end: %.1f s\n",
              segundos);

  // One question, the time (17 min.), answered OK; nothing else asked or said.
  ASSERT_EQ(v_->preguntas.size(), 1u);
  EXPECT_NE(v_->preguntas[0].find("17 min.\n"), std::string::npos);
  EXPECT_TRUE(v_->mensajes.empty());
  Comprobar_correcta();
  Comprobar_durante(durante);

  Comprobar_firmware(m);
  const auto fpga = Imagen_fpga_embebida();
  ASSERT_TRUE(fpga.has_value());
  for (int k = 48; k <= 54; ++k)
    ASSERT_TRUE(std::equal(m.Segmento_flash(k).begin(), m.Segmento_flash(k).end(),
                           fpga->bytes.begin() + (k - 48) * 0x10000))
        << "FPGA segment " << k;

  // The EEPROM records, as the builders make them for this meter's language.
  Ventana_falsa otra;
  otra.estado = v_->Estado();
  TFParam_defecto registros(otra);
  registros.Construir_configuracion(v_->Estado().idioma_medidor);
  const auto eeprom = m.Eeprom();
  const auto buffer = registros.Buffer();
  for (uint16_t base : {0x0100, 0x0200})
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 254, eeprom.begin() + base))
        << "configuration at " << base;
  for (uint8_t p = 0; p < 4; ++p) {
    registros.Construir_perfil(p, v_->Estado().idioma_medidor);
    EXPECT_TRUE(std::equal(buffer.begin() + 256 + 256 * p, buffer.begin() + 512 + 256 * p,
                           eeprom.begin() + 0x0300 + 256 * p))
        << "profile " << int(p);
  }

  EXPECT_TRUE(std::ranges::equal(m.Mpeg4().aplicacion, Aplicacion_mpeg4()));
  EXPECT_EQ(m.Mpeg4().actualizaciones, 1);
  EXPECT_EQ(m.Baudios(), 115200u);
}

TEST_F(Actualizacion_real, UnDesenchufeEnElFirmwareYLaSegundaActualizacionCompleta) {
  // The meter vanishes on a block well inside the firmware records: after the
  // FPGA step's picture and set, and the firmware step's picture.
  const auto fpga = Imagen_fpga_embebida();
  ASSERT_TRUE(fpga.has_value());
  constexpr uint32_t kBloques_imagen = kAlto_imagen * 2;
  constexpr uint32_t kRegistro_desenchufe = 200;
  const uint32_t bloque = kBloques_imagen +
                          static_cast<uint32_t>(Plan_bloques_fpga(fpga->longitud_total).size()) +
                          kBloques_imagen + kRegistro_desenchufe;
  sim::Config_medidor c = Medidor_rapido();
  c.fallos = {sim::Fallo{sim::Tipo_fallo::Desenchufe, sim::Peticion::Bloque, bloque, 1}};
  ASSERT_TRUE(Enchufar(c, /*volver_ms=*/300));

  const double primera = Buscar_y_actualizar();
  EXPECT_EQ(medidor_->Desenchufes(), 1);
  EXPECT_EQ(v_->Estado().codigo_error, kCodigo_firmware_envio) << v_->Estado().motivo_error.Texto();
  EXPECT_EQ(Imagen(), kImagen_fallida);
  EXPECT_EQ(Lineas(), Pantalla_fallida(v_->Textos(), kCodigo_firmware_envio).lineas);
  EXPECT_TRUE(Menus_habilitados());
  EXPECT_FALSE(v_->Estado().actualizando);
  EXPECT_FALSE(v_->Estado().conectado);
  EXPECT_EQ(v_->Estado().linea.BaudRate, 115200u);
  EXPECT_EQ(enlace_->Asistente_().paso_asistente, 0);

  // The meter is back on its port (the link points at the new slave).
  const auto limite = Reloj_real::now() + std::chrono::seconds(5);
  while (!medidor_->Enchufado() && Reloj_real::now() < limite) {
    v_->Procesar_mensajes();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(medidor_->Enchufado());

  // "Actualizar" searches again and the same meter is updated to the end.
  v_->preguntas.clear();
  v_->mensajes.clear();
  Durante_la_ejecucion durante;
  Vigilar(durante);
  const auto inicio = Reloj_real::now();
  v_->Actualizar1->trigger();
  const double segunda = std::chrono::duration<double>(Reloj_real::now() - inicio).count();
  v_->al_procesar = nullptr;
  const sim::Medidor_simulado& m = medidor_->Parar();
  std::printf("update unplugged in the firmware records: %.1f s; the second update: %.1f s\n",
              primera, segunda);

  ASSERT_EQ(v_->preguntas.size(), 1u);
  EXPECT_NE(v_->preguntas[0].find("17 min.\n"), std::string::npos);
  Comprobar_correcta();
  Comprobar_durante(durante);
  EXPECT_EQ(medidor_->Desenchufes(), 1);
  Comprobar_firmware(m);
  EXPECT_TRUE(std::ranges::equal(m.Mpeg4().aplicacion, Aplicacion_mpeg4()));
}

// A meter unplugged in the middle of the burn: the window knows at once. Within a
// second it is on the failed screen, and its message says the meter may still be
// writing and must be left alone.
TEST_F(Actualizacion_real, UnDesenchufeEnLaGrabacionSeMuestraEnUnSegundo) {
  sim::Config_medidor c = Medidor_rapido();
  sim::Fallo f{sim::Tipo_fallo::Desenchufe, sim::Peticion::Grabacion, 1, 1};
  f.duracion_us = 1'000'000;  // a second into the burn
  c.fallos = {f};
  ASSERT_TRUE(Enchufar(c));
  std::optional<double> tras_s;
  int imagen_al_mensaje = -1;
  v_->al_mensaje = [&] {
    if (tras_s || medidor_->Desenchufes() == 0) return;
    tras_s = std::chrono::duration<double>(Reloj_real::now() - medidor_->Desenchufe()).count();
    imagen_al_mensaje = Imagen();
  };
  Buscar_y_actualizar();
  v_->al_mensaje = nullptr;
  EXPECT_EQ(medidor_->Desenchufes(), 1);
  EXPECT_EQ(v_->Estado().codigo_error, kCodigo_firmware_grabacion)
      << v_->Estado().motivo_error.Texto();
  EXPECT_EQ(v_->Estado().motivo_error.llegada, Llegada::dispositivo_perdido);
  ASSERT_TRUE(tras_s.has_value()) << "no message after the unplug";
  std::printf("unplugged in the burn: the failed screen and its message %.3f s after\n", *tras_s);
  EXPECT_LE(*tras_s, 1.0);
  EXPECT_EQ(imagen_al_mensaje, kImagen_fallida);
  EXPECT_EQ(Lineas(), Pantalla_fallida(v_->Textos(), kCodigo_firmware_grabacion).lineas);
  ASSERT_FALSE(v_->mensajes.empty());
  EXPECT_EQ(v_->mensajes.back(), v_->Textos().aviso_desconectado_grabando);
  EXPECT_FALSE(v_->Estado().actualizando);
}

}  // namespace
}  // namespace r27::pruebas
