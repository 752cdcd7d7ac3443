// One fault per row, injected into a whole update against the simulated meter in
// process on the virtual clock. A row aims its fault at the first, middle or last
// request of a kind inside one part of the run, counted in a clean run of the same
// steps, and states what must follow: the result code (0: recovered, correct
// screen), the longest wait the fault may add (from the time-outs and attempts of
// the requests involved), a window ready for the next search, the meter's memory
// as the run reported it, and a second search and update with the fault gone that
// ends on the correct screen with every region exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "link/codigos_resultado.h"
#include "tests/campana/banco_campana.h"

namespace r27::pruebas {
namespace {

using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

// Where in its part a fault is aimed.
enum class Donde : uint8_t { Inicio, Medio, Fin };

struct Fila {
  const char* nombre;
  Pasos pasos;
  Tramo tramo;
  Peticion peticion;
  Tipo_fallo tipo;
  Donde donde;
  uint32_t veces;
  uint32_t silencio_ms;  // Silencio: 0 for good
  int32_t codigo;        // 0: recovered, the correct screen
  double espera_s;       // the longest wait the fault may add
  const char* por_que;   // how that bound follows from time-outs and attempts
  // The meter is left unable to answer a search: it is unplugged and plugged in
  // again before the second search (set by itself for an unplug or a silence for good).
  bool reenchufar = false;
};

// Worst cases of the requests, in seconds: time-out x attempts (+ pauses).
constexpr double kIntento_eeprom = 1 + 0.5;  // 1 s for 0x20 within the second, 500 ms pause
constexpr double kTrama_eeprom = 5 * kIntento_eeprom;
constexpr double kBloque = 2 + 5 + 2;      // acknowledgement, filler recovery, resend
constexpr double kBloque_perdido = 2 + 5;  // no answer to the filler: no resend
constexpr double kCarga = 20;              // a loader stage's answer
constexpr double kIntento_borrado_fpga = 3 + 0.5;
constexpr double kBorrado_fpga = 5 * kIntento_borrado_fpga;
constexpr double kBorrado_graficos = 30;  // from the start of the operation
constexpr double kPreparar_memoria = 5 * (3 + 0.5) + 3 * (5 + 0.5);  // ready, then erase
constexpr double kGrabacion = 600;                                   // 10 minutes for 0x80 0x80
constexpr double kIntento_borrado_mpeg4 = 10 + 0.5;
constexpr double kPreparado_mpeg4 = 10;
constexpr double kFin_mpeg4 = 1020;
constexpr double kSondeo = 0.64 + 0.1 + 0.15 + 0.1 + 0.1;  // RTS pulses, waits, read, release
constexpr double kBloque_area = 1;                         // one 0x5A attempt
constexpr double kBloque_vacio = 2;                        // one blank-block attempt
constexpr double kSector = 10;                             // one 0x5B attempt
constexpr double kRespuesta_teclado = 2;
constexpr double kCodigo_teclado = 30;  // no request code from the keyboard
constexpr double kReinicio = 3;         // the model's restart: deaf meanwhile
constexpr double kLectura = 1;          // a memory read: 1 s for 0x10, 1 s for the words
constexpr double kCarga_arranque = 30;  // the boot loader's 0xAD
constexpr double kInfo_mpeg4 = 10;      // the module's 0xFB
// The seconds clock: a wait of n whole seconds may end up to a second later.
constexpr double kHolgura_s = 1;

constexpr auto Perdido = Tipo_fallo::Ack_perdido, Erroneo = Tipo_fallo::Ack_erroneo,
               Alterado = Tipo_fallo::Paquete_alterado, Silencio = Tipo_fallo::Silencio,
               Reinicio = Tipo_fallo::Reinicio, Desenchufe = Tipo_fallo::Desenchufe,
               Liberacion = Tipo_fallo::Liberacion_espuria, Con_m = Tipo_fallo::Respuesta_m,
               Con_arranque = Tipo_fallo::Respuesta_arranque;
constexpr auto A = kCompleta, S = kServicio;

uint64_t Us(double s) { return static_cast<uint64_t>(s * 1e6); }

std::string Describir(const Fila& f, uint32_t n) {
  std::ostringstream o;
  o << "row '" << f.nombre << "' (" << sim::Nombre_fallo(f.tipo) << ":"
    << sim::Nombre_peticion(f.peticion) << ":n=" << n << ":veces=" << f.veces;
  if (f.tipo == Silencio) o << ":ms=" << f.silencio_ms;
  o << " in the " << Nombre_tramo(f.tramo) << " part): ";
  return o.str();
}

// The requests each step sends, as its failures name them (by their start).
bool Peticion_del_paso(std::optional<Paso_actualizacion> paso, int32_t codigo,
                       const std::string& peticion) {
  using P = Paso_actualizacion;
  static const std::vector<std::pair<std::optional<P>, std::vector<const char*>>> kPeticiones{
      {P::borrado, {"Bloque_vacio", "Borrar_sector_flash", "Escribir_memoria", "Borrar_medidor"}},
      {P::zona, {"Grabar_perfiles", "Grabar_conf_fabrica", "Grabar_conf_defecto", "Grabar_zona"}},
      {P::fpga,
       {"Cargar_primera_etapa", "Cargar_segunda_etapa", "borrado de la zona fpga", "bloque fpga",
        "grabacion flash fpga"}},
      {P::firmware,
       {"Paso_firmware", "Preparar_memoria", "Enviar_bloque", "Enviar_firmware", "Grabar_flash"}},
      {P::mpeg4, {"Actualizar_mpeg4", "Paso_mpeg4"}},
      {P::teclado, {"Programar_teclado", "Paso_teclado"}},
      {P::planes, {"Grabar_plan", "Subir_bloques"}},
      // No step: the baud switch (code 8) and the check after writing (26).
      {std::nullopt, {"Subir_bloques", "Cambiar_velocidad_medidor", "Comprobar_escritura"}},
  };
  if (codigo == kCodigo_comprobacion) return peticion == "Comprobar_escritura";
  for (const auto& [p, nombres] : kPeticiones) {
    if (p != paso) continue;
    for (const char* n : nombres)
      if (peticion.rfind(n, 0) == 0) return true;
  }
  return false;
}

// A failed run's reason is the failure behind its code, and names a request of
// the step that set the code.
void Comprobar_motivo(const Resultado_run& r, const std::string& fila) {
  if (r.codigo == 0) return;
  if (!r.motivo) {
    ADD_FAILURE() << fila << "no reason for code " << r.codigo;
    return;
  }
  EXPECT_EQ(r.motivo->codigo, r.codigo) << fila << "the reason belongs to another code";
  const std::optional<Paso_actualizacion> paso = r27::Paso_de_codigo(r.codigo);
  if (paso) {
    EXPECT_EQ(r.paso_del_motivo, paso) << fila << "the reason is not its step's";
  }
  EXPECT_TRUE(Peticion_del_paso(paso, r.codigo, r.motivo->peticion))
      << fila << "the reason names \"" << r.motivo->peticion << "\", no request of its step";
}

void Correr(const Fila& f) {
  const Intervalo en = Peticiones_en(Fronteras_limpias(f.pasos), f.tramo, f.peticion);
  if (en.Vacio()) {
    ADD_FAILURE() << "row '" << f.nombre << "': a clean run sends no "
                  << sim::Nombre_peticion(f.peticion) << " request in the " << Nombre_tramo(f.tramo)
                  << " part";
    return;
  }
  const uint32_t n = f.donde == Donde::Inicio ? en.desde
                     : f.donde == Donde::Fin  ? en.hasta
                                              : (en.desde + en.hasta) / 2;
  const std::string fila = Describir(f, n);

  sim::Config_medidor c = Config_campana(f.pasos);
  c.fallos = {Fallo{f.tipo, f.peticion, n, f.veces, 0.0, uint64_t{f.silencio_ms} * 1000}};
  Banco_campana b(c);
  b.v.Puerto().Fijar_traza(Traza_linea::Desde_entorno());
  b.Sembrar_memoria();
  const Copia_medidor antes = b.Copiar();
  ASSERT_TRUE(b.Buscar_y_marcar(f.pasos)) << fila << "the meter was not found before the run";

  const uint64_t limpia = Duracion_limpia_us(f.pasos);
  const uint64_t limite = limpia + Us(f.espera_s + kHolgura_s);
  // A run far past its bound has hung on the virtual clock: it is stopped there.
  const Resultado_run r = b.Ejecutar(limite + Us(3600));

  // The fault fired where it was aimed.
  const auto& registro = b.medidor->Registro_fallos();
  if (registro.empty()) {
    ADD_FAILURE() << fila << "the fault never fired";
  } else {
    const Tramo t = Tramo_de_peticion(r.fronteras, registro[0].peticion, registro[0].cuenta);
    EXPECT_EQ(t, f.tramo) << fila << "fired in the " << Nombre_tramo(t) << " part";
  }

  if (std::getenv("R27_INFORME"))
    std::printf(
        "| %s | %s | %s | %s | %u | %d | %d | %.1f | %.1f |\n", f.nombre,
        f.pasos.firmware ? "whole" : "service", Nombre_tramo(f.tramo),
        (std::string(sim::Nombre_fallo(f.tipo)) + ":" + sim::Nombre_peticion(f.peticion)).c_str(),
        n, f.codigo, r.codigo, double(r.duracion_us - std::min(r.duracion_us, limpia)) / 1e6,
        f.espera_s + kHolgura_s);
  EXPECT_EQ(r.codigo, f.codigo) << fila << "result code (reason: " << r.abandono << ")";
  if (f.tipo == Desenchufe && !registro.empty() && !r.fronteras.empty()) {
    // An unplug is known at once: the outcome screen within a second of it.
    const uint64_t corte_us = registro[0].t_us + uint64_t{f.silencio_ms} * 1000;
    const double tras_s = double(r.fronteras.back().t_us - corte_us) / 1e6;
    if (std::getenv("R27_INFORME"))
      std::printf("| %s | %d | %.2f s |\n", f.nombre, r.codigo, tras_s);
    EXPECT_LE(tras_s, 1.0) << fila << "the outcome screen came " << tras_s << " s after the unplug";
  }
  Comprobar_motivo(r, fila);
  EXPECT_EQ(r.correcta, f.codigo == 0) << fila << (r.correcta ? "correct" : "failed") << " screen";
  // Never "failed" while the meter still writes its flash.
  if (!r.correcta && !r.fronteras.empty()) {
    EXPECT_GE(r.fronteras.back().t_us, b.medidor->Fin_grabacion_us())
        << fila << "the failed screen showed while the meter was still burning";
  }
  EXPECT_LE(r.duracion_us, limite)
      << fila << "took " << double(r.duracion_us) / 1e6 << " s, a clean run "
      << double(limpia) / 1e6 << " s, the fault may add " << f.espera_s << " s (" << f.por_que
      << ")";
  for (const std::string& e : b.Comprobar_ventana(r)) ADD_FAILURE() << fila << e;
  std::vector<Capa> capas{{f.pasos, Estados_pasos(f.pasos, r.correcta, r.codigo, f.tramo)}};
  for (const std::string& e : Comprobar_memoria(*b.medidor, antes, capas))
    ADD_FAILURE() << fila << e;
  if (r.desbordada) return;

  // The fault gone, a new search and update of the same meter ends on the correct
  // screen with every region exact. A meter left in its boot stage (a burn cut
  // short) has no firmware to run the service steps: the whole update comes first.
  b.medidor->Fijar_fallos({});
  if (f.reenchufar) b.v.reloj.Dormir_ms(60'000);  // the technician reads the screen first
  if (f.reenchufar || f.tipo == Desenchufe || (f.tipo == Silencio && f.silencio_ms == 0))
    b.medidor->Reenchufar(b.v.reloj.Ahora_us());
  std::vector<Pasos> otras{f.pasos};
  for (size_t i = 0; i < otras.size(); ++i) {
    const Pasos& pasos = otras[i];
    ASSERT_TRUE(b.Buscar()) << fila << "the next search does not find the meter";
    if (b.v.estado.modo_arranque && !pasos.firmware) {
      otras.insert(otras.begin() + long(i), kCompleta);
      --i;
      continue;
    }
    b.Marcar(pasos);
    const uint64_t limpia_otra = Duracion_limpia_us(pasos);
    const Resultado_run otra = b.Ejecutar(limpia_otra + Us(kHolgura_s + 3600));
    const std::string cual = i + 1 < otras.size() ? "the whole update after: " : "second run: ";
    EXPECT_EQ(otra.codigo, 0) << fila << cual << "code (reason: " << otra.abandono << ")";
    EXPECT_TRUE(otra.correcta) << fila << cual << "failed screen";
    EXPECT_LE(otra.duracion_us, limpia_otra + Us(kHolgura_s))
        << fila << cual << "took " << double(otra.duracion_us) / 1e6 << " s";
    for (const std::string& e : b.Comprobar_ventana(otra)) ADD_FAILURE() << fila << cual << e;
    capas.push_back({pasos, Estados_pasos(pasos, true, 0, Tramo::Fin)});
  }
  for (const std::string& e : Comprobar_memoria(*b.medidor, antes, capas))
    ADD_FAILURE() << fila << "after the second run: " << e;
}

// R27_FILA=text runs only the rows whose name holds the text (R27_TRAZA=file then
// traces their line); R27_INFORME=1 prints a table line per row: the run, the
// part, fault and request, n, expected and actual code, the time added to a clean
// run and its bound.
void Correr_tabla(std::initializer_list<Fila> filas) {
  const char* solo = std::getenv("R27_FILA");
  for (const Fila& f : filas)
    if (!solo || std::string_view(f.nombre).find(solo) != std::string_view::npos) Correr(f);
}

// --- Whole updates: zone, FPGA set, firmware, MPEG-4 ----------------------------

TEST(Matriz_fallos, Zona) {
  Correr_tabla({
      {"a lost acknowledgement, first page", A, Tramo::Zona, Peticion::Escritura_eeprom, Perdido,
       Donde::Inicio, 1, 0, 0, kIntento_eeprom, "one attempt of 1 s + 500 ms"},
      {"a wrong acknowledgement five times, a profile page", A, Tramo::Zona,
       Peticion::Escritura_eeprom, Erroneo, Donde::Medio, 5, 0, kCodigo_zona_perfiles,
       kTrama_eeprom, "5 attempts of 1 s + 500 ms"},
      {"silence for good, last default page", A, Tramo::Zona, Peticion::Escritura_eeprom, Silencio,
       Donde::Fin, 1, 0, kCodigo_zona_defecto, kTrama_eeprom, "5 attempts of 1 s + 500 ms"},
      {"\"m\" in place of 0x20", A, Tramo::Zona, Peticion::Escritura_eeprom, Con_m, Donde::Medio, 1,
       0, 0, kIntento_eeprom, "one attempt"},
      {"a stray release byte before 0x20, last page", A, Tramo::Zona, Peticion::Escritura_eeprom,
       Liberacion, Donde::Fin, 1, 0, 0, kIntento_eeprom, "one attempt"},
      {"a restart instead of the rate write", A, Tramo::Zona, Peticion::Escritura_memoria, Reinicio,
       Donde::Inicio, 1, 0, kCodigo_zona_perfiles, kTrama_eeprom,
       "the meter stays at 115,200: the first page fails its 5 attempts"},
      {"the rate block never acknowledged", A, Tramo::Zona, Peticion::Bloque_preparacion, Perdido,
       Donde::Inicio, 10, 0, kCodigo_subir_bloques, 10 * kBloque_area + kTrama_eeprom,
       "10 attempts of 1 s, then the first page fails its 5"},
  });
}

TEST(Matriz_fallos, Fpga) {
  Correr_tabla({
      {"first loader stage unanswered", A, Tramo::Fpga, Peticion::Carga_programa, Perdido,
       Donde::Inicio, 1, 0, kCodigo_preparar_fpga, kCarga, "20 s for \"J\""},
      {"a restart instead of the second loader stage", A, Tramo::Fpga, Peticion::Carga_programa,
       Reinicio, Donde::Fin, 1, 0, kCodigo_preparar_fpga, kCarga, "20 s for 0xAD"},
      {"the pictures' erase unanswered", A, Tramo::Fpga, Peticion::Borrado_preparacion, Perdido,
       Donde::Inicio, 1, 0, 0, kBorrado_graficos, "30 s from the start of the operation"},
      {"a wrong answer to the set's erase", A, Tramo::Fpga, Peticion::Borrado_preparacion, Erroneo,
       Donde::Fin, 1, 0, 0, kIntento_borrado_fpga, "one attempt of 3 s + 500 ms"},
      {"silence for good at the set's erase", A, Tramo::Fpga, Peticion::Borrado_preparacion,
       Silencio, Donde::Fin, 1, 0, kCodigo_fpga_borrado, kBorrado_fpga,
       "5 attempts of 3 s + 500 ms"},
      {"a lost acknowledgement, first block (a picture's)", A, Tramo::Fpga, Peticion::Bloque,
       Perdido, Donde::Inicio, 1, 0, 0, kBloque, "2 s, filler, resend"},
      {"a garbled block", A, Tramo::Fpga, Peticion::Bloque, Alterado, Donde::Medio, 1, 0, 0,
       kBloque, "2 s, filler, resend"},
      {"a restart in the middle of the blocks", A, Tramo::Fpga, Peticion::Bloque, Reinicio,
       Donde::Medio, 1, 0, kCodigo_fpga_bloque, kBloque_perdido, "2 s, then 5 s of filler"},
      {"unplugged at the last block", A, Tramo::Fpga, Peticion::Bloque, Desenchufe, Donde::Fin, 1,
       0, kCodigo_fpga_bloque, kBloque_perdido, "2 s, then 5 s of filler"},
  });
}

TEST(Matriz_fallos, Firmware) {
  Correr_tabla({
      {"silence for good from the first block (a picture's)", A, Tramo::Firmware_envio,
       Peticion::Bloque, Silencio, Donde::Inicio, 1, 0, kCodigo_firmware_envio,
       2 * kBloque_perdido + kPreparar_memoria,
       "the picture's block, the first record's block, the staging reopened"},
      {"a stray release byte before the first block's \"0\"", A, Tramo::Firmware_envio,
       Peticion::Bloque, Liberacion, Donde::Inicio, 1, 0, 0, kBloque, "2 s, filler, resend"},
      {"0xD5 in place of a record block's \"0\"", A, Tramo::Firmware_envio, Peticion::Bloque,
       Con_arranque, Donde::Medio, 1, 0, 0, kBloque, "filler, resend"},
      {"a record block and its resend answered wrong", A, Tramo::Firmware_envio, Peticion::Bloque,
       Erroneo, Donde::Medio, 2, 0, kCodigo_firmware_envio, kBloque, "2 s, filler, resend"},
      {"silence for good from the last block (a picture's)", A, Tramo::Firmware_envio,
       Peticion::Bloque, Silencio, Donde::Fin, 1, 0, kCodigo_firmware_grabacion,
       kBloque_perdido + kGrabacion + kPreparar_memoria,
       "the block, 10 min for the burn's end, the staging reopened"},
      {"a restart half-way through the burn", A, Tramo::Firmware_grabacion, Peticion::Grabacion,
       Reinicio, Donde::Inicio, 1, 0, kCodigo_firmware_grabacion, kGrabacion + kPreparar_memoria,
       "10 min for the burn's end, the staging reopened"},
      // Taken for a refusal, the burn goes on in the meter: the updater listens to
      // its end before it fails the step, and no more than the burn takes anyway.
      // The meter stays in its loader at the fast rate.
      {"a wrong first progress byte", A, Tramo::Firmware_grabacion, Peticion::Grabacion, Erroneo,
       Donde::Inicio, 1, 0, kCodigo_firmware_grabacion, kPreparar_memoria,
       "listened to the burn's end; the staging reopened", true},
      {"\"m\" as the first progress byte", A, Tramo::Firmware_grabacion, Peticion::Grabacion, Con_m,
       Donde::Inicio, 1, 0, kCodigo_firmware_grabacion, kPreparar_memoria,
       "listened to the burn's end; the staging reopened", true},
      {"the ready request after the burn unanswered", A, Tramo::Firmware_grabacion, Peticion::Listo,
       Perdido, Donde::Inicio, 1, 0, 0, 3 + 0.5, "one attempt of 3 s + 500 ms"},
      {"silence for good at the staging reopened after the burn", A, Tramo::Firmware_grabacion,
       Peticion::Borrado_preparacion, Silencio, Donde::Inicio, 1, 0, kCodigo_mpeg4_etapa1,
       3 * (5 + 0.5) + 3 * kIntento_borrado_mpeg4,
       "its result is not used: the module's staging erase fails its 3 attempts"},
  });
}

TEST(Matriz_fallos, Mpeg4) {
  Correr_tabla({
      {"the staging erase unanswered three times", A, Tramo::Mpeg4_etapa1,
       Peticion::Borrado_preparacion, Perdido, Donde::Inicio, 3, 0, kCodigo_mpeg4_etapa1,
       3 * kIntento_borrado_mpeg4, "3 attempts of 10 s + 500 ms"},
      {"\"m\" in place of \"p\" at the staging erase", A, Tramo::Mpeg4_etapa1,
       Peticion::Borrado_preparacion, Con_m, Donde::Inicio, 1, 0, 0, kIntento_borrado_mpeg4,
       "one attempt"},
      {"a restart in the middle of stage 1", A, Tramo::Mpeg4_etapa1, Peticion::Bloque, Reinicio,
       Donde::Medio, 1, 0, kCodigo_mpeg4_etapa1, kBloque_perdido, "2 s, then 5 s of filler"},
      {"a lost acknowledgement, last stage-1 block", A, Tramo::Mpeg4_etapa1, Peticion::Bloque,
       Perdido, Donde::Fin, 1, 0, 0, kBloque, "2 s, filler, resend"},
      {"a stage-2 block and its resend answered wrong", A, Tramo::Mpeg4_resto, Peticion::Bloque,
       Erroneo, Donde::Medio, 2, 0, kCodigo_mpeg4_etapa2, kBloque, "2 s, filler, resend"},
      {"0x0D 0x00 unanswered", A, Tramo::Mpeg4_resto, Peticion::Preparar_mpeg4, Perdido,
       Donde::Inicio, 1, 0, kCodigo_mpeg4_sin_inicio, kPreparado_mpeg4, "10 s for the answer"},
      {"silence for good after the start command", A, Tramo::Mpeg4_resto,
       Peticion::Actualizar_mpeg4, Silencio, Donde::Inicio, 1, 0, kCodigo_mpeg4_sin_fin, kFin_mpeg4,
       "1,020 s for 0xBB"},
      {"a restart half-way through the module update", A, Tramo::Mpeg4_resto,
       Peticion::Actualizar_mpeg4, Reinicio, Donde::Inicio, 1, 0, kCodigo_mpeg4_sin_fin, kFin_mpeg4,
       "1,020 s for 0xBB"},
  });
}

// The check after writing: the meter restarted, connected with its identity read
// and the tick decision made again.
TEST(Matriz_fallos, Comprobacion) {
  Correr_tabla({
      {"three probes of the check's connection unanswered", A, Tramo::Cierre, Peticion::Sondeo,
       Perdido, Donde::Inicio, 3, 0, 0, 3 * kSondeo, "3 more probes"},
      {"a wrong answer to the check's identity read", A, Tramo::Cierre, Peticion::Lectura_memoria,
       Erroneo, Donde::Medio, 1, 0, 0, 2 * kLectura,
       "one attempt: 1 s for 0x10, 1 s for the words"},
      {"0xD5 to the check's probe", A, Tramo::Cierre, Peticion::Sondeo, Con_arranque, Donde::Inicio,
       1, 0, kCodigo_comprobacion, kCarga_arranque,
       "taken for a boot stage: 30 s for the boot loader's 0xAD"},
      // The module is asked once: one lost answer leaves the update unproven.
      {"the module's information unanswered at the check", A, Tramo::Cierre, Peticion::Info_mpeg4,
       Perdido, Donde::Inicio, 1, 0, kCodigo_comprobacion, kInfo_mpeg4,
       "10 s for 0xFB; the serial request is not made"},
      {"silence for good at the check", S, Tramo::Cierre, Peticion::Sondeo, Silencio, Donde::Inicio,
       1, 0, kCodigo_comprobacion, 3 * 4 * kSondeo, "3 connects of 4 probes"},
  });
}

// --- Service mode: keyboard, erase, plans, zone and an FPGA set burnt on its own --

TEST(Matriz_fallos, Teclado) {
  Correr_tabla({
      {"a restart instead of the keyboard start", S, Tramo::Teclado, Peticion::Teclado, Reinicio,
       Donde::Inicio, 1, 0, kCodigo_teclado_sin_respuesta, kCodigo_teclado,
       "30 s without a request code"},
      {"a lost vector acknowledgement", S, Tramo::Teclado, Peticion::Paquete_teclado, Perdido,
       Donde::Inicio, 1, 0, 0, kRespuesta_teclado, "the 2 s reply wait"},
      {"silence for good in the middle of the exchange", S, Tramo::Teclado,
       Peticion::Paquete_teclado, Silencio, Donde::Medio, 1, 0, kCodigo_teclado_sin_respuesta,
       kCodigo_teclado + 10 * kSondeo + 4 * kSondeo,
       "30 s without a code, a reconnection of 10 probes, the erase's connect of 4"},
      {"unplugged at the last packet", S, Tramo::Teclado, Peticion::Paquete_teclado, Desenchufe,
       Donde::Fin, 1, 0, kCodigo_teclado_sin_conexion, kCodigo_teclado,
       "known at once: the step has lost its meter"},
      {"\"m\" to the reconnection's probe", S, Tramo::Teclado, Peticion::Sondeo, Con_m,
       Donde::Medio, 1, 0, 0, kSondeo, "one more probe"},
  });
}

TEST(Matriz_fallos, Borrado) {
  Correr_tabla({
      {"the blank block never acknowledged", S, Tramo::Borrado, Peticion::Bloque_preparacion,
       Perdido, Donde::Inicio, 10, 0, kCodigo_bloque_vacio, 10 * kBloque_vacio, "10 tries of 2 s"},
      {"\"m\" to the blank block", S, Tramo::Borrado, Peticion::Bloque_preparacion, Con_m,
       Donde::Inicio, 1, 0, 0, kBloque_vacio, "one try"},
      {"15 s of silence at the middle sector", S, Tramo::Borrado, Peticion::Sector_preparacion,
       Silencio, Donde::Medio, 1, 15'000, 0, 2 * kSector, "two tries of 10 s"},
      {"the last sector never acknowledged", S, Tramo::Borrado, Peticion::Sector_preparacion,
       Perdido, Donde::Fin, 10, 0, kCodigo_borrar_sector, 10 * kSector, "10 tries of 10 s"},
      {"a restart instead of the stored-tables write", S, Tramo::Borrado,
       Peticion::Escritura_eeprom, Reinicio, Donde::Inicio, 1, 0, 0, kReinicio + kBloque_vacio,
       "the blank block tried while the meter restarts"},
  });
}

TEST(Matriz_fallos, Planes) {
  Correr_tabla({
      {"a garbled first block", S, Tramo::Planes, Peticion::Bloque_preparacion, Alterado,
       Donde::Inicio, 1, 0, 0, kBloque_area, "one attempt of 1 s"},
      {"a restart in the middle of the blocks", S, Tramo::Planes, Peticion::Bloque_preparacion,
       Reinicio, Donde::Medio, 1, 0, kCodigo_orden_plan, kReinicio + 10 * kSector,
       "the blocks wait out the restart; the staged data is lost, so the sector write fails its 10 "
       "tries of 10 s"},
      {"a wrong acknowledgement, last block", S, Tramo::Planes, Peticion::Bloque_preparacion,
       Erroneo, Donde::Fin, 1, 0, 0, kBloque_area, "one attempt of 1 s"},
      {"the sector write's acknowledgement lost", S, Tramo::Planes, Peticion::Sector_preparacion,
       Perdido, Donde::Inicio, 1, 0, kCodigo_orden_plan, 10 * kSector,
       "the meter wrote and restarted: 10 tries of 10 s, none answered"},
      {"two probes of the reconnection unanswered", S, Tramo::Planes, Peticion::Sondeo, Perdido,
       Donde::Inicio, 2, 0, 0, 2 * kSondeo, "2 more probes"},
  });
}

TEST(Matriz_fallos, Servicio_zona_y_fpga) {
  Correr_tabla({
      {"unplugged at the last default page", S, Tramo::Zona, Peticion::Escritura_eeprom, Desenchufe,
       Donde::Fin, 1, 0, kCodigo_zona_defecto, kTrama_eeprom, "5 attempts of 1 s + 500 ms"},
      {"a stray release byte before the set's erase answer", S, Tramo::Fpga,
       Peticion::Borrado_preparacion, Liberacion, Donde::Fin, 1, 0, 0, kIntento_borrado_fpga,
       "one attempt of 3 s + 500 ms"},
      // The meter comes back in its boot stage; the check's connection leaves it in
      // the boot loader, which a search takes for the firmware: plugged in again, it
      // starts in its boot stage and gets the whole update first.
      {"a restart half-way through the set's burn", S, Tramo::Fpga, Peticion::Grabacion, Reinicio,
       Donde::Inicio, 1, 0, kCodigo_fpga_grabacion, kGrabacion, "10 min for the burn's end", true},
      {"a restart at the set's end request", S, Tramo::Fpga, Peticion::Fin, Reinicio, Donde::Inicio,
       1, 0, 0, 0, "no answer is awaited"},
  });
}

}  // namespace
}  // namespace r27::pruebas
