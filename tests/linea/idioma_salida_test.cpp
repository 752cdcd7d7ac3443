// The command line in each of the six languages, end to end against the
// in-process meter: whatever the run's ending (an update, a typed answer, a
// cancel, a failure with its reason, a check that fails, an unplug, a refusal, a
// port that will not open), every word printed is a word of the chosen language,
// apart from the fixed texts the system quotes as they stand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "app/linea/bandeja_linea.h"
#include "app/linea/codigos_salida.h"
#include "app/linea/historial_linea.h"
#include "app/linea/mensajes_linea.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/historial.h"
#include "link/codigos_resultado.h"
#include "tests/linea/banco_linea.h"
#include "tests/linea/vocabulario_idioma.h"

namespace r27::pruebas {
namespace {

using sim::Fallo;

// What the meter says of itself, and the system group that gives access to the
// port: names, in no language.
const std::set<std::string> kNeutras = {"qzt", "eur", "usa", "vmk", "dialout"};

// The fixed texts the system shows as they stand, whatever the language.
const char* const kTextos_fijos[] = {kMensaje_error_usb};

// The text before a text's first value: what must show in the output.
std::string Sin_valores(const std::string& texto) { return texto.substr(0, texto.find('{')); }

struct Escena {
  const char* nombre;
  std::function<std::unique_ptr<Banco_linea>()> banco;
  std::function<void(Opciones_linea&)> opciones;
  int salida;
  // Texts of the chosen language the output must hold (up to their first value).
  std::vector<std::function<std::string(const Idioma_linea&)>> muestras;
  bool terminal =
      false;  // stdin is a terminal: the answer is typed, the first "yes" of the language
};

std::function<std::string(const Idioma_linea&)> L(const Texto_linea& t) {
  return [&t](const Idioma_linea& i) { return Sin_valores(i(t)); };
}
// The words between a text's first two values (": expected ").
std::function<std::string(const Idioma_linea&)> Entre_valores(const Texto_linea& t) {
  return [&t](const Idioma_linea& i) {
    const std::string texto = i(t);
    const size_t desde = texto.find("{1}") + 3;
    return texto.substr(desde, texto.find("{2}") - desde);
  };
}
std::function<std::string(const Idioma_linea&)> W(Texto t) {
  return [t](const Idioma_linea& i) { return i.Asistente()[t]; };
}

std::unique_ptr<Banco_linea> Con(std::function<void(sim::Config_medidor&)> cambio) {
  sim::Config_medidor c = Medidor_rapido();
  cambio(c);
  return std::make_unique<Banco_linea>(c);
}

TEST(Idioma_salida, CadaFinalEnUnSoloIdioma) {
  const Secciones_ini secciones = Leer_secciones(R27_IDIOMAS_INI);
  auto si = [](Opciones_linea& o) { o.si = true; };
  const Escena escenas[] = {
      {"a whole update",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido()); },
       si,
       kSalida_correcta,
       {L(kTl_medidor_en), L(kTl_id_familia), L(kTl_pasos_previstos), L(kTl_paso_mpeg4),
        L(kTl_si_por_opcion), L(kTl_fase_comprobacion), L(kTl_comprobacion_probada),
        L(kTl_medidor_despues), L(kTl_desenlace_actualizado), W(Texto::PASO5_L1)}},
      {"the answer typed in the language, one step of the service mode",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido()); },
       [](Opciones_linea& o) {
         o.servicio = true;
         o.pasos = std::vector<Paso_actualizacion>{Paso_actualizacion::zona};
       },
       kSalida_correcta,
       {L(kTl_pregunta), L(kTl_paso_zona), L(kTl_estado_hecho), L(kTl_aun_pendiente)},
       true},
      {"no terminal and no --si",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido()); },
       [](Opciones_linea&) {},
       kSalida_fallo_sin_codigo,
       {L(kTl_no_sin_terminal), L(kTl_estado_cancelado), L(kTl_desenlace_cancelado)}},
      {"a failed step and its reason, with --json",
       [] {
         return Con([](sim::Config_medidor& c) {
           c.fallos = {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}};
         });
       },
       [](Opciones_linea& o) {
         o.si = true;
         o.json = true;
       },
       kCodigo_preparar_fpga,
       {L(kTl_estado_fallido), L(kTl_estado_no_ejecutado), L(kTl_resultado_codigo), L(kTl_motivo),
        Entre_valores(kTl_fallo), W(Texto::P6_E4_L1)}},
      {"the check after writing fails",
       [] { return Con([](sim::Config_medidor& c) { c.grabacion_sin_efecto = true; }); },
       si,
       kCodigo_comprobacion,
       {L(kTl_comprobacion_no_probada), L(kTl_motivo)}},
      {"unplugged in the burn",
       [] {
         return Con([](sim::Config_medidor& c) {
           c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Grabacion, 1, 1}};
         });
       },
       si,
       kCodigo_firmware_grabacion,
       {L(kTl_mensaje),
        [](const Idioma_linea& i) {
          return i.Asistente().aviso_desconectado_grabando.substr(0, 30);
        }}},
      {"another family",
       [] { return Con([](sim::Config_medidor& c) { c.familia = "VMK"; }); },
       si,
       kSalida_rechazo_familia,
       {L(kTl_desenlace_familia), W(Texto::PASO8_L1)}},
      {"the American region",
       [] { return Con([](sim::Config_medidor& c) { c.region = "USA"; }); },
       si,
       kSalida_rechazo_familia,
       {L(kTl_desenlace_region), L(kTl_rechazo_region)}},
      {"no meter",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido(), false); },
       si,
       kSalida_no_encontrado,
       {L(kTl_desenlace_no_encontrado), W(Texto::P6_E1_L1), L(kTl_no_encontrado_remedio)}},
      {"the meter answers m",
       [] { return Con([](sim::Config_medidor& c) { c.rechazo = true; }); },
       si,
       kSalida_rechazo_conexion,
       {L(kTl_desenlace_conexion)}},
      {"--solo-comprobar",
       [] { return std::make_unique<Banco_linea>(Medidor_rapido()); },
       [](Opciones_linea& o) { o.solo_comprobar = true; },
       kSalida_correcta,
       {L(kTl_solo_comprobar), L(kTl_desenlace_comprobado)}},
      {"a port held by another program",
       [] { return std::make_unique<Banco_linea>(Fallo_apertura::ocupado); },
       si,
       kSalida_puerto_ocupado,
       {L(kTl_desenlace_ocupado),
        [](const Idioma_linea& i) { return Sin_valores(i.Asistente().puerto_modemmanager); }}},
      {"a port without permission",
       [] { return std::make_unique<Banco_linea>(Fallo_apertura::sin_permiso); },
       si,
       kSalida_sin_permiso,
       {L(kTl_desenlace_sin_permiso),
        [](const Idioma_linea& i) {
          return Sin_valores(i.Asistente().puerto_sin_permiso_arreglo);
        }}},
  };
  for (const char* idioma : kIdiomas_incorporados) {
    SCOPED_TRACE(idioma);
    const std::set<std::string> vocabulario = Vocabulario(secciones, idioma);
    for (const Escena& e : escenas) {
      SCOPED_TRACE(e.nombre);
      std::unique_ptr<Banco_linea> b = e.banco();
      b->entorno.textos = Idioma_linea(idioma);
      const Idioma_linea& t = b->entorno.textos;
      Opciones_linea o;
      e.opciones(o);
      if (e.terminal) {
        const std::string si_tecleado = t(kTl_respuestas_si);
        b->entrada.str(si_tecleado.substr(0, si_tecleado.find(',')) + "\n");
        b->entorno.entrada_terminal = true;
      }
      ASSERT_EQ(b->Ejecutar(o), e.salida) << b->salida.str() << b->errores.str();

      // With --json stdout is the summary, for machines: the text went to stderr.
      std::string texto = o.json ? b->errores.str() : b->salida.str() + b->errores.str();
      for (const auto& muestra : e.muestras) {
        const std::string m = muestra(t);
        ASSERT_FALSE(m.empty());
        EXPECT_NE(texto.find(m), std::string::npos) << "missing: " << m << "\n" << texto;
      }
      for (const char* fijo : kTextos_fijos)
        for (size_t p = texto.find(fijo); p != std::string::npos; p = texto.find(fijo, p))
          texto.erase(p, std::string(fijo).size());
      EXPECT_EQ(Palabras_ajenas(texto, vocabulario, kNeutras), std::set<std::string>{}) << texto;
    }
  }
}

// The tables of several meters and of the history, in each language: their
// headings, the outcomes and the reasons (kept as the program's own text) are
// told in the language; the step keys, COM names and identities are names.
TEST(Idioma_salida, TablasDeBandejaEHistorialEnUnSoloIdioma) {
  const Secciones_ini secciones = Leer_secciones(R27_IDIOMAS_INI);
  const std::string motivo =
      "Cargar_primera_etapa: esperaba 0x4A o 0x40, llego nada (tiempo agotado)";
  std::vector<Resumen_linea> bandeja(3);
  Ficha_medidor ficha;
  ficha.familia = "QZT";
  bandeja[0] = {3, "", "updated", ficha, ficha, {}, std::nullopt, 0, 0, 81.5, "", {}, false, ""};
  bandeja[1] = {4,  "", "failed", ficha,  std::nullopt, {},    std::nullopt,
                16, 16, 12.0,     motivo, {},           false, ""};
  bandeja[2] = {5,     "", "refused-family", ficha, ficha, {}, std::nullopt, 0, 32, 2.0, "", {},
                false, ""};

  const std::filesystem::path carpeta =
      std::filesystem::temp_directory_path() /
      ("r27-idioma-historial-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(carpeta);
  Historial historial(carpeta / kNombre_historial);
  Registro_historial fallida;
  fallida.hora = "2025-03-07T14:05:09+01:00";
  fallida.puerto = "COM4";
  fallida.resultado = "failed";
  fallida.codigo_resultado = 16;
  fallida.motivo = motivo;
  fallida.pasos = {{"zona", "done", 10, ""}, {"fpga", "failed", 3, motivo}};
  Registro_historial correcta = fallida;
  correcta.resultado = "updated";
  correcta.codigo_resultado = 0;
  correcta.motivo.clear();
  correcta.pasos[1].estado = "done";
  correcta.comprobacion = Comprobacion_registrada{true, 17};
  for (const Registro_historial& r : {fallida, correcta}) ASSERT_TRUE(historial.Anotar(r).escrita);
  // A run cut off mid-record: its warning is in the language too.
  std::ofstream(historial.Fichero(), std::ios::app) << "{\"time\":\"2025-\n";

  const std::set<std::string> neutras = {"qzt", "actualizar"};  // and the program's name
  for (const char* idioma : kIdiomas_incorporados) {
    SCOPED_TRACE(idioma);
    const Idioma_linea t(idioma);
    const std::set<std::string> vocabulario = Vocabulario(secciones, idioma);
    std::ostringstream tabla_historial, errores;
    ASSERT_EQ(Mostrar_historial(historial, Forma_historial::tabla, tabla_historial, errores, t),
              kSalida_correcta);
    // The history's steps by their names, its warning in the language.
    for (const Texto_linea* m : {&kTl_paso_zona, &kTl_paso_fpga})
      EXPECT_NE(tabla_historial.str().find(t(*m)), std::string::npos) << t(*m);
    EXPECT_NE(errores.str().find(Rellenar(t.Asistente().historial.linea_danada,
                                          {historial.Fichero().string(), "3", ""})),
              std::string::npos)
        << errores.str();
    for (const std::string& texto : {Tabla_bandeja(bandeja, t), tabla_historial.str()}) {
      for (const Texto_linea* m : {&kTl_tabla_puerto, &kTl_tabla_resultado, &kTl_tabla_motivo,
                                   &kTl_desenlace_actualizado, &kTl_desenlace_fallido})
        EXPECT_NE(texto.find(t(*m)), std::string::npos) << t(*m) << "\n" << texto;
      EXPECT_NE(texto.find(t.Frase_motivo("nada (tiempo agotado)")), std::string::npos) << texto;
      EXPECT_EQ(Palabras_ajenas(texto + errores.str(), vocabulario, neutras),
                std::set<std::string>{})
          << texto;
    }
  }
  std::filesystem::remove_all(carpeta);
}

}  // namespace
}  // namespace r27::pruebas
