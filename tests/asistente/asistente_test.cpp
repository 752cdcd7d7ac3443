// The wizard with a fake view, a port directory of the test's choosing and the
// simulated meter in process.
#include "app/nucleo/asistente.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/apoyo/vista_falsa.h"
#include "tests/conexion/banco_conexion.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;

class Directorio_falso final : public Directorio_puertos {
 public:
  Directorio_falso(std::set<int> existen, std::vector<std::string> nombres)
      : existen_(std::move(existen)), nombres_(std::move(nombres)) {}
  bool Existe(int n) const override { return existen_.count(n) > 0; }
  std::vector<std::string> Nombres_sistema() const override { return nombres_; }
  std::optional<std::string> Ruta(int n) const override {
    return "/dev/ttyACM" + std::to_string(n);
  }

 private:
  std::set<int> existen_;
  std::vector<std::string> nombres_;
};

// Texts that name their key, so a screen shows which texts it took.
Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  for (const Aviso_de_textos& a : kAvisos_idioma) t.*a.campo = std::string(a.aviso->clave) + " {1}";
  return t;
}

struct Banco_asistente : Banco_conexion {
  explicit Banco_asistente(std::set<int> existen = {}, std::vector<std::string> nombres = {})
      : directorio(std::move(existen), std::move(nombres)),
        textos(Textos_con_claves()),
        asistente(v, conexion, vista, directorio, textos) {
    asistente.ejecutar_actualizacion = [this] {
      ++entregas;
      menus_en_entrega = vista.menus;
      conectado_en_entrega = v.estado.conectado;
    };
    // The watch timer fires while window messages run.
    v.al_procesar_mensajes = [this] {
      if (antes_de_vigilar) antes_de_vigilar();
      if (timer.habilitado) conexion.Mira_desconexion();
    };
  }
  // Both clicks of a search.
  void Buscar() {
    asistente.Button_buscar_puertoClick();
    asistente.Button_buscar_puertoClick();
  }
  const Pantalla& Ultima() const { return vista.pantallas.back(); }

  Directorio_falso directorio;
  Textos_idioma textos;
  Vista_falsa vista;
  Asistente asistente;
  int entregas = 0;
  bool menus_en_entrega = true;
  bool conectado_en_entrega = false;
  std::function<void()> antes_de_vigilar;
};

TEST(Asistente, PrimerClicPideConectarElMedidor) {
  Banco_asistente b;
  b.asistente.Button_buscar_puertoClick();
  EXPECT_EQ(b.Ultima(), Pantalla_conectar(b.textos));
  EXPECT_EQ(b.asistente.paso_asistente, 1);
  EXPECT_TRUE(b.backend.Aperturas().empty());
}

TEST(Asistente, LaBusquedaAutomaticaEncuentraElMedidorEnCom20PorLaListaDelSistema) {
  Banco_asistente b({3, 5}, {"COM3", "LPT1", "COM5:", "COM", "COM20"});
  b.Mudo(3);
  b.Basura(5);
  b.Medidor(20);
  b.Buscar();
  // COM3 and COM5 were tried in the first pass and are not tried again.
  EXPECT_EQ(b.backend.Aperturas(), (std::vector<int>{3, 5, 20}));
  EXPECT_EQ(b.vista.lineas2, (std::vector<std::string>{"PASO3_L23", "PASO3_L25", "PASO3_L220"}));
  EXPECT_EQ(b.Linea(3).Bytes().size(), 8u);  // four probes and their releases
  EXPECT_EQ(b.entregas, 1);
  EXPECT_TRUE(b.conectado_en_entrega);
  EXPECT_FALSE(b.menus_en_entrega);  // menus stay disabled for the update
  EXPECT_EQ(b.v.estado.puerto, 20);
  EXPECT_EQ(b.asistente.fallos_busqueda, 0u);
  EXPECT_EQ(b.vista.pantallas[1], Pantalla_buscando(b.textos, 1));
}

TEST(Asistente, ElPrimerPasoSeDetieneEnElMedidor) {
  Banco_asistente b({2, 4, 9}, {"COM2", "COM4", "COM9", "COM30"});
  b.Medidor(4);
  b.Mudo(9);
  b.Buscar();
  EXPECT_EQ(b.backend.Aperturas(), (std::vector<int>{2, 4}));
  EXPECT_EQ(b.entregas, 1);
}

TEST(Asistente, ElModoManualSoloPruebaElPuertoElegido) {
  Banco_asistente b({1, 3}, {"COM1", "COM3"});
  b.Medidor(1);
  b.Medidor(3);
  b.vista.automatico = false;
  b.v.estado.puerto = 3;
  b.Buscar();
  EXPECT_EQ(b.backend.Aperturas(), std::vector<int>{3});
  EXPECT_EQ(b.vista.lineas2, std::vector<std::string>{"PASO3_L23"});
  EXPECT_EQ(b.vista.pantallas[1], Pantalla_buscando(b.textos, 3));
  EXPECT_EQ(b.entregas, 1);
}

TEST(Asistente, DosBusquedasFallidasLlevanAlModoManual) {
  Banco_asistente b({2}, {"COM2"});
  b.Mudo(2);
  for (uint32_t fallo = 1; fallo <= 2; ++fallo) {
    b.Buscar();
    EXPECT_EQ(b.Ultima(), Pantalla_no_encontrado(b.textos));
    EXPECT_EQ(b.asistente.fallos_busqueda, fallo);
    EXPECT_EQ(b.asistente.paso_asistente, 0);
    EXPECT_TRUE(b.vista.menus);
    EXPECT_TRUE(b.vista.boton);
    EXPECT_FALSE(b.vista.panel);
  }
  b.asistente.Button_buscar_puertoClick();
  EXPECT_TRUE(b.vista.panel);
  EXPECT_FALSE(b.vista.automatico);
  EXPECT_EQ(b.asistente.fallos_busqueda, 0u);
  EXPECT_EQ(b.Ultima(), Pantalla_conectar(b.textos));
  EXPECT_EQ(b.entregas, 0);
}

TEST(Asistente, SinMedidorOConRespuestaM) {
  for (const bool m : {false, true}) {
    SCOPED_TRACE(m);
    Banco_asistente b({1}, {"COM1"});
    Config_medidor c;
    c.rechazo = true;
    if (m) b.Medidor(1, c);
    b.Buscar();
    EXPECT_EQ(b.Ultima(),
              m ? Pantalla_no_encontrado_m(b.textos) : Pantalla_no_encontrado(b.textos));
    EXPECT_EQ(b.entregas, 0);
  }
}

TEST(Asistente, ComprobacionesAntesDeActualizar) {
  struct Caso {
    const char* nombre;
    uint16_t nivel;
    uint8_t bus8;
    uint8_t bus12;
    const char* familia;
    const char* version;
    Pantalla (*pantalla)(const Textos_idioma&);  // null: handed over
  };
  const Caso casos[] = {
      {"nivel_49", 0x0031, 0, 0, "QZT", "3.00", Pantalla_rechazo_nivel},
      {"nivel_49_alto", 0x0131, 0, 0, "QZT", "3.00", Pantalla_rechazo_nivel},
      {"nivel_50", 0x0032, 0, 0, "QZT", "3.00", nullptr},
      {"bus_8", 0x78, 0x80, 0, "QZT", "3.00", Pantalla_rechazo_estado},
      {"bus_12", 0x78, 0, 0x40, "QZT", "3.00", Pantalla_rechazo_estado},
      {"al_dia", 0x78, 0, 0, "QZT", "3.01", Pantalla_nada_familia},
      {"otra_familia", 0x78, 0, 0, "VMK", "3.00", Pantalla_nada_ajena},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Banco_asistente b({1}, {"COM1"});
    Config_medidor c;
    c.nivel = k.nivel;
    c.bus_registro8 = k.bus8;
    c.bus_registro12 = k.bus12;
    c.familia = k.familia;
    c.version = k.version;
    c.fpga_menor = 3;
    c.mpeg4_actual = {133, 0, 5, 2};
    b.Medidor(1, c);
    b.Buscar();
    if (!k.pantalla) {
      EXPECT_EQ(b.entregas, 1);
      continue;
    }
    EXPECT_EQ(b.entregas, 0);
    EXPECT_EQ(b.Ultima(), k.pantalla(b.textos));
    // Let go: 0x0A last, port closed, window back to the technician.
    EXPECT_EQ(b.Linea(1).Bytes().back(), 0x0A);
    EXPECT_FALSE(b.v.estado.conectado);
    EXPECT_FALSE(b.v.Puerto().Esta_abierto());
    EXPECT_FALSE(b.timer.habilitado);
    EXPECT_TRUE(b.vista.menus);
    EXPECT_TRUE(b.vista.boton);
    EXPECT_FALSE(b.vista.progreso);
    EXPECT_EQ(b.asistente.paso_asistente, 0);
    EXPECT_EQ(b.asistente.fallos_busqueda, 0u);
  }
}

TEST(Asistente, LaVigilanciaNoLeeDuranteLasComprobaciones) {
  // The last memory read of the checks is the status block of the readiness check.
  uint32_t lecturas = 0;
  {
    Banco_asistente previa({1}, {"COM1"});
    auto& m = previa.Medidor(1);
    previa.Buscar();
    ASSERT_EQ(previa.entregas, 1);
    lecturas = m.Cuenta(sim::Peticion::Lectura_memoria);
  }
  // That read's first answer is lost; while its wait lets window messages run,
  // a byte 0x0A comes. The watch does not read while a request waits: the read
  // is tried again and the meter, still connected, goes on to the update.
  Banco_asistente b({1}, {"COM1"});
  Config_medidor c;
  c.fallos.push_back(
      {sim::Tipo_fallo::Ack_perdido, sim::Peticion::Lectura_memoria, lecturas, 1, 0.0, 0});
  auto& m = b.Medidor(1, c);
  bool enviada = false;
  b.antes_de_vigilar = [&] {
    if (!enviada && b.v.estado.conectado && m.Cuenta(sim::Peticion::Lectura_bus) >= 2) {
      enviada = true;
      m.Enviar_liberacion(b.v.reloj.Ahora_us());
    }
  };
  b.Buscar();
  ASSERT_TRUE(enviada);
  EXPECT_EQ(b.entregas, 1);
  EXPECT_TRUE(b.conectado_en_entrega);
  EXPECT_EQ(m.Cuenta(sim::Peticion::Liberacion), 0u);
}

TEST(Asistente, ActualizarEmpiezaLaBusquedaEnSeguida) {
  Banco_asistente b({1}, {"COM1"});
  b.Medidor(1);
  b.asistente.Actualizar1Click();
  EXPECT_EQ(b.entregas, 1);
  EXPECT_EQ(b.asistente.paso_asistente, 1);  // the update run sets it back
  ASSERT_GE(b.vista.eventos.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(b.vista.eventos.begin(), b.vista.eventos.begin() + 4),
            (std::vector<std::string>{"imagen 1", "numeros", "sin menus", "pantalla 2"}));
  EXPECT_EQ(b.vista.pantallas.front(), Pantalla_buscando(b.textos, 1));
}

// Ports refused before any traffic, as the system refuses a port without access
// or one another program holds; the others lead to the simulated devices.
class Backend_con_rechazos final : public Backend_serie {
 public:
  bool Abrir(int n, const DCB_linea& l) override {
    interior->Cerrar();
    const auto r = rechazos.find(n);
    fallo_ = r != rechazos.end() ? r->second : Fallo_apertura::ninguno;
    if (fallo_ != Fallo_apertura::ninguno) return false;
    if (interior->Abrir(n, l)) return true;
    fallo_ = Fallo_apertura::no_existe;
    return false;
  }
  void Cerrar() override { interior->Cerrar(); }
  bool Esta_abierto() const override { return interior->Esta_abierto(); }
  uint32_t Escribir(const uint8_t* d, uint32_t n) override { return interior->Escribir(d, n); }
  uint32_t Leer(uint8_t* d, uint32_t n) override { return interior->Leer(d, n); }
  bool Consultar_cola(Estado_cola& e) override { return interior->Consultar_cola(e); }
  void Purgar(bool r, bool t) override { interior->Purgar(r, t); }
  void Fijar_rts(bool a) override { interior->Fijar_rts(a); }
  Fallo_apertura Ultimo_fallo_apertura() const override { return fallo_; }

  Backend_serie* interior = nullptr;
  std::map<int, Fallo_apertura> rechazos;

 private:
  Fallo_apertura fallo_ = Fallo_apertura::ninguno;
};

TEST(Asistente, LosPuertosSinPermisoUOcupadosSeNombranTrasLaPantallaDeNoEncontrado) {
  using F = Fallo_apertura;
  const Puerto_rechazado com3{3, "/dev/ttyACM3", F::ocupado};
  const Puerto_rechazado com20{20, "/dev/ttyACM20", F::sin_permiso};
  struct Caso {
    const char* nombre;
    std::map<int, F> rechazos;
    bool automatico;
    bool medidor_en_5;
    std::vector<Puerto_rechazado> sin_abrir;
    bool mensaje;
  };
  const Caso casos[] = {
      {"ocupado y sin permiso",
       {{3, F::ocupado}, {20, F::sin_permiso}},
       true,
       false,
       {com3, com20},
       true},
      {"el medidor en otro puerto", {{3, F::ocupado}}, true, true, {com3}, false},
      {"puertos que no existen o no son serie",
       {{3, F::no_existe}, {20, F::no_es_serie}},
       true,
       false,
       {},
       false},
      {"manual", {{3, F::ocupado}}, false, false, {com3}, true},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Backend_con_rechazos rechazos;
    Banco_asistente b({2, 3, 5}, {"COM2", "COM3", "COM5", "COM20"});
    rechazos.interior = &b.backend;
    rechazos.rechazos = k.rechazos;
    b.reenvio->destino = &rechazos;
    b.Mudo(2);
    if (k.medidor_en_5) {
      b.Medidor(5);
    } else {
      b.Mudo(5);
    }
    b.vista.automatico = k.automatico;
    b.v.estado.puerto = 3;
    std::vector<Pantalla> pantallas_al_mensaje;
    bool menus_al_mensaje = false;
    b.v.al_mensaje = [&](const std::string&) {
      pantallas_al_mensaje = b.vista.pantallas;
      menus_al_mensaje = b.vista.menus;
    };
    b.Buscar();

    EXPECT_EQ(b.asistente.puertos_sin_abrir, k.sin_abrir);
    EXPECT_EQ(b.entregas, k.medidor_en_5 ? 1 : 0);
    if (!k.mensaje) {
      EXPECT_TRUE(b.v.mensajes.empty());
      continue;
    }
    ASSERT_EQ(b.v.mensajes.size(), 1u);
    EXPECT_EQ(b.v.mensajes[0], Texto_puertos_sin_abrir(k.sin_abrir, b.textos));
    // The box comes once the not-found screen is up and the window is given back,
    // and it leaves that screen as it is.
    ASSERT_FALSE(pantallas_al_mensaje.empty());
    EXPECT_EQ(pantallas_al_mensaje.back(), Pantalla_no_encontrado(b.textos));
    EXPECT_TRUE(menus_al_mensaje);
    EXPECT_EQ(b.vista.pantallas, pantallas_al_mensaje);

    // The next search starts afresh: the ports can be opened now, and no box comes.
    rechazos.rechazos.clear();
    b.Buscar();
    EXPECT_TRUE(b.asistente.puertos_sin_abrir.empty());
    EXPECT_EQ(b.v.mensajes.size(), 1u);
    EXPECT_EQ(b.Ultima(), Pantalla_no_encontrado(b.textos));
  }
}

TEST(Numero_de_nombre_puerto, ElNumeroTrasCom) {
  const std::pair<const char*, int> casos[] = {{"COM5:", 5}, {"COM20", 20}, {"COM007", 7},
                                               {"COM", 0},   {"LPT1", 0},   {"com3", 0},
                                               {"CO", 0},    {"", 0},       {"COM99999999999", 0}};
  for (const auto& [nombre, numero] : casos)
    EXPECT_EQ(Numero_de_nombre_puerto(nombre), numero) << nombre;
}

}  // namespace
}  // namespace r27::pruebas
