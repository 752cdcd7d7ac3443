// The check after writing: the judgement on the restarted meter's identity.
#include "app/nucleo/comprobacion.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace r27 {

namespace {

constexpr size_t kCaracteres_version = 10;

Texto_version Version_de_imagen(const std::array<char, 12>& version_fichero) {
  Texto_version v{};
  for (size_t i = 0; i < v.size(); ++i) v[i] = version_fichero[i];
  return v;
}

std::string Hex(const std::array<uint8_t, kBytes_info_fpga>& bytes) {
  std::string t;
  char b[4];
  for (uint8_t x : bytes) {
    std::snprintf(b, sizeof b, "%02X", x);
    t += b;
  }
  return t;
}

}  // namespace

std::vector<Paso_actualizacion> Pasos_pendientes(const Estado_ventana& e) {
  std::vector<Paso_actualizacion> pasos;
  for (const Paso_previsto& p : Pasos_previstos(e, false)) pasos.push_back(p.paso);
  return pasos;
}

Juicio_comprobacion Juzgar_comprobacion(const Ficha_medidor& despues, const Estado_ventana& estado,
                                        const Escrito_en_actualizacion& escrito) {
  Juicio_comprobacion j;
  const Texto_version imagen = Version_de_imagen(estado.version_fichero);
  std::vector<std::string> esperado{"el medidor en su aplicacion"};
  if (escrito.firmware) esperado.push_back("firmware " + Texto_de_version(imagen));
  if (escrito.fpga) esperado.push_back("FPGA " + Hex(escrito.cabecera_fpga));
  if (escrito.mpeg4) esperado.emplace_back("modulo MPEG-4 al dia");
  for (size_t i = 0; i < esperado.size(); ++i) j.esperado += (i ? ", " : "") + esperado[i];
  if (!despues.conectado) {
    j.llegado = "nada (el medidor no volvio)";
    return j;
  }

  // Everything that differs is named; the version read leads.
  std::vector<std::string> partes;
  if (const std::string v = Texto_de_version(despues.version); !v.empty()) partes.push_back(v);
  bool probada = true;
  if (despues.modo_arranque) {
    // A meter that restarts into its boot stage has no running firmware.
    partes.emplace_back("en etapa de arranque");
    probada = false;
  }
  if (!estado.familia_valida) {
    // An identity block that is not one of ours, or that could not be read,
    // proves nothing.
    partes.push_back("familia \"" + despues.familia + "\"");
    probada = false;
  }
  if (escrito.firmware && Comparar_versiones(despues.version, imagen, kCaracteres_version) != 0) {
    probada = false;  // the version text leads the list already
  }
  if (escrito.fpga && (!despues.fpga_leida || despues.fpga_bloque != escrito.cabecera_fpga)) {
    partes.push_back(despues.fpga_leida ? "FPGA " + Hex(despues.fpga_bloque) : "FPGA sin leer");
    probada = false;
  }
  if (escrito.mpeg4 && !Mpeg4_contesto(despues.mpeg4)) {
    partes.emplace_back("modulo MPEG-4 sin respuesta");
    probada = false;
  } else if (escrito.mpeg4 && Regla_mpeg4(despues.mpeg4)) {
    // The module's own rule on what it reports now: the tick decision forces the
    // module tick whenever the firmware rule fires (a test-build image always
    // does), so the finished ticks cannot tell a module that is up to date.
    partes.emplace_back("modulo MPEG-4 aun por actualizar");
    probada = false;
  }

  for (size_t i = 0; i < partes.size(); ++i) j.llegado += (i ? ", " : "") + partes[i];
  j.probada = probada;
  return j;
}

}  // namespace r27
