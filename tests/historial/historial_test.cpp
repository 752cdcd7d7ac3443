// The history file: records to JSON lines and back, what a run's outcome makes
// of a record, damaged lines skipped with a warning, appends from several
// processes and threads under the file's lock, and a history that cannot be
// written.
#include "app/nucleo/historial.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/nucleo/fichero_historial.h"
#include "app/nucleo/json_historial.h"
#include "app/nucleo/pasos_actualizacion.h"
#include "app/nucleo/registro_historial.h"
#include "tests/historial/registros_prueba.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

std::string Leer_fichero(const fs::path& f) {
  std::ifstream in(f, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Escribir_fichero(const fs::path& f, const std::string& contenido) {
  std::ofstream(f, std::ios::binary) << contenido;
}

TEST(Registro_historial, IdaYVueltaPorUnaLinea) {
  Ficha_medidor rara;
  rara.familia = std::string("Q\xffZ\0", 4);  // a meter text may hold any byte
  rara.region = "EUR";
  rara.version = {'3', '.', '0', '0', '.', '0', '0', '0', '0', '0'};
  Registro_historial con_bytes_raros = Registro_minimo("refused-family");
  con_bytes_raros.antes = Identidad_de_ficha(rara);
  con_bytes_raros.despues = con_bytes_raros.antes;
  Registro_historial con_comprobacion = Registro_completo();
  con_comprobacion.resultado = "updated";
  con_comprobacion.codigo_resultado = 0;
  con_comprobacion.motivo = "linea 1\nlinea 2 \"entre comillas\" \\ \t";
  con_comprobacion.despues = Identidad_300();
  con_comprobacion.despues->mpeg4.reset();
  con_comprobacion.despues->fpga.clear();
  con_comprobacion.despues->modo_arranque = true;
  con_comprobacion.comprobacion = Comprobacion_registrada{true, 17.25};

  struct Caso {
    const char* nombre;
    Registro_historial registro;
  };
  const Caso casos[] = {
      {"the least a record holds", Registro_minimo("checked")},
      {"a failed update, every field", Registro_completo()},
      {"a proven one, with line ends and quotes", con_comprobacion},
      {"a meter text that is not UTF-8", con_bytes_raros},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const std::string linea = Linea_de_registro(k.registro);
    EXPECT_EQ(linea.find('\n'), std::string::npos) << linea;
    std::string error;
    const std::optional<Registro_historial> leido = Registro_de_linea(linea, error);
    ASSERT_TRUE(leido) << error << "\n" << linea;
    EXPECT_EQ(*leido, k.registro) << linea;
  }
  // The stray byte is read as Latin-1, the zero byte kept.
  EXPECT_EQ(con_bytes_raros.antes->familia, std::string("Q\xc3\xbfZ\0", 5));
  EXPECT_EQ(con_bytes_raros.antes->version, "3.00.00000");
  // A record written when the build had a key of its own reads in the one form.
  std::string error;
  const std::optional<Registro_historial> antiguo = Registro_de_linea(
      R"({"time":"t","outcome":"checked","identity_before":{"version":"3.01","build":"00000"}})",
      error);
  ASSERT_TRUE(antiguo && antiguo->antes) << error;
  EXPECT_EQ(antiguo->antes->version, "3.01.00000");
}

TEST(Registro_de_actualizacion, LoQueElDesenlaceDice) {
  Ficha_medidor antes;
  antes.conectado = true;
  antes.familia = "QZT";
  antes.version = {'3', '.', '0', '0', '.', '0', '0', '0', '0', '0'};
  Ficha_medidor leida = antes;
  leida.version[3] = '1';

  auto paso = [](Paso_actualizacion p, Estado_paso e) {
    return Desenlace_paso{p, e, std::nullopt, 2.0004};
  };
  Desenlace_actualizacion probada;
  probada.pasos = {paso(Paso_actualizacion::zona, Estado_paso::hecho),
                   paso(Paso_actualizacion::firmware, Estado_paso::hecho)};
  probada.comprobacion = {true, true, leida, {}, 17.0};
  probada.pendientes = {Paso_actualizacion::teclado};

  Desenlace_actualizacion no_volvio = probada;
  no_volvio.fallida = true;
  no_volvio.codigo = 26;
  no_volvio.comprobacion.probada = false;
  no_volvio.comprobacion.ficha.conectado = false;

  Desenlace_actualizacion fallo_sin_comprobar;
  fallo_sin_comprobar.fallida = true;
  fallo_sin_comprobar.codigo = 21;
  fallo_sin_comprobar.motivo = Fallo{21, "Enviar_bloque", "0x30", Llegada::nada, ""};
  fallo_sin_comprobar.pasos = {paso(Paso_actualizacion::zona, Estado_paso::hecho),
                               paso(Paso_actualizacion::firmware, Estado_paso::fallido)};
  fallo_sin_comprobar.pasos[1].fallo = fallo_sin_comprobar.motivo;

  Desenlace_actualizacion cancelada;
  cancelada.fallida = cancelada.cancelada = true;
  cancelada.pasos = {paso(Paso_actualizacion::firmware, Estado_paso::cancelado)};

  struct Caso {
    const char* nombre;
    Desenlace_actualizacion desenlace;
    const char* resultado;
    const char* version_despues;  // null: no identity after
    std::vector<std::string> estados;
    bool comprobacion;
  };
  const Caso casos[] = {
      {"proven: after is what the check read",
       probada,
       "updated",
       "3.01.00000",
       {"done", "done"},
       true},
      {"the meter did not come back: after unknown",
       no_volvio,
       "failed",
       nullptr,
       {"done", "done"},
       true},
      {"it wrote and failed unchecked: after unknown",
       fallo_sin_comprobar,
       "failed",
       nullptr,
       {"done", "failed"},
       false},
      {"cancelled before writing: after is before",
       cancelada,
       "cancelled",
       "3.00.00000",
       {"cancelled"},
       false},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    const Registro_historial r = Registro_de_actualizacion("COM7", antes, k.desenlace);
    EXPECT_EQ(r.resultado, k.resultado);
    EXPECT_EQ(r.codigo_resultado, k.desenlace.codigo);
    EXPECT_EQ(r.puerto, "COM7");
    EXPECT_FALSE(r.version_programa.empty());
    ASSERT_TRUE(r.antes);
    EXPECT_EQ(r.antes->version, "3.00.00000");
    EXPECT_EQ(r.despues.has_value(), k.version_despues != nullptr);
    if (k.version_despues && r.despues) {
      EXPECT_EQ(r.despues->version, k.version_despues);
    }
    ASSERT_EQ(r.pasos.size(), k.estados.size());
    for (size_t i = 0; i < r.pasos.size(); ++i) {
      EXPECT_EQ(r.pasos[i].paso, Clave_paso(k.desenlace.pasos[i].paso));
      EXPECT_EQ(r.pasos[i].estado, k.estados[i]);
      EXPECT_DOUBLE_EQ(r.pasos[i].duracion_s, 2.0);  // kept to the millisecond
    }
    EXPECT_EQ(r.comprobacion.has_value(), k.comprobacion);
    EXPECT_EQ(r.motivo, k.desenlace.motivo ? k.desenlace.motivo->Texto() : "");
    if (k.desenlace.motivo) {
      EXPECT_EQ(r.pasos[1].motivo, r.motivo);
    }
  }
  EXPECT_EQ(Registro_de_actualizacion("COM7", antes, probada).pendientes,
            std::vector<std::string>{"teclado"});
}

TEST(Leer_historial, UnaLineaDanadaSeSaltaConAvisoYNadaMasSePierde) {
  const std::string uno = Linea_de_registro(Registro_minimo("updated"));
  const std::string dos = Linea_de_registro(Registro_completo());
  const std::string truncada = dos.substr(0, dos.size() / 2);
  struct Caso {
    const char* nombre;
    std::string contenido;
    std::vector<std::string> resultados;  // the records read, in order
    std::vector<int> lineas_avisadas;
  };
  const Caso casos[] = {
      {"whole", uno + "\n" + dos + "\n", {"updated", "failed"}, {}},
      {"a truncated last line", uno + "\n" + dos + "\n" + truncada, {"updated", "failed"}, {3}},
      {"a truncated line between two",
       uno + "\n" + truncada + "\n" + dos + "\n",
       {"updated", "failed"},
       {2}},
      {"garbage", "\x01\x02zz\n" + uno + "\n", {"updated"}, {1}},
      {"an array, not an object", "[1,2]\n" + uno + "\n", {"updated"}, {1}},
      {"no outcome", "{\"time\":\"t\"}\n" + uno + "\n", {"updated"}, {1}},
      {"a code of another type",
       uno + "\n{\"time\":\"t\",\"outcome\":\"failed\",\"result_code\":\"26\"}\n",
       {"updated"},
       {2}},
      {"a code past an int",
       uno + "\n{\"time\":\"t\",\"outcome\":\"x\",\"result_code\":1e40}\n",
       {"updated"},
       {2}},
      {"a negative duration",
       "{\"time\":\"t\",\"outcome\":\"x\",\"duration_s\":-1}\n" + uno + "\n",
       {"updated"},
       {1}},
      {"an identity that is no object",
       uno + "\n{\"time\":\"t\",\"outcome\":\"x\",\"identity_before\":\"QZT\"}\n",
       {"updated"},
       {2}},
      {"a step without its key",
       "{\"time\":\"t\",\"outcome\":\"x\",\"steps\":[{\"state\":\"done\"}]}\n" + uno,
       {"updated"},
       {1}},
      {"blank lines and CRLF line ends",
       "\n" + uno + "\r\n  \r\n" + dos + "\r\n",
       {"updated", "failed"},
       {}},
      {"empty", "", {}, {}},
  };
  Carpeta_temporal carpeta;
  const fs::path fichero = carpeta.Ruta() / kNombre_historial;
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Escribir_fichero(fichero, k.contenido);
    const Lectura_historial l = Historial(fichero).Leer();
    EXPECT_TRUE(l.existe);
    EXPECT_TRUE(l.error.empty()) << l.error;
    std::vector<std::string> resultados;
    for (const Registro_historial& r : l.registros) resultados.push_back(r.resultado);
    EXPECT_EQ(resultados, k.resultados);
    std::vector<int> danadas;
    for (const Linea_danada& d : l.danadas) danadas.push_back(static_cast<int>(d.numero));
    EXPECT_EQ(danadas, k.lineas_avisadas);
  }
}

TEST(Anotar_historial, TrasUnaLineaTruncadaElRegistroEmpiezaEnSuLinea) {
  Carpeta_temporal carpeta;
  // The folder is made on the first record.
  Historial h(carpeta.Ruta() / "datos" / "r27" / kNombre_historial);
  EXPECT_FALSE(h.Leer().existe);
  ASSERT_TRUE(h.Anotar(Registro_minimo("updated")).escrita);
  ASSERT_TRUE(h.Anotar(Registro_completo()).escrita);
  // A run cut off in the middle of its record.
  const std::string contenido = Leer_fichero(h.Fichero());
  Escribir_fichero(h.Fichero(), contenido.substr(0, contenido.size() - 40));

  const Anotacion a = h.Anotar(Registro_minimo("cancelled"));
  EXPECT_TRUE(a.escrita) << a.error;
  const Lectura_historial l = h.Leer();
  ASSERT_EQ(l.registros.size(), 2u);
  EXPECT_EQ(l.registros[0].resultado, "updated");
  EXPECT_EQ(l.registros[1].resultado, "cancelled");
  ASSERT_EQ(l.danadas.size(), 1u);
  EXPECT_EQ(l.danadas[0].numero, 2u);
  EXPECT_EQ(Leer_fichero(h.Fichero()).back(), '\n');
}

// Each writer's records carry its name and their number, and a reason long
// enough that unlocked writers would interleave.
Registro_historial Registro_de(const std::string& escritor, int n) {
  Registro_historial r = Registro_completo();
  r.programa = escritor;
  r.codigo_resultado = n;
  r.motivo = std::string(6000, 'x');
  return r;
}

void Comprobar_todos(const Historial& h, const std::vector<std::string>& escritores, int cada) {
  const Lectura_historial l = h.Leer();
  EXPECT_TRUE(l.danadas.empty()) << l.danadas.front().error;
  ASSERT_EQ(l.registros.size(), escritores.size() * static_cast<size_t>(cada));
  for (const std::string& e : escritores) {
    std::set<int> vistos;
    for (const Registro_historial& r : l.registros)
      if (r.programa == e) vistos.insert(r.codigo_resultado);
    EXPECT_EQ(vistos.size(), static_cast<size_t>(cada)) << e;
  }
}

TEST(Anotar_historial, DosProcesosALaVezNoPierdenNingunRegistro) {
  Carpeta_temporal carpeta;
  const fs::path fichero = carpeta.Ruta() / kNombre_historial;
  constexpr int kCada = 150;
  const std::vector<std::string> escritores = {"proceso-a", "proceso-b"};
  std::vector<pid_t> hijos;
  for (const std::string& e : escritores) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      Historial h(fichero);
      int fallos = 0;
      for (int n = 0; n < kCada; ++n) fallos += h.Anotar(Registro_de(e, n)).escrita ? 0 : 1;
      _exit(fallos == 0 ? 0 : 1);
    }
    hijos.push_back(pid);
  }
  for (pid_t pid : hijos) {
    int estado = 0;
    ASSERT_EQ(waitpid(pid, &estado, 0), pid);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
  }
  Comprobar_todos(Historial(fichero), escritores, kCada);
}

TEST(Anotar_historial, VariosHilosALaVezNoPierdenNingunRegistro) {
  Carpeta_temporal carpeta;
  const fs::path fichero = carpeta.Ruta() / kNombre_historial;
  constexpr int kCada = 60;
  const std::vector<std::string> escritores = {"COM3", "COM4", "COM5", "COM6"};
  // One history shared, as a bench of meters shares it, and one of its own.
  Historial compartido(fichero);
  std::vector<std::thread> hilos;
  for (size_t i = 0; i < escritores.size(); ++i) {
    hilos.emplace_back([&, i] {
      Historial propio(fichero);
      Historial& h = i % 2 == 0 ? compartido : propio;
      for (int n = 0; n < kCada; ++n) EXPECT_TRUE(h.Anotar(Registro_de(escritores[i], n)).escrita);
    });
  }
  for (std::thread& t : hilos) t.join();
  Comprobar_todos(compartido, escritores, kCada);
}

TEST(Anotar_historial, SinPoderEscribirSeAvisaUnaSolaVez) {
  Carpeta_temporal carpeta;
  Escribir_fichero(carpeta.Ruta() / "fichero", "x");
  struct Caso {
    const char* nombre;
    fs::path fichero;
  };
  const Caso casos[] = {
      {"its folder is a file", carpeta.Ruta() / "fichero" / "r27" / kNombre_historial},
      {"it is a folder", carpeta.Ruta()},
      {"no data folder known", fs::path()},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Historial h(k.fichero);
    const Anotacion primera = h.Anotar(Registro_minimo("updated"));
    EXPECT_FALSE(primera.escrita);
    EXPECT_FALSE(primera.error.empty());
    EXPECT_TRUE(primera.avisar);
    const Anotacion segunda = h.Anotar(Registro_minimo("updated"));
    EXPECT_FALSE(segunda.escrita);
    EXPECT_FALSE(segunda.avisar);
  }
  // A folder where the file should be cannot be read either.
  const Lectura_historial l = Historial(carpeta.Ruta()).Leer();
  EXPECT_FALSE(l.error.empty());
  EXPECT_TRUE(l.registros.empty());
}

TEST(Carpeta_historial, DatosXdgOLaCarpetaPersonal) {
  const char* xdg_antes = std::getenv("XDG_DATA_HOME");
  const char* home_antes = std::getenv("HOME");
  const std::string xdg_guardado = xdg_antes ? xdg_antes : "";
  const std::string home_guardado = home_antes ? home_antes : "";
  struct Caso {
    const char* xdg;  // null: unset
    const char* home;
    const char* carpeta;
  };
  const Caso casos[] = {
      {"/srv/datos", "/home/tecnico", "/srv/datos/r27"},
      {nullptr, "/home/tecnico", "/home/tecnico/.local/share/r27"},
      {"", "/home/tecnico", "/home/tecnico/.local/share/r27"},
      {"relativa/datos", "/home/tecnico", "/home/tecnico/.local/share/r27"},  // not absolute
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.xdg ? k.xdg : "(unset)");
    if (k.xdg)
      setenv("XDG_DATA_HOME", k.xdg, 1);
    else
      unsetenv("XDG_DATA_HOME");
    setenv("HOME", k.home, 1);
    EXPECT_EQ(Carpeta_historial(), fs::path(k.carpeta));
    EXPECT_EQ(Historial::Del_usuario(), fs::path(k.carpeta) / "historial.jsonl");
  }
  if (xdg_antes)
    setenv("XDG_DATA_HOME", xdg_guardado.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
  if (home_antes) setenv("HOME", home_guardado.c_str(), 1);
}

TEST(Hora_local_iso, ElDesfaseDeLaZonaDelSistema) {
  const char* tz_antes = std::getenv("TZ");
  const std::string tz_guardada = tz_antes ? tz_antes : "";
  struct Caso {
    const char* tz;
    const char* desfase;
  };
  const Caso casos[] = {
      {"UTC0", "+00:00"},    {"<+0530>-5:30", "+05:30"},  // half an hour
      {"<-03>3", "-03:00"},  {"<+14>-14", "+14:00"},  // most of the day in the next day, or year
      {"<-11>11", "-11:00"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.tz);
    setenv("TZ", k.tz, 1);
    tzset();
    const std::string h = Hora_local_iso();
    ASSERT_EQ(h.size(), 25u) << h;
    EXPECT_EQ(h[10], 'T') << h;
    EXPECT_EQ(h.substr(19), k.desfase) << h;
  }
  if (tz_antes)
    setenv("TZ", tz_guardada.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace r27::pruebas
