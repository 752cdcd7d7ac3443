// The soak: whole updates of one meter, one after the other, with every request
// the meter handles struck by a fault at a fixed rate (the kind drawn among all
// the simulated meter knows), on the virtual clock. At 1% per request no whole
// update (some 27,000 requests) gets through: those runs end in the zone, FPGA
// and firmware steps. A second soak at 0.01% (about three faults a run) reaches
// the burn, the module and the check after writing, and completes runs. Every run must end, within
// the time a clean run takes plus what its faults may add; on a code the faults that fired explain
// (none fired: the correct screen and code 0); every completed run leaves the memory exact, and no
// run touches memory outside the update's regions.
//
// R27_RONDAS sets the number of runs (20 here, 200 from scripts/soak.sh),
// R27_SEMILLA the seed (printed at the start); the summary goes to stdout.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "link/codigos_resultado.h"
#include "tests/campana/banco_campana.h"

namespace r27::pruebas {
namespace {

using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint64_t kSemilla = 20261208;
constexpr int kRondas = 20;
constexpr uint64_t kSilencio_us = 4'000'000;  // a silence ends on its own: no hung meter

const Tipo_fallo kTipos[] = {
    Tipo_fallo::Ack_perdido,        Tipo_fallo::Ack_erroneo, Tipo_fallo::Paquete_alterado,
    Tipo_fallo::Silencio,           Tipo_fallo::Reinicio,    Tipo_fallo::Desenchufe,
    Tipo_fallo::Liberacion_espuria, Tipo_fallo::Respuesta_m, Tipo_fallo::Respuesta_arranque};

uint64_t Entero_de_entorno(const char* nombre, uint64_t defecto) {
  const char* v = std::getenv(nombre);
  return v && *v ? std::strtoull(v, nullptr, 10) : defecto;
}

// The longest wait one fault inside part `t` may add to a run, in seconds: the
// waits of that step that can all run out one after the other before it gives up
// (time-outs times attempts, from the protocol's numbers).
double Espera_de(Tramo t) {
  constexpr double kBloque = 2 + 5 + 2, kImagen = 2 + 5;  // a picture stops at its first failure
  constexpr double kBorrar_graficos = 30, kReabrir = 5 * 3.5 + 3 * 5.5;
  switch (t) {
    case Tramo::Conexion:  // shows in the first step
    case Tramo::Zona:
      return 10 * 1 + 5 * 1.5;  // the rate block's 10 attempts, a page's 5
    case Tramo::Fpga:
      return kBorrar_graficos + kImagen + 5 * 3.5 + kBloque;  // or a loader stage's 20 s
    case Tramo::Firmware_envio:
      return kBorrar_graficos + 2 * kImagen + kBloque + 600 + kReabrir;
    case Tramo::Firmware_grabacion:
      return 600 + kReabrir;
    case Tramo::Mpeg4_etapa1:
      return 3 * 10.5 + kBorrar_graficos + kImagen + kBloque;
    case Tramo::Mpeg4_resto:
      return kBloque + kImagen + 10 + 1020;
    case Tramo::Cierre:
      // The check's connects, identity reads, module information and serial.
      return 3 * 4 * 1.1 + 5 * 2 + 10 + 24 + 5 + 11;
    default:
      return 0;
  }
}

struct Resumen {
  int rondas = 0;
  int correctas = 0;
  int sin_conexion = 0;
  std::map<int32_t, int> codigos;
  std::map<std::string, int> disparos;
  uint64_t virtual_us = 0;
  int total_disparos = 0;
};

Resumen Rodar(double probabilidad) {
  const int rondas = static_cast<int>(Entero_de_entorno("R27_RONDAS", kRondas));
  const uint64_t semilla = Entero_de_entorno("R27_SEMILLA", kSemilla);
  std::printf("soak: %d whole updates, faults at %g%% per request, seed %llu (R27_SEMILLA)\n",
              rondas, probabilidad * 100, static_cast<unsigned long long>(semilla));
  const auto inicio = std::chrono::steady_clock::now();

  sim::Config_medidor c = Config_campana(kCompleta);
  c.semilla = semilla;
  for (Tipo_fallo t : kTipos) {
    Fallo f{t, Peticion::Cualquiera};
    f.probabilidad = probabilidad / std::size(kTipos);
    if (t == Tipo_fallo::Silencio) f.duracion_us = kSilencio_us;
    c.fallos.push_back(f);
  }
  Banco_campana b(c);
  b.Sembrar_memoria();
  const Copia_medidor antes = b.Copiar();
  const uint64_t limpia = Duracion_limpia_us(kCompleta);
  Resumen s;
  size_t vistos = 0;  // firings already judged

  for (int i = 1; i <= rondas; ++i) {
    const std::string ronda =
        "run " + std::to_string(i) + " (seed " + std::to_string(semilla) + "): ";
    // An unplugged meter is plugged in again by the technician.
    if (b.medidor->Desenchufado()) b.medidor->Reenchufar(b.v.reloj.Ahora_us());
    ++s.rondas;
    if (!b.Buscar()) {
      // Not found: a fault during the search explains it; then the technician
      // unplugs the meter and plugs it in again.
      ++s.sin_conexion;
      const bool hubo = b.medidor->Registro_fallos().size() > vistos;
      EXPECT_TRUE(hubo) << ronda << "the meter was not found and no fault fired";
      vistos = b.medidor->Registro_fallos().size();
      b.medidor->Reenchufar(b.v.reloj.Ahora_us());
      continue;
    }
    b.Marcar(kCompleta);
    const auto& registro = b.medidor->Registro_fallos();
    // The time limit: a clean run and what every fault fired so far may add.
    double espera = 0;
    const Resultado_run r = b.Ejecutar(limpia + uint64_t(3600e6));
    s.virtual_us += r.duracion_us;
    ++s.codigos[r.correcta ? 0 : r.codigo];
    if (r.correcta) ++s.correctas;

    std::set<int32_t> permitidos{0};
    std::string disparados;
    for (size_t k = vistos; k < registro.size(); ++k) {
      const sim::Disparo_fallo& d = registro[k];
      Tramo t = Tramo_de_peticion(r.fronteras, d.peticion, d.cuenta);
      // A fault during the search shows in the first step.
      if (t == Tramo::Conexion) t = r.fronteras.front().tramo;
      espera +=
          Espera_de(t) + (c.fallos[d.fallo].tipo == Tipo_fallo::Silencio ? kSilencio_us / 1e6 : 0);
      for (int32_t codigo : Codigos_de(t)) permitidos.insert(codigo);
      const std::string tipo = sim::Nombre_fallo(c.fallos[d.fallo].tipo);
      ++s.disparos[tipo];
      disparados += " " + tipo + ":" + sim::Nombre_peticion(d.peticion) +
                    ":n=" + std::to_string(d.cuenta) + " (" + Nombre_tramo(t) + ")";
    }
    const bool hubo = registro.size() > vistos;
    vistos = registro.size();
    const std::string que = ronda + "code " + std::to_string(r.codigo) +
                            ", faults:" + (hubo ? disparados : std::string(" none")) + "; ";

    EXPECT_FALSE(r.desbordada) << que << "did not end";
    EXPECT_LE(r.duracion_us, limpia + uint64_t((espera + 1) * 1e6))
        << que << "took " << double(r.duracion_us) / 1e6 << " s, a clean run "
        << double(limpia) / 1e6 << " s, its faults may add " << espera << " s";
    if (!hubo) {
      EXPECT_TRUE(r.correcta && r.codigo == 0) << que << "no fault fired";
    } else {
      EXPECT_TRUE(r.correcta || permitidos.count(r.codigo))
          << que << "a code none of its faults explains";
    }
    for (const std::string& e : b.Comprobar_ventana(r)) ADD_FAILURE() << que << e;
    // A completed run leaves every region exact; any run leaves the rest alone.
    const Estado_paso e = r.correcta ? Estado_paso::Hecho : Estado_paso::Libre;
    std::array<Estado_paso, 8> estados{};
    estados.fill(e);
    for (const std::string& m : Comprobar_memoria(*b.medidor, antes, {{kCompleta, estados}}))
      ADD_FAILURE() << que << m;
    if (::testing::Test::HasFailure()) break;  // the first run that fails tells enough
  }

  const double pared =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::printf("soak summary: seed %llu, %d runs, %d correct, %d without a connection\n",
              static_cast<unsigned long long>(semilla), s.rondas, s.correctas, s.sin_conexion);
  std::printf("  result codes:");
  for (const auto& [codigo, n] : s.codigos) std::printf(" %d:%d", codigo, n);
  std::printf("\n  faults fired:");
  int total = 0;
  for (const auto& [tipo, n] : s.disparos) {
    std::printf(" %s:%d", tipo.c_str(), n);
    total += n;
  }
  std::printf(" (%d in all)\n  virtual time %.0f s, wall time %.1f s\n", total,
              double(s.virtual_us) / 1e6, pared);
  s.total_disparos = total;
  return s;
}

TEST(Resistencia, UnFalloPorCadaCienPeticiones) {
  const Resumen s = Rodar(0.01);
  EXPECT_GT(s.total_disparos, 0);
}

TEST(Resistencia, UnFalloPorCadaDiezMilPeticiones) {
  const Resumen s = Rodar(0.0001);
  EXPECT_GT(s.total_disparos, 0);
  EXPECT_GT(s.correctas, 0) << "no run completed: the memory of a completed run was never checked";
}

}  // namespace
}  // namespace r27::pruebas
