// Every way a run ends, from the wire to what the technician reads: one row per
// outcome, run whole through the command line against the in-process meter. Each
// row checks the outcome screen and its code, that the reason is the failure
// behind that code (named by its request), the exit code, the text and the JSON.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/linea/codigos_salida.h"
#include "app/linea/mensajes_linea.h"
#include "app/nucleo/pantallas.h"
#include "link/codigos_resultado.h"
#include "tests/linea/banco_linea.h"

namespace r27::pruebas {
namespace {

using P = Paso_actualizacion;

struct Fila {
  const char* nombre;
  std::function<void(Config_medidor&)> medidor;
  std::vector<P> pasos;    // --servicio --pasos; empty: the tick decision's
  const char* respuestas;  // typed at the questions ("" with --si)
  int32_t codigo;          // the result code on the screen (0: correct or cancelled)
  int salida;              // the exit code
  const char* resultado;   // the JSON outcome
  P paso_fallido;          // the step whose failure set the code (when codigo != 0)
  const char* peticion;    // the request the reason names ("" when none is asked)
  bool aun_pendiente;      // "still to do" printed
};

Config_medidor Antiguo() {
  Config_medidor c = Medidor_rapido();
  c.version = "1.05";  // old enough for the erase
  return c;
}

std::function<void(Config_medidor&)> Con_fallo(Tipo_fallo tipo, Peticion peticion,
                                               uint32_t veces = 1000) {
  return [=](Config_medidor& c) { c.fallos.push_back(sim::Fallo{tipo, peticion, 1, veces}); };
}

TEST(Desenlaces, CadaFinalLlegaAlTecnicoConSuCodigoYSuMotivo) {
  const auto sin_cambio = [](Config_medidor&) {};
  const Fila filas[] = {
      {"a whole update", sin_cambio, {}, "", 0, kSalida_correcta, "updated", P::zona, "", false},
      // Each step failing in turn.
      {"zone fails",
       Con_fallo(Tipo_fallo::Ack_perdido, Peticion::Escritura_eeprom),
       {},
       "",
       kCodigo_zona_perfiles,
       kCodigo_zona_perfiles,
       "failed",
       P::zona,
       "",
       false},
      {"FPGA preparation fails",
       Con_fallo(Tipo_fallo::Ack_perdido, Peticion::Carga_programa),
       {},
       "",
       kCodigo_preparar_fpga,
       kCodigo_preparar_fpga,
       "failed",
       P::fpga,
       "Cargar_primera_etapa",
       false},
      {"FPGA staging erase fails",
       Con_fallo(Tipo_fallo::Ack_perdido, Peticion::Borrado_preparacion),
       {},
       "",
       kCodigo_fpga_borrado,
       kCodigo_fpga_borrado,
       "failed",
       P::fpga,
       "",
       false},
      // The FPGA step burns the set itself (no firmware step) and answers
      // success to the sequence; its refused burn still fails the run.
      {"FPGA burn refused on a meter that holds the set",
       [](Config_medidor& c) {
         c.fpga_menor = 3;
         c.fallos.push_back({Tipo_fallo::Ack_erroneo, Peticion::Grabacion, 1, 1000});
       },
       {P::fpga},
       "",
       kCodigo_fpga_grabacion,
       kCodigo_fpga_grabacion,
       "failed",
       P::fpga,
       "grabacion flash fpga",
       false},
      {"firmware burn fails",
       Con_fallo(Tipo_fallo::Ack_perdido, Peticion::Grabacion),
       {},
       "",
       kCodigo_firmware_grabacion,
       kCodigo_firmware_grabacion,
       "failed",
       P::firmware,
       "",
       false},
      {"module update fails",
       Con_fallo(Tipo_fallo::Ack_erroneo, Peticion::Actualizar_mpeg4),
       {},
       "",
       -1,
       -1,
       "failed",
       P::mpeg4,
       "",
       false},
      {"erase fails",
       [](Config_medidor& c) {
         c = Antiguo();
         c.fallos.push_back({Tipo_fallo::Ack_perdido, Peticion::Sector_preparacion, 1, 1000});
       },
       {P::borrado},
       "",
       -1,
       -1,
       "failed",
       P::borrado,
       "",
       false},
      {"plans fail",
       Con_fallo(Tipo_fallo::Ack_perdido, Peticion::Bloque_preparacion),
       {P::planes},
       "",
       kCodigo_subir_bloques,
       kCodigo_subir_bloques,
       "failed",
       P::planes,
       "",
       false},
      // A cancel at each question: no step runs, code 0.
      {"cancel at the time question",
       sin_cambio,
       {},
       "n\n",
       0,
       kSalida_fallo_sin_codigo,
       "cancelled",
       P::zona,
       "",
       false},
      {"cancel at the erase question",
       [](Config_medidor& c) { c = Antiguo(); },
       {P::borrado},
       "y\nn\n",
       0,
       kSalida_fallo_sin_codigo,
       "cancelled",
       P::borrado,
       "",
       false},
      // One step chosen in service mode: done, and what is left is information.
      {"erase only",
       [](Config_medidor& c) { c = Antiguo(); },
       {P::borrado},
       "",
       0,
       kSalida_correcta,
       "updated",
       P::borrado,
       "",
       true},
      {"zone only", sin_cambio, {P::zona}, "", 0, kSalida_correcta, "updated", P::zona, "", true},
      {"plans only",
       sin_cambio,
       {P::planes},
       "",
       0,
       kSalida_correcta,
       "updated",
       P::planes,
       "",
       true},
      {"keyboard only, programmed",
       sin_cambio,
       {P::teclado},
       "",
       0,
       kSalida_correcta,
       "updated",
       P::teclado,
       "",
       true},
      {"keyboard only, the meter ends the exchange",
       [](Config_medidor& c) {
         c.secuencia_teclado = {3, 21};
       },
       {P::teclado},
       "",
       kCodigo_teclado_abortado,
       kCodigo_teclado_abortado,
       "failed",
       P::teclado,
       "",
       false},
      {"keyboard only, silicon ID",
       [](Config_medidor& c) { c.teclado_fallo_id = true; },
       {P::teclado},
       "",
       kCodigo_teclado_id,
       kCodigo_teclado_id,
       "failed",
       P::teclado,
       "",
       false},
      {"keyboard only, verify",
       [](Config_medidor& c) { c.teclado_fallo_verificacion = true; },
       {P::teclado},
       "",
       kCodigo_teclado_verificacion,
       kCodigo_teclado_verificacion,
       "failed",
       P::teclado,
       "",
       false},
  };
  for (const Fila& f : filas) {
    SCOPED_TRACE(f.nombre);
    Config_medidor c = Medidor_rapido();
    f.medidor(c);
    Banco_linea b(c);
    Opciones_linea o;
    o.si = *f.respuestas == '\0';
    b.entrada.str(f.respuestas);
    b.entorno.entrada_terminal = true;
    if (!f.pasos.empty()) {
      o.servicio = true;
      o.pasos = f.pasos;
    }
    const int salida = b.Ejecutar(o);
    const Resumen_linea& r = b.resumen;
    const std::string texto = b.salida.str();
    const std::string json = Json_resumen(r);

    // The code: the row's own, or (where the meter's fault may land on one of a
    // step's codes) one that belongs to the failed step.
    const int32_t codigo = r.codigo_resultado;
    if (f.codigo >= 0) {
      EXPECT_EQ(codigo, f.codigo);
      EXPECT_EQ(salida, f.salida);
    } else {
      EXPECT_EQ(Paso_de_codigo(codigo), f.paso_fallido) << codigo;
      EXPECT_EQ(salida, codigo);
    }
    EXPECT_EQ(r.resultado, f.resultado);
    EXPECT_NE(json.find("\"outcome\":\"" + std::string(f.resultado) + "\""), std::string::npos);
    EXPECT_NE(json.find("\"exit_code\":" + std::to_string(salida)), std::string::npos);

    // The screen the window would show.
    const Pantalla pantalla = r.resultado == std::string("updated")
                                  ? Pantalla_correcta(b.entorno.textos.Asistente())
                                  : Pantalla_fallida(b.entorno.textos.Asistente(), codigo);
    // A cancel is told as one, never as the failed screen with code 0.
    const bool cancelada = r.resultado == std::string("cancelled");
    EXPECT_EQ(texto.find(pantalla.lineas[0]) != std::string::npos, !cancelada) << texto;
    EXPECT_EQ(texto.find(b.entorno.textos(kTl_cancelada)) != std::string::npos, cancelada) << texto;

    if (codigo != 0) {
      // The reason is the failure behind the code, from the step that set it;
      // the text names its request, in the technician's language.
      ASSERT_FALSE(r.motivo.empty());
      // The text names the step in words first, then the request.
      const std::string peticion = r.motivo.substr(0, r.motivo.find(": esperaba "));
      const size_t inicio = texto.find("Reason: ");
      ASSERT_NE(inicio, std::string::npos) << texto;
      const std::string linea = texto.substr(inicio, texto.find('\n', inicio) - inicio);
      EXPECT_NE(linea.find("(" + b.entorno.textos.Frase_motivo(peticion) + ": expected "),
                std::string::npos)
          << r.motivo << "\n"
          << linea;
      if (const std::optional<P> paso = Paso_de_codigo(codigo)) {
        EXPECT_EQ(linea.rfind("Reason: " + b.entorno.textos(Texto_paso(*paso)) + ": ", 0), 0u)
            << linea;
      }
      EXPECT_NE(json.find("\"reason\":"), std::string::npos);
      if (*f.peticion) {
        EXPECT_EQ(r.motivo.rfind(f.peticion, 0), 0u) << r.motivo;
      }
      bool del_paso = false;
      for (const Paso_resumen& p : r.pasos)
        if (p.nombre == Nombre_paso(f.paso_fallido) && p.estado == "failed")
          del_paso = p.motivo == r.motivo;
      EXPECT_TRUE(del_paso) << "the reason is not the failed step's: " << r.motivo;
    } else {
      EXPECT_EQ(texto.find("Reason: "), std::string::npos);
    }
    if (r.resultado == std::string("cancelled")) {
      for (const Paso_resumen& p : r.pasos) {
        EXPECT_FALSE(p.ejecutado) << p.nombre;
        EXPECT_EQ(p.estado, "cancelled") << p.nombre;
      }
      EXPECT_TRUE(b.Nada_escrito());
    }
    EXPECT_EQ(texto.find("still to do:") != std::string::npos, f.aun_pendiente) << texto;
    EXPECT_EQ(!r.pendientes.empty(), f.aun_pendiente);
  }
}

// The keyboard's abort ending is silent: no message box, only the failed screen.
TEST(Desenlaces, ElTecladoAbortadoNoMuestraMensaje) {
  Config_medidor c = Medidor_rapido();
  c.secuencia_teclado = {3, 21};
  Banco_linea b(c);
  Opciones_linea o;
  o.si = true;
  o.servicio = true;
  o.pasos = std::vector<P>{P::teclado};
  ASSERT_EQ(b.Ejecutar(o), kCodigo_teclado_abortado);
  EXPECT_EQ(b.resumen.motivo.rfind("Programar_teclado", 0), 0u) << b.resumen.motivo;
  // The progress line is followed by the failed screen, with no message between.
  const std::string texto = b.salida.str();
  const size_t progreso = texto.rfind("time left 0:00\n");
  ASSERT_NE(progreso, std::string::npos) << texto;
  EXPECT_EQ(texto.find(
                Pantalla_fallida(b.entorno.textos.Asistente(), kCodigo_teclado_abortado).lineas[0]),
            progreso + std::string("time left 0:00\n").size())
      << texto;
}

// An unplugged meter: the JSON says so and carries the message the technician
// was shown, leave it alone when it was writing its own flash.
TEST(Desenlaces, ElJsonLlevaElDesenchufeYSuAviso) {
  struct Caso {
    const char* nombre;
    Peticion peticion;
    bool grabando;
  };
  for (const Caso& k : {Caso{"in the firmware burn", Peticion::Grabacion, true},
                        Caso{"in the zone", Peticion::Escritura_eeprom, false}}) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c = Medidor_rapido();
    c.fallos.push_back({Tipo_fallo::Desenchufe, k.peticion, 1, 1});
    Banco_linea b(c);
    Opciones_linea o;
    o.si = true;
    o.json = true;
    EXPECT_NE(b.Ejecutar(o), kSalida_correcta);
    const Textos_idioma& t = b.entorno.textos.Asistente();
    const std::string aviso = k.grabando ? t.aviso_desconectado_grabando : t.aviso_desconectado;
    const std::string json = b.salida.str();
    EXPECT_NE(json.find("\"disconnected\":true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"warning\":" + Cadena_json(aviso)), std::string::npos) << json;
  }
}

TEST(Desenlaces, PasosSinServicioEsUnaOrdenErronea) {
  const Idioma_linea t("EN");
  const Lectura_opciones sin = Leer_opciones({"--pasos", "zona"}, t);
  EXPECT_FALSE(sin.error.empty());
  const Lectura_opciones con = Leer_opciones({"--servicio", "--pasos", "zona,firmware"}, t);
  ASSERT_TRUE(con.error.empty()) << con.error;
  EXPECT_EQ(*con.opciones.pasos, (std::vector<P>{P::zona, P::firmware}));
  for (const char* malo : {"zona,", "zona,,fpga", "todo"})
    EXPECT_FALSE(Leer_opciones({"--servicio", "--pasos", malo}, t).error.empty()) << malo;
  EXPECT_EQ(*Leer_opciones({"--plan", "4"}, t).opciones.plan, 4);
  for (const char* malo : {"5", "-1", "x", ""})
    EXPECT_FALSE(Leer_opciones({"--plan", malo}, t).error.empty()) << malo;
}

}  // namespace
}  // namespace r27::pruebas
