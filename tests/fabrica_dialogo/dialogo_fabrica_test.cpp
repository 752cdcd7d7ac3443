// The factory dialog's OK against the in-process simulated meter, connected
// through the real connection: what the model's EEPROM and flash hold afterwards,
// where the dialog let the meter go and took it again, the status and action
// lines and the overall message; the sector erase and the options write one by
// one; and the frames of each new request, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "factory/registros_zona.h"
#include "factory/tfparam_defecto.h"
#include "factory/tramas_fabrica.h"
#include "flash/bloque.h"
#include "tests/actualizacion/banco_actualizacion.h"
#include "tests/apoyo/backend_guion.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint8_t kPrevio = 0x55;  // flash sectors and EEPROM before a run

// The meter's own 50-byte block at 0x6000 before a run.
uint8_t Byte_propio(size_t i) { return static_cast<uint8_t>(0x31 + 7 * i); }

// The connect toggle of the bench's connection, noting each click: D (the meter
// was connected: a disconnect) or C (a connect), with the EEPROM frames, blank
// staging blocks and sector erases the meter had received by then in this run.
class Conexion_grabada final : public Operaciones_conexion {
 public:
  explicit Conexion_grabada(Banco_actualizacion& b) : b_(b) {}
  void Cambiar_velocidad_puerto(uint32_t baudios) override {
    b_.conexion.Cambiar_velocidad_puerto(baudios);
  }
  bool Es_windows64() override { return false; }
  void Boton_ConectarClick() override {
    const sim::Medidor_simulado& m = *b_.medidor;
    char t[32];
    std::snprintf(t, sizeof t, "%s%u/%u/%u", b_.v.estado.conectado ? "D" : "C",
                  m.Cuenta(Peticion::Escritura_eeprom) - eeprom0,
                  m.Cuenta(Peticion::Bloque_preparacion) - area0,
                  m.Cuenta(Peticion::Borrado_sector) - sectores0);
    traza += (traza.empty() ? "" : " ") + std::string(t);
    b_.conexion.Boton_ConectarClick();
  }
  bool Conectar() override {
    if (!b_.v.estado.conectado) Boton_ConectarClick();
    return b_.v.estado.conectado;
  }
  void Desconectar() override {
    if (b_.v.estado.conectado) Boton_ConectarClick();
  }
  void Empezar() {
    const sim::Medidor_simulado& m = *b_.medidor;
    eeprom0 = m.Cuenta(Peticion::Escritura_eeprom);
    area0 = m.Cuenta(Peticion::Bloque_preparacion);
    sectores0 = m.Cuenta(Peticion::Borrado_sector);
    traza.clear();
  }

  std::string traza;
  uint32_t eeprom0 = 0, area0 = 0, sectores0 = 0;

 private:
  Banco_actualizacion& b_;
};

// A connected meter with known contents and a dialog on it.
struct Banco_dialogo {
  explicit Banco_dialogo(Config_medidor config = {}) : b(std::move(config)), conexion(b) {
    sim::Memoria_simulada& memoria = b.medidor->Memoria();
    std::ranges::fill(memoria.Eeprom(), kPrevio);
    for (int s : {1, 39, 40, 43, 44, 45, 46}) {
      const auto r = *sim::Sector_pequeno(static_cast<uint8_t>(s));
      std::fill_n(memoria.Segmento_flash(r.segmento).begin() + r.desplazamiento, r.tamano, kPrevio);
    }
    auto k0 = memoria.Segmento_flash(0);
    for (size_t i = 0; i < kBytes_bloque_opciones; ++i)
      k0[kDireccion_opciones + i] = Byte_propio(i);
    f.Panel_estado.Al_cambiar([this] { estados.push_back(f.Panel_estado.Texto()); });
    f.Panel_accion.Al_cambiar([this] { acciones.push_back(f.Panel_accion.Texto()); });
  }

  // Ticks exactly the boxes named.
  void Marcar(const std::set<std::string>& nombres) {
    const std::pair<const char*, Casilla*> casillas[] = {
        {"fabrica", &f.check_grabar_conf_fabrica},
        {"defecto", &f.check_grabar_conf_actual},
        {"perfiles", &f.check_grabar_perfiles},
        {"incidencias", &f.check_borrar_incidencias},
        {"tablas", &f.check_borrar_tablas},
        {"memorias", &f.check_borrar_memorias},
        {"macromedidas", &f.check_borrar_macromedidas},
        {"logs", &f.check_borrar_logs},
        {"planes", &f.check_grabar_planes},
        {"opciones", &f.check_grabar_opciones}};
    for (auto [nombre, casilla] : casillas) casilla->marcada = nombres.count(nombre) > 0;
  }

  bool Sector_intacto(int s) const { return Sector_lleno(s, kPrevio); }
  bool Sector_borrado(int s) const { return Sector_lleno(s, 0xFF); }
  bool Sector_lleno(int s, uint8_t valor) const {
    const auto r = *sim::Sector_pequeno(static_cast<uint8_t>(s));
    const auto seg = b.medidor->Segmento_flash(r.segmento);
    return std::all_of(seg.begin() + r.desplazamiento, seg.begin() + r.desplazamiento + r.tamano,
                       [valor](uint8_t x) { return x == valor; });
  }
  // The block at 0x6000 as the meter holds it now.
  std::vector<uint8_t> Bloque_medidor() const {
    const auto k0 = b.medidor->Segmento_flash(0);
    return {k0.begin() + kDireccion_opciones,
            k0.begin() + kDireccion_opciones + kBytes_bloque_opciones};
  }

  Banco_actualizacion b;
  Conexion_grabada conexion;
  TFParam_defecto f{b.v, conexion};
  std::vector<std::string> estados;
  std::vector<std::string> acciones;
};

std::vector<uint8_t> Bloque_original() {
  std::vector<uint8_t> v(kBytes_bloque_opciones);
  for (size_t i = 0; i < v.size(); ++i) v[i] = Byte_propio(i);
  return v;
}

std::vector<uint8_t> Bloque_con_opciones() {
  std::vector<uint8_t> v = Bloque_original();
  const auto o = Opciones_incrustadas();
  std::copy(o.begin(), o.end(), v.begin() + kInicio_opciones);
  return v;
}

// EEPROM areas a run writes.
enum Area : unsigned {
  kFabrica = 1,
  kDefecto = 2,
  kPerfiles_ = 4,
  kIncidencias = 8,
  kFabrica_primera_pagina = 16,  // its first page only
};

std::vector<uint8_t> Eeprom_esperada(unsigned areas, const Estado_ventana& e) {
  std::vector<uint8_t> r(sim::kTamano_eeprom, kPrevio);
  std::array<uint8_t, kTamano_ranura_registro> conf{};
  Registro_configuracion(conf, {e.idioma_medidor, e.region_usa, e.estado_b5, e.indice_plan});
  if (areas & kFabrica) std::copy_n(conf.begin(), 254, r.begin() + 0x0100);
  if (areas & kFabrica_primera_pagina) std::copy_n(conf.begin(), 128, r.begin() + 0x0100);
  if (areas & kDefecto) std::copy_n(conf.begin(), 254, r.begin() + 0x0200);
  if (areas & kPerfiles_) {
    for (uint8_t p = 0; p < kPerfiles; ++p) {
      std::array<uint8_t, kTamano_ranura_registro> perfil{};
      Registro_perfil(perfil, p, e.idioma_medidor, e.region_usa);
      std::copy(perfil.begin(), perfil.end(), r.begin() + 0x0300 + 256 * p);
    }
  }
  if (areas & kIncidencias) std::fill_n(r.begin() + 0x0040, 190, uint8_t{0xFF});
  return r;
}

const std::string kCargados(Dialogo_param_defecto::kParametros_cargados);
const std::string kError(Dialogo_param_defecto::kError_parametros);

// How many memory reads the bench's connect and the dialog's reconnect before
// its flash work make: the options read follows them.
uint32_t Lecturas_hasta_opciones() {
  Banco_actualizacion b;
  b.conexion.Boton_ConectarClick();
  b.conexion.Boton_ConectarClick();
  return b.medidor->Cuenta(Peticion::Lectura_memoria);
}

// A request of kind `p` (the n-th and the veces - 1 after it) carried out but unanswered,
// or answered with a wrong first byte.
Fallo Perdido(Peticion p, uint32_t n, uint32_t veces = 1) {
  return Fallo{Tipo_fallo::Ack_perdido, p, n, veces};
}
Fallo Erroneo(Peticion p, uint32_t n) { return Fallo{Tipo_fallo::Ack_erroneo, p, n}; }

TEST(Dialogo_fabrica, OkRunsTheTickedWorkInItsOrder) {
  enum Medidor : unsigned { kNormal = 0, kArranque = 1, kSin_eco = 2 };
  struct Caso {
    const char* nombre;
    std::set<std::string> marcadas;
    std::vector<Fallo> fallos;
    unsigned medidor;
    bool ok;
    std::string traza;       // connect clicks: D/C, EEPROM frames / blank blocks / sector erases
    unsigned eeprom;         // areas written
    std::set<int> borrados;  // the other sectors stay as they were
    bool opciones;           // the meter's block holds the options
    uint32_t cargas;         // loader stages the dialog sent
    std::string estado, accion;
    std::vector<std::string> mensajes;
    std::string peticion = {};  // the request the run's failure names ("" on success)
  };
  const uint32_t lectura = Lecturas_hasta_opciones() + 1;
  const std::string reconexion = "D0/0/0 C0/0/0 D0/0/0";
  const std::string error_opciones = "Error al enviar las opciones";
  // clang-format off
  const Caso casos[] = {
    {"no box ticked: only the disconnect", {}, {}, kNormal, true, "D0/0/0", 0, {}, false, 0, "", "", {kCargados}},
    {"the two boxes ticked at creation", {"fabrica", "defecto"}, {}, kNormal, true, "D4/0/0",
     kFabrica | kDefecto, {}, false, 0, "", "", {kCargados}},
    {"EEPROM then plans: a reconnect between them", {"perfiles", "incidencias", "planes"}, {}, kNormal,
     true, "D9/0/0 C9/0/0 D9/1/0", kPerfiles_ | kIncidencias, {}, false, 0, "Conectando de nuevo ...", "",
     {kCargados}},
    {"plans then flash: a reconnect before the boot stages", {"planes", "tablas", "logs"}, {}, kNormal,
     true, "D0/1/0 C0/1/0 D0/1/5", 0, {1, 43, 44, 45, 46}, false, 2, "Logs borrados", "Sector 46 borrado",
     {kCargados}},
    {"everything", {"fabrica", "defecto", "perfiles", "incidencias", "tablas", "memorias", "macromedidas",
                    "logs", "planes", "opciones"}, {}, kNormal,
     true, "D13/0/0 C13/0/0 D13/1/0 C13/1/0 D13/1/7", kFabrica | kDefecto | kPerfiles_ | kIncidencias,
     {1, 39, 40, 43, 44, 45, 46}, true, 2, "Logs borrados", "Opciones grabadas con exito", {kCargados}},
    {"boot stage: no EEPROM, plan or boot-stage work", {"fabrica", "planes", "memorias"}, {}, kArranque,
     true, "D0/0/1", 0, {39}, false, 0, "Memorias borradas", "Sector 39 borrado", {kCargados}},
    {"logs stop at sector 44 (a wrong echo)", {"logs", "opciones"}, {Erroneo(Peticion::Borrado_sector, 2)},
     kNormal, false, "D0/0/0 C0/0/0 D0/0/2", 0, {43, 44}, false, 2, "Error al borrar logs",
     "Error al borrar sector", {kError}, "Borrar_sector 44"},
    {"a sector that never answers", {"memorias", "macromedidas"}, {Perdido(Peticion::Borrado_sector, 1)},
     kNormal, false, "D0/0/0 C0/0/0 D0/0/1", 0, {39}, false, 2, "Error al borrar memorias",
     "Error al borrar sector", {kError}, "Borrar_sector 39"},
    {"failed EEPROM page: no reconnect, no plan, boot stages still sent", {"fabrica", "planes", "tablas"},
     {Perdido(Peticion::Escritura_eeprom, 1, 5)}, kNormal, false, "D5/0/0", kFabrica_primera_pagina, {},
     false, 2, "", "Enviando boots ...", {kError}, "Grabar_conf_fabrica (pagina eeprom 0x0100)"},
    {"options confirmed by 0x03 then 0x60", {"opciones"}, {}, kNormal, true, reconexion, 0, {}, true, 2,
     "", "Opciones grabadas con exito", {kCargados}},
    {"options confirmed by 0x60 alone", {"opciones"}, {}, kSin_eco, true, reconexion, 0, {}, true, 2,
     "", "Opciones grabadas con exito", {kCargados}},
    {"options: the meter's block cannot be read, nothing is written", {"opciones"},
     {Perdido(Peticion::Lectura_memoria, lectura, 5)}, kNormal, false, reconexion, 0, {}, false, 2,
     "", error_opciones, {"Error al leer el bloque de opciones", kError}, "Escribir_opciones"},
    {"options: the block is lost, the sector is not written", {"opciones"}, {Perdido(Peticion::Bloque, 1, 2)},
     kNormal, false, reconexion, 0, {}, false, 2, "", error_opciones, {kError},
     "Escribir_opciones (bloque de opciones)"},
    {"options: a wrong confirmation", {"opciones"}, {Erroneo(Peticion::Confirmar_sector, 1)}, kNormal,
     false, reconexion, 0, {}, true, 2, "", error_opciones, {kError}, "Confirmar_grabacion 3"},
    {"options: no confirmation", {"opciones"}, {Perdido(Peticion::Confirmar_sector, 1)}, kNormal,
     false, reconexion, 0, {}, true, 2, "", error_opciones, {kError}, "Confirmar_grabacion 3"},
  };
  // clang-format on
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Config_medidor config;
    config.fallos = c.fallos;
    config.etapa_arranque = (c.medidor & kArranque) != 0;
    config.confirmar_sin_eco = (c.medidor & kSin_eco) != 0;
    Banco_dialogo d(config);
    const Estado_ventana& e = d.b.v.estado;
    ASSERT_TRUE(e.conectado);
    ASSERT_EQ(e.modo_arranque, config.etapa_arranque);
    const sim::Medidor_simulado& m = *d.b.medidor;
    const uint32_t cargas0 = m.Cuenta(Peticion::Carga_programa);
    const uint32_t fin0 = m.Cuenta(Peticion::Fin);
    d.Marcar(c.marcadas);
    d.conexion.Empezar();

    d.f.Button_okClick();

    EXPECT_EQ(d.f.resultado, c.ok);
    // The first failure stays the run's: the reconnects and the loader's end after it do not
    // replace it.
    EXPECT_EQ(d.f.motivo ? d.f.motivo->peticion : "", c.peticion);
    EXPECT_EQ(d.b.v.mensajes, c.mensajes);
    EXPECT_EQ(d.conexion.traza, c.traza);
    EXPECT_FALSE(e.conectado);
    EXPECT_TRUE(d.f.cerrado);
    for (uint32_t disparos : m.Disparos_fallos()) EXPECT_GT(disparos, 0u);

    const std::vector<uint8_t> eeprom = Eeprom_esperada(c.eeprom, e);
    const auto real = m.Eeprom();
    const auto dif = std::mismatch(eeprom.begin(), eeprom.end(), real.begin());
    EXPECT_EQ(dif.first, eeprom.end())
        << "EEPROM differs at 0x" << std::hex << (dif.first - eeprom.begin());
    for (int s : {1, 39, 40, 43, 44, 45, 46})
      EXPECT_TRUE(c.borrados.count(s) ? d.Sector_borrado(s) : d.Sector_intacto(s))
          << "sector " << s;
    EXPECT_EQ(d.Bloque_medidor(), c.opciones ? Bloque_con_opciones() : Bloque_original());

    EXPECT_EQ(m.Cuenta(Peticion::Carga_programa) - cargas0, c.cargas);
    // The loader's exchange is closed whenever flash work was ticked (the
    // incidents erase sends the same closing request).
    const bool flash = std::ranges::any_of(c.marcadas, [](const std::string& n) {
      return n == "tablas" || n == "memorias" || n == "macromedidas" || n == "logs" ||
             n == "opciones";
    });
    EXPECT_EQ(m.Cuenta(Peticion::Fin) > fin0 + (c.eeprom & kIncidencias ? 1 : 0), flash);
    EXPECT_EQ(d.f.Panel_estado.Texto(), c.estado);
    EXPECT_EQ(d.f.Panel_accion.Texto(), c.accion);
  }
}

TEST(Dialogo_fabrica, NoBoxTickedSendsNothingButTheRelease) {
  Banco_dialogo d;
  const size_t antes = d.b.Linea(1).recibidos.size();
  d.Marcar({});
  d.f.Button_okClick();
  const std::vector<uint8_t> todo = d.b.Linea(1).Bytes();
  EXPECT_EQ(std::vector<uint8_t>(todo.begin() + long(antes), todo.end()),
            std::vector<uint8_t>{0x0A});  // the disconnect's release byte
  EXPECT_TRUE(d.b.v.pitidos.empty());
}

// One sector erase on a meter running the loader: the echo, a wrong byte that
// fails at once, and silence that fails after the time-out with a beep.
TEST(Dialogo_fabrica, SectorEraseAnswers) {
  struct Caso {
    const char* nombre;
    std::vector<Fallo> fallos;
    bool ok;
    size_t pitidos;
    int64_t desde_s, hasta_s;  // elapsed seconds on the virtual clock
    const char* accion;
  };
  // clang-format off
  const Caso casos[] = {
    {"echo", {}, true, 0, 1, 2, "Sector 39 borrado"},
    {"wrong byte", {Erroneo(Peticion::Borrado_sector, 1)}, false, 0, 1, 2, "Error al borrar sector"},
    {"silence", {Perdido(Peticion::Borrado_sector, 1)}, false, 1, 11, 12, "Error al borrar sector"},
  };
  // clang-format on
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Config_medidor config;
    config.fallos = c.fallos;
    Banco_dialogo d(config);
    (void)d.f.Enviar_boots();
    d.acciones.clear();
    const int64_t t0 = d.b.v.reloj.Segundos();
    EXPECT_EQ(static_cast<bool>(d.f.Borrar_sector(39)), c.ok);
    const int64_t t = d.b.v.reloj.Segundos() - t0;
    EXPECT_GE(t, c.desde_s);
    EXPECT_LE(t, c.hasta_s);
    EXPECT_EQ(d.b.v.pitidos.size(), c.pitidos);
    EXPECT_EQ(d.f.Panel_accion.Texto(), c.accion);
    EXPECT_EQ(d.acciones.front(), "Borrando sector ...");
    EXPECT_TRUE(d.Sector_borrado(39));  // the meter erased it whatever it answered
  }
}

// The frames of the options write as they leave the port, against a scripted
// meter: every new request shape byte for byte.
TEST(Dialogo_fabrica, GoldenFrames) {
  Ventana_con_guion g;
  std::vector<uint8_t> leido(kBytes_bloque_opciones);
  for (size_t i = 0; i < leido.size(); ++i) leido[i] = uint8_t(0xC0 ^ i);
  std::vector<uint8_t> respuesta_lectura{0x10, 0x00};
  respuesta_lectura.insert(respuesta_lectura.end(), leido.begin(), leido.end());

  // The block packet, built here from its layout: 03, count + 4, address low and
  // high, segment, data, XOR of everything after the 03.
  const auto opciones = Opciones_incrustadas();
  ASSERT_EQ(opciones.size(), 32u);
  std::vector<uint8_t> datos = leido;
  std::copy(opciones.begin(), opciones.end(), datos.begin() + 16);
  std::vector<uint8_t> paquete{0x03, 54, 0x00, 0x60, 0xAB};
  paquete.insert(paquete.end(), datos.begin(), datos.end());
  uint8_t x = 0;
  for (size_t i = 1; i < paquete.size(); ++i) x ^= paquete[i];
  paquete.push_back(x);

  struct Trama {
    const char* nombre;
    Bytes esperada;
    Bytes respuesta;
  };
  const Trama tramas[] = {
      {"ready", {0xAA}, {'f'}},
      {"staging erase", {0x07, 0x06, 0x00, 0x00, 0xAB, 0xFD, 0xFF, 0xC9}, {'p'}},
      {"read of the meter's block", {0x01, 0x00, 0x00, 0x60, 0x32}, respuesta_lectura},
      {"options block", paquete, {'0'}},
      {"write confirmation of sector 3", {0x06, 0x03}, {0x03, 0x60}},
      {"sector erase 44", {0x0C, 0x2C}, {0x2C}},
  };
  for (const Trama& t : tramas) g.guion->Intercambio(t.esperada, t.respuesta);

  TFParam_defecto f(g.v);
  EXPECT_TRUE(f.Escribir_opciones());
  EXPECT_TRUE(f.Borrar_sector(44));
  EXPECT_TRUE(g.guion->Cumplido()) << g.guion->Resumen();
  std::vector<Bytes> escritas;
  for (const auto& e : g.guion->Escrituras()) escritas.push_back(e.bytes);
  ASSERT_EQ(escritas.size(), std::size(tramas));
  for (size_t i = 0; i < escritas.size(); ++i)
    EXPECT_EQ(escritas[i], tramas[i].esperada) << tramas[i].nombre;
  EXPECT_EQ(f.Panel_accion.Texto(), "Sector 44 borrado");
}

}  // namespace
}  // namespace r27::pruebas
