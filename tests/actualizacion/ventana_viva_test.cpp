// The window stays alive and harmless through a whole search and update, on the
// virtual clock against the simulated meter: the disconnect watch never takes a
// byte a request is waiting for, and window messages run at least every 100 ms.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/sesion_asistente.h"
#include "link/peticiones.h"
#include "tests/actualizacion/banco_actualizacion.h"
#include "tests/apoyo/vista_falsa.h"

namespace r27::pruebas {
// Its own namespace: the test files of this program are built as one unit.
namespace ventana_viva {

using sim::Config_medidor;
using sim::Peticion;

struct Directorio_com1 final : Directorio_puertos {
  bool Existe(int n) const override { return n == 1; }
  std::vector<std::string> Nombres_sistema() const override { return {"COM1"}; }
  std::optional<std::string> Ruta(int) const override { return std::nullopt; }
};

// A meter whose answers come `retraso_us` late, as through a USB adapter, so
// window messages run while each one is awaited; the answer to a probe comes at
// once (the connect reads it within one read's time-out).
class Respuestas_tardias final : public sim::Dispositivo_linea {
 public:
  Respuestas_tardias(std::unique_ptr<sim::Medidor_simulado> m, uint64_t retraso_us)
      : m_(std::move(m)), retraso_us_(retraso_us) {}
  sim::Medidor_simulado& Medidor() { return *m_; }

  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override {
    sondeo_ = n == 1 && datos[0] == kSondeo;
    m_->Recibir(datos, n, t_us, baudios);
  }
  void Avanzar(uint64_t t_us) override { m_->Avanzar(t_us); }
  std::optional<uint64_t> Proximo_evento_us() const override {
    const std::optional<uint64_t> p = m_->Proximo_evento_us();
    return p ? std::optional<uint64_t>(*p + Retraso()) : std::nullopt;
  }
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override {
    return hasta_us < Retraso() ? 0 : m_->Tomar_salida(hasta_us - Retraso(), baudios, destino, max);
  }
  void Descartar_salida(uint64_t hasta_us) override {
    if (hasta_us >= Retraso()) m_->Descartar_salida(hasta_us - Retraso());
  }
  size_t Entrada_en_camino(uint64_t t_us) const override { return m_->Entrada_en_camino(t_us); }
  void Descartar_entrada_en_camino(uint64_t t_us) override {
    m_->Descartar_entrada_en_camino(t_us);
  }
  bool Desenchufado() const override { return m_->Desenchufado(); }
  void Puerto_abierto(uint64_t t_us) override { m_->Puerto_abierto(t_us); }
  void Enviar_liberacion(uint64_t t_us) override { m_->Enviar_liberacion(t_us); }

 private:
  uint64_t Retraso() const { return sondeo_ ? 0 : retraso_us_; }
  std::unique_ptr<sim::Medidor_simulado> m_;
  uint64_t retraso_us_;
  bool sondeo_ = false;
};

Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  return t;
}

// The session a window holds, its wizard clicked twice; the run takes the
// steps `pasos` whatever the tick decision chose (as service mode may).
struct Banco_ventana : Banco_actualizacion {
  Banco_ventana(Config_medidor c, Pasos pasos, uint64_t retraso_us = 0)
      : Banco_actualizacion(c, false),
        textos(Textos_con_claves()),
        sesion(v, vista, timer, directorio, textos) {
    if (retraso_us > 0) {
      auto tardio = std::make_unique<Respuestas_tardias>(
          std::make_unique<sim::Medidor_simulado>(std::move(c), v.reloj.Ahora_us()), retraso_us);
      medidor = &tardio->Medidor();
      Grabar(1, std::move(tardio));
    }
    sesion.Conexion_().consulta_windows64 = [] { return false; };
    Asistente& a = sesion.Asistente_();
    a.ejecutar_actualizacion = [this, pasos, seguir = a.ejecutar_actualizacion] {
      Marcar_pasos(v.estado, pasos);
      seguir();
    };
    // The window's timer ticks while window messages run, when `debida` says it is due.
    v.al_procesar_mensajes = [this] {
      if (al_procesar) al_procesar();
      if (timer.habilitado && debida && debida()) sesion.Vigilar();
    };
  }
  void Buscar_y_actualizar() {
    v.respuestas = {true, true};
    sesion.Pulsar_asistente();
    sesion.Pulsar_asistente();
  }
  bool Correcta() const { return vista.imagen == kImagen_correcta; }
  // Requests the meter counted, by kind.
  std::array<uint32_t, sim::kNum_peticiones> Cuentas() const {
    std::array<uint32_t, sim::kNum_peticiones> c{};
    for (int i = 0; i < sim::kNum_peticiones; ++i)
      c[static_cast<size_t>(i)] = medidor->Cuenta(static_cast<Peticion>(i));
    return c;
  }

  Textos_idioma textos;
  Vista_falsa vista;
  Directorio_com1 directorio;
  Sesion_asistente sesion;
  std::function<bool()> debida;  // is the watch's timer due now?
  std::function<void()> al_procesar;
};

// A USB adapter's latency timer (16 ms by default) delays every answer.
constexpr uint64_t kRetraso_usb_us = 16'000;

Config_medidor Medidor_viejo() {
  Config_medidor c;
  c.version = "1.05";  // the erase makes sense on it
  c.t_mpeg4_us = 20'000'000;
  return c;
}

// The watch's timer is due at every message pump while the meter's answer to a
// request of these kinds is awaited (from the request's arrival until the next
// request of any kind), so it is due exactly when each reply byte arrives.
TEST(Vigilancia_desconexion, NuncaTomaUnByteDeUnaRespuestaEsperada) {
  struct Caso {
    const char* nombre;
    std::set<Peticion> tipos;
    Pasos pasos;
  };
  const Caso casos[] = {
      {"level, identity and status block", {Peticion::Lectura_memoria}, {.zona = true}},
      {"bus status", {Peticion::Lectura_bus}, {.zona = true}},
      {"module information", {Peticion::Info_mpeg4, Peticion::Serie_mpeg4}, {.zona = true}},
      {"erase",
       {Peticion::Escritura_memoria, Peticion::Bloque_preparacion, Peticion::Borrado_sector,
        Peticion::Sector_preparacion},
       {.borrar = true}},
      {"zone", {Peticion::Escritura_eeprom, Peticion::Bloque_preparacion}, {.zona = true}},
      {"plans",
       {Peticion::Bloque_preparacion, Peticion::Sector_preparacion, Peticion::Bloque},
       {.planes = true}},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    // The same run with a watch that is never due: what each kind of request
    // costs when every answer arrives whole.
    std::array<uint32_t, sim::kNum_peticiones> referencia{};
    {
      Banco_ventana r(Medidor_viejo(), k.pasos, kRetraso_usb_us);
      r.Buscar_y_actualizar();
      ASSERT_TRUE(r.Correcta()) << r.v.estado.motivo_error.Texto();
      referencia = r.Cuentas();
    }
    Banco_ventana b(Medidor_viejo(), k.pasos, kRetraso_usb_us);
    std::array<uint32_t, sim::kNum_peticiones> antes{};
    bool esperando = false;
    int vistas = 0;
    b.debida = [&] {
      const std::array<uint32_t, sim::kNum_peticiones> ahora = b.Cuentas();
      for (size_t i = 0; i < ahora.size(); ++i) {
        if (ahora[i] == antes[i]) continue;
        esperando = k.tipos.count(static_cast<Peticion>(i)) > 0;
        if (esperando) break;
      }
      antes = ahora;
      if (!esperando) return false;
      // The message pump runs until the meter's next byte is ready: the timer
      // falls due as it arrives.
      const std::optional<uint64_t> proximo = b.Linea(1).Proximo_evento_us();
      if (proximo && *proximo <= b.v.reloj.Ahora_us() + kPaso_pausa_ms * 1000)
        b.v.reloj.Avanzar_hasta_us(*proximo);
      ++vistas;
      return true;
    };
    b.Buscar_y_actualizar();
    EXPECT_GT(vistas, 0);
    EXPECT_TRUE(b.Correcta()) << b.v.estado.motivo_error.Texto();
    EXPECT_EQ(b.v.estado.codigo_error, 0);
    // No attempt lost its answer and had to be sent again.
    EXPECT_EQ(b.Cuentas(), referencia);
  }
}

// While the technician reads a question the program is idle: a meter that asks
// to be let go is let go.
TEST(Vigilancia_desconexion, EnUnaPreguntaUn0ASueltaElMedidor) {
  Banco_ventana b(Medidor_viejo(), {.zona = true});
  b.debida = [] { return true; };
  b.v.al_preguntar = [&] {
    b.medidor->Enviar_liberacion(b.v.reloj.Ahora_us());
    for (int i = 0; i < 5; ++i) {
      b.v.reloj.Dormir_ms(100);
      b.v.Procesar_mensajes();
    }
  };
  b.Buscar_y_actualizar();
  // Let go with the reply 0x0A, and no step ran on the meter it let go.
  EXPECT_EQ(b.medidor->Cuenta(Peticion::Liberacion), 1u);
  EXPECT_EQ(b.medidor->Cuenta(Peticion::Escritura_eeprom), 0u);
  EXPECT_FALSE(b.Correcta());
}

// The longest stretch without window messages, across a search with the module
// decision's second question and a run with the keyboard, the erase, the plans,
// the zone and the FPGA set with their pauses and reconnects: never above
// 100 ms, so no system takes the window for hung.
TEST(Mensajes_ventana, NuncaMasDe100msSinProcesarlos) {
  Config_medidor c;
  c.version = "3.01";
  c.fpga_menor = 3;
  c.mpeg4_actual = {0, 0, 5, 2};  // the module reports version 0: asked twice
  c.t_mpeg4_us = 20'000'000;
  Banco_ventana b(c, {.teclado = true, .borrar = true, .planes = true, .zona = true, .fpga = true});
  uint64_t ultimo_us = b.v.reloj.Ahora_us();
  uint64_t mayor_us = 0;
  uint64_t mayor_en_us = 0;
  b.al_procesar = [&] {
    const uint64_t ahora = b.v.reloj.Ahora_us();
    if (ahora - ultimo_us > mayor_us) {
      mayor_us = ahora - ultimo_us;
      mayor_en_us = ahora;
    }
    ultimo_us = ahora;
  };
  // The plans chosen in the menu: the meter, current otherwise, is offered the update.
  ASSERT_TRUE(Elegir_planes(b.v.estado, 0));
  const uint64_t inicio_us = b.v.reloj.Ahora_us();
  b.Buscar_y_actualizar();
  EXPECT_GE(b.medidor->Cuenta(Peticion::Info_mpeg4), 2u);
  EXPECT_GT(b.medidor->Cuenta(Peticion::Paquete_teclado), 0u);
  EXPECT_TRUE(b.Correcta()) << b.v.estado.motivo_error.Texto();
  EXPECT_LE(mayor_us, 100'000u) << "at " << (mayor_en_us - inicio_us) / 1000 << " ms of the run";
}

}  // namespace ventana_viva
}  // namespace r27::pruebas
