// The window logic both windows share, run against fake windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "app/nucleo/guion_demostracion.h"
#include "app/nucleo/panel_puerto.h"
#include "app/nucleo/servicio.h"
#include "app/nucleo/sesion_asistente.h"
#include "app/nucleo/ventana_nucleo.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"
#include "tests/apoyo/ventana_falsa.h"
#include "tests/apoyo/vista_falsa.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

class Directorio_falso final : public Directorio_puertos {
 public:
  explicit Directorio_falso(std::set<int> existen = {}) : existen_(std::move(existen)) {}
  bool Existe(int n) const override { return existen_.count(n) > 0; }
  std::vector<std::string> Nombres_sistema() const override { return {}; }
  std::optional<std::string> Ruta(int) const override { return std::nullopt; }

 private:
  std::set<int> existen_;
};

class Vigilancia_falsa final : public Interfaz_temporizador {
 public:
  void Habilitar() override { habilitado = true; }
  void Deshabilitar() override { habilitado = false; }
  bool Habilitado() const override { return habilitado; }
  bool habilitado = false;
};

// ---- The ways out --------------------------------------------------------

struct Caso_salida {
  bool actualizando;
  Salida menu;
  Salida boton;
  bool cierre;
};

TEST(Salida, CadaCaminoSegunHayaActualizacion) {
  const Caso_salida casos[] = {
      {false, Salida::terminar, Salida::terminar, true},
      {true, Salida::avisar, Salida::rechazar, false},
  };
  for (const Caso_salida& c : casos) {
    Estado_ventana e;
    e.actualizando = c.actualizando;
    EXPECT_EQ(Salida_menu(e), c.menu) << c.actualizando;
    EXPECT_EQ(Salida_boton(e), c.boton) << c.actualizando;
    EXPECT_EQ(Cierre_permitido(e), c.cierre) << c.actualizando;
    // A refused close leaves the connection loops running.
    EXPECT_EQ(e.saliendo, c.cierre) << c.actualizando;
  }
}

// ---- The manual port panel -----------------------------------------------

TEST(Panel_puerto, LaListaNombraLosPuertosQueExistenEnOrden) {
  EXPECT_EQ(Nombres_puertos_lista(Directorio_falso({32, 4, 12, 33, 0})),
            (std::vector<std::string>{"COM4", "COM12", "COM32"}));
  EXPECT_TRUE(Nombres_puertos_lista(Directorio_falso()).empty());
}

struct Caso_eleccion {
  const char* nombre;
  int32_t puerto;      // after the choice, starting from 7
  const char* titulo;  // "" when nothing changed
};

TEST(Panel_puerto, EleccionDeLaLista) {
  const Caso_eleccion casos[] = {
      {"COM12", 12, "USB: 12"}, {"COM5:", 5, "USB: 5"},    {"COM", 7, ""},
      {"LPT1", 7, ""},          {"COM99999999999", 7, ""},  // beyond any port number
  };
  for (const Caso_eleccion& c : casos) {
    Estado_ventana e;
    e.puerto = 7;
    EXPECT_EQ(Elegir_puerto_lista(e, c.nombre), c.titulo) << c.nombre;
    EXPECT_EQ(e.puerto, c.puerto) << c.nombre;
  }
}

// Filled again on focus or drop-down: the name shown stays chosen while its port exists.
TEST(Panel_puerto, RellenarLaListaConservaLaEleccion) {
  struct Caso {
    std::set<int> existen;
    const char* mostrado;
    int elegido;
  };
  const Caso casos[] = {
      {{4, 12, 20}, "COM12", 1}, {{12}, "COM12", 0},    {{4, 20}, "COM12", -1},
      {{4, 12}, "", -1},         {{4, 12}, "COM1", -1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.mostrado);
    const Lista_puertos lista = Rellenar_lista_puertos(Directorio_falso(c.existen), c.mostrado);
    EXPECT_EQ(lista.nombres, Nombres_puertos_lista(Directorio_falso(c.existen)));
    EXPECT_EQ(lista.elegido, c.elegido);
  }
}

TEST(Panel_puerto, EleccionDeLaRadio) {
  const std::pair<int, int32_t> casos[] = {{0, 1}, {5, 6}, {6, 7}, {-1, 7}};
  for (const auto& [item, puerto] : casos) {
    Estado_ventana e;
    e.puerto = 7;
    Elegir_puerto_radio(e, item);
    EXPECT_EQ(e.puerto, puerto) << item;
  }
}

// ---- Service mode --------------------------------------------------------

class Vista_servicio_falsa final : public Vista_servicio {
 public:
  void Mostrar_ticks(bool visibles, bool habilitados) override {
    eventos.push_back(std::string("ticks ") + (visibles ? "vistos" : "ocultos") +
                      (habilitados ? " habilitados" : ""));
  }
  void Mostrar_pausa(bool en_pausa, const std::string& linea3) override {
    eventos.push_back(en_pausa ? "pausa " + linea3 : "fin pausa");
  }
  // Runs `accion` once per message, as long as `seguir` holds (at most 50).
  void Esperar_mientras(const std::function<bool()>& seguir) override {
    eventos.push_back("espera");
    for (int i = 0; i < 50 && seguir(); ++i)
      if (accion) accion();
    if (seguir()) eventos.push_back("espera sin fin");
  }
  std::vector<std::string> eventos;
  std::function<void()> accion;
};

struct Banco_servicio {
  Banco_servicio()
      : sesion(v, vista, vigilancia, directorio, textos), servicio(v, sesion, vista_servicio) {
    sesion.Asistente_().ejecutar_actualizacion = nullptr;
  }
  Ventana_falsa v;
  Vista_falsa vista;
  Vigilancia_falsa vigilancia;
  Directorio_falso directorio;
  Textos_idioma textos;
  Sesion_asistente sesion;
  Vista_servicio_falsa vista_servicio;
  Servicio servicio;
};

TEST(Servicio, ActivaElModoYLasPendientes) {
  Banco_servicio b;
  EXPECT_EQ(b.v.estado.modo_servicio, kModo_servicio_activo);
  EXPECT_TRUE(b.sesion.Actualizacion_().mostrar_pendientes);
  b.servicio.Marcar_tick(0, true);  // Check_teclado
  b.servicio.Marcar_tick(6, true);  // Check_mpeg4_apl
  b.servicio.Marcar_tick(7, true);  // no such box
  EXPECT_TRUE(b.v.estado.Check_teclado);
  EXPECT_TRUE(b.v.estado.Check_mpeg4_apl);
}

// How the pause ends: what the technician or the meter does while it waits.
struct Caso_pausa {
  const char* nombre;
  std::function<void(Banco_servicio&, Sesion_asistente&)> durante;
  bool actualizada;
};

TEST(Servicio, LaPausaAntesDeActualizar) {
  const Caso_pausa casos[] = {
      {"el boton sigue", [](Banco_servicio&, Sesion_asistente& s) { s.Pulsar_asistente(); }, true},
      {"el medidor se va",
       [](Banco_servicio& b, Sesion_asistente&) { b.v.estado.conectado = false; }, false},
      {"la ventana se cierra",
       [](Banco_servicio& b, Sesion_asistente&) { b.v.estado.saliendo = true; }, false},
  };
  for (const Caso_pausa& c : casos) {
    Banco_servicio b;
    int actualizaciones = 0;
    // The update the service mode wraps (set before it, as the session does).
    Sesion_asistente sesion(b.v, b.vista, b.vigilancia, b.directorio, b.textos);
    sesion.Asistente_().ejecutar_actualizacion = [&] { ++actualizaciones; };
    Servicio servicio(b.v, sesion, b.vista_servicio);
    b.v.estado.conectado = true;
    int mensajes = 0;
    b.vista_servicio.accion = [&] {
      if (++mensajes == 3) c.durante(b, sesion);
    };
    sesion.Asistente_().ejecutar_actualizacion();
    EXPECT_EQ(actualizaciones, c.actualizada ? 1 : 0) << c.nombre;
    EXPECT_FALSE(servicio.En_pausa()) << c.nombre;
    const auto& ev = b.vista_servicio.eventos;
    ASSERT_GE(ev.size(), 4u) << c.nombre;
    EXPECT_EQ(ev[0], "ticks vistos habilitados") << c.nombre;
    EXPECT_EQ(ev[1], std::string("pausa ") + Servicio::kTexto_pausa) << c.nombre;
    EXPECT_EQ(ev[2], "espera") << c.nombre;
    EXPECT_EQ(ev[3], "fin pausa") << c.nombre;
    if (c.actualizada) {
      EXPECT_EQ(ev[4], "ticks vistos");  // shown, not changeable, during the update
    }
    EXPECT_EQ(ev.back(), "ticks ocultos") << c.nombre;
    // No search started from the click in the pause.
    EXPECT_EQ(sesion.Asistente_().paso_asistente, 0) << c.nombre;
  }
}

TEST(Servicio, FueraDeLaPausaElBotonBusca) {
  Banco_servicio b;
  b.sesion.Pulsar_asistente();
  EXPECT_EQ(b.sesion.Asistente_().paso_asistente, 1);  // the connect screen
}

TEST(Servicio, LosDialogosSinMedidorNoEnvianNada) {
  Banco_servicio b;
  b.vigilancia.habilitado = true;
  bool vigilancia_en_dialogo = true;
  b.servicio.Param_defectoClick([&](TFParam_defecto& p) {
    vigilancia_en_dialogo = b.vigilancia.habilitado;
    EXPECT_TRUE(p.check_borrar_logs.habilitada);  // service mode: usable
  });
  EXPECT_FALSE(vigilancia_en_dialogo);
  EXPECT_FALSE(b.vigilancia.habilitado);  // no meter: the watch stays off

  bool empezada = true;
  b.servicio.Config_fpgaClick([&](TCFpga& fpga, const std::function<bool()>& antes) {
    EXPECT_TRUE(fpga.grabar_flash);
    empezada = antes();
  });
  EXPECT_FALSE(empezada);
  EXPECT_EQ(b.v.mensajes, (std::vector<std::string>{"No hay ningun medidor conectado"}));
  EXPECT_EQ(b.v.estado.codigo_error, 0);
}

TEST(Servicio, ConMedidorLaVigilanciaVuelveTrasElDialogo) {
  Banco_servicio b;
  b.v.estado.conectado = true;
  b.servicio.Param_defectoClick([&](TFParam_defecto&) {});
  EXPECT_TRUE(b.vigilancia.habilitado);
  b.vigilancia.habilitado = false;
  b.servicio.Config_fpgaClick([&](TCFpga&, const std::function<bool()>&) {});
  EXPECT_TRUE(b.vigilancia.habilitado);  // nothing written: the connection goes on
}

// ---- The demonstration's script -------------------------------------------

class Capturas_falsas final : public Capturas_demostracion {
 public:
  bool Guardar_pantalla(const fs::path& fichero) override {
    ficheros.push_back(fichero.filename().string());
    return !fallar.count(ficheros.size());
  }
  bool Guardar_pregunta(const std::string& texto, const fs::path& fichero) override {
    ficheros.push_back(fichero.filename().string());
    preguntas.push_back(texto);
    return !fallar.count(ficheros.size());
  }
  std::array<std::string, 3> Lineas() const override { return {"uno", "dos", "tres"}; }
  std::vector<std::string> ficheros;
  std::vector<std::string> preguntas;
  std::set<size_t> fallar;  // pictures (1-based) that cannot be saved
};

fs::path Carpeta_temporal(const char* nombre) {
  return fs::temp_directory_path() / ("r27_guion_" + std::to_string(::getpid()) + "_" + nombre);
}

struct Caso_guion {
  const char* nombre;
  std::set<size_t> fallar;
  bool bien;
};

TEST(Guion_demostracion, CadaPantallaYPreguntaEnOrden) {
  const Caso_guion casos[] = {
      {"todo", {}, true},
      {"pantalla fallida", {3}, false},
      {"pregunta fallida", {4}, false},
  };
  for (const Caso_guion& c : casos) {
    const fs::path carpeta = Carpeta_temporal(c.nombre) / "dentro";
    Capturas_falsas capturas;
    capturas.fallar = c.fallar;
    std::ostringstream salida;
    Guion_demostracion guion(carpeta, ".bmp", capturas, salida);
    Barra general;
    general.Fijar_rango(0, 100);
    int pulsaciones = 0;
    // First press: the connect screen. Second: the search, a question, the bar
    // past half way twice, a message and the outcome.
    const bool bien = guion.Ejecutar([&] {
      if (++pulsaciones == 1) {
        guion.Pantalla_mostrada();
        return;
      }
      guion.Pantalla_mostrada();
      EXPECT_TRUE(guion.Pregunta("Tiempo\n estimado:  22 min."));
      general.Fijar_posicion(49);
      guion.General_avanzada(general);
      general.Fijar_posicion(50);
      guion.General_avanzada(general);
      general.Fijar_posicion(90);
      guion.General_avanzada(general);
      guion.Mensaje("Aviso");
      guion.Pantalla_mostrada();
    });
    EXPECT_EQ(bien, c.bien) << c.nombre;
    EXPECT_TRUE(fs::is_directory(carpeta)) << c.nombre;
    EXPECT_EQ(capturas.ficheros,
              (std::vector<std::string>{"01-pantalla.bmp", "02-pantalla.bmp", "03-pantalla.bmp",
                                        "04-pregunta.bmp", "05-pantalla.bmp", "06-pantalla.bmp"}))
        << c.nombre;
    const std::string texto = salida.str();
    EXPECT_NE(texto.find("question 4: Tiempo estimado: 22 min. -> OK"), std::string::npos) << texto;
    EXPECT_NE(texto.find("screen 6: uno | dos | tres -> "), std::string::npos) << texto;
    EXPECT_NE(texto.find("message: Aviso\n"), std::string::npos) << texto;
    fs::remove_all(carpeta.parent_path());
  }
}

// Service mode: the pause is pictured before the button goes on, and the history
// dialog's picture comes next with the rows it showed printed in order; a
// dialog that could not be pictured fails the demonstration.
TEST(Guion_demostracion, PausaDeServicioEHistorial) {
  using Filas = Guion_demostracion::Filas;
  struct Caso {
    const char* nombre;
    std::optional<Filas> filas;
    bool bien;
    std::vector<std::string> lineas;  // printed about the history
  };
  const Caso casos[] = {
      {"two rows",
       Filas{{"2025-03-07 12:00:00", "COM3", "", "updated", "Linea\n rota"},
             {"2025-03-07 11:00:00", "COM4", "x", "failed", ""}},
       true,
       {"history row 1: 2025-03-07 12:00:00 | COM3 |  | updated | Linea rota",
        "history row 2: 2025-03-07 11:00:00 | COM4 | x | failed | "}},
      {"empty", Filas{}, true, {}},
      {"not pictured", std::nullopt, false, {"history: could not save "}},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const fs::path carpeta = Carpeta_temporal(k.nombre);
    Capturas_falsas capturas;
    std::ostringstream salida;
    Guion_demostracion guion(carpeta, ".bmp", capturas, salida);
    int pulsaciones = 0;
    size_t pantallas_al_seguir = 0;
    EXPECT_TRUE(guion.Ejecutar([&] {
      if (++pulsaciones == 2)
        guion.Pausa_servicio([&] { pantallas_al_seguir = capturas.ficheros.size(); });
    }));
    EXPECT_EQ(pantallas_al_seguir, 2u);  // the start screen, then the pause
    fs::path pedido;
    EXPECT_EQ(guion.Historial([&](const fs::path& f) {
      pedido = f;
      return k.filas;
    }),
              k.bien);
    EXPECT_EQ(guion.Bien(), k.bien);
    EXPECT_EQ(pedido.filename(), "03-historial.bmp");
    const std::string texto = salida.str();
    EXPECT_NE(texto.find("service pause: "), std::string::npos) << texto;
    if (k.filas) {
      EXPECT_NE(texto.find("history: " + std::to_string(k.filas->size()) + " rows shown -> "),
                std::string::npos)
          << texto;
    }
    size_t desde = 0;
    for (const std::string& l : k.lineas) {
      desde = texto.find(l, desde);
      EXPECT_NE(desde, std::string::npos) << l << "\n" << texto;
    }
    fs::remove_all(carpeta);
  }
}

TEST(Guion_demostracion, SinCarpetaNoSePulsaNada) {
  const fs::path fichero = Carpeta_temporal("fichero");
  std::ofstream(fichero) << "x";
  Capturas_falsas capturas;
  std::ostringstream salida;
  Guion_demostracion guion(fichero / "demo", ".png", capturas, salida);
  int pulsaciones = 0;
  EXPECT_FALSE(guion.Ejecutar([&] { ++pulsaciones; }));
  EXPECT_EQ(pulsaciones, 0);
  EXPECT_TRUE(capturas.ficheros.empty());
  fs::remove(fichero);
}

}  // namespace
}  // namespace r27::pruebas
