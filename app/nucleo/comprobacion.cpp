// The check after writing: the judgement on the restarted meter's identity.
#include "app/nucleo/comprobacion.h"

#include <utility>
#include <vector>

namespace r27 {

namespace {

constexpr size_t kCaracteres_version = 10;

Texto_version Version_de_imagen(const std::array<char, 12>& version_fichero) {
  Texto_version v{};
  for (size_t i = 0; i < v.size(); ++i) v[i] = version_fichero[i];
  return v;
}

}  // namespace

std::string Ticks_marcados(const Estado_ventana& e) {
  const std::pair<bool, const char*> ticks[] = {
      {e.Check_teclado, "teclado"},    {e.Check_borrar, "borrar"}, {e.Check_planes, "planes"},
      {e.Check_configuracion, "zona"}, {e.Check_fpga, "fpga"},     {e.Check_firmware, "firmware"},
      {e.Check_mpeg4_apl, "mpeg4"},
  };
  std::string s;
  for (const auto& [marcado, nombre] : ticks) {
    if (!marcado) continue;
    if (!s.empty()) s += ' ';
    s += nombre;
  }
  return s;
}

Juicio_comprobacion Juzgar_comprobacion(const Ficha_medidor& despues, const Estado_ventana& estado,
                                        const Escrito_en_actualizacion& escrito) {
  Juicio_comprobacion j;
  const Texto_version imagen = Version_de_imagen(estado.version_fichero);
  j.esperado =
      escrito.firmware ? Texto_de_version(imagen) + " y nada que marcar" : "nada que marcar";
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
    // leaves no tick set and proves nothing.
    partes.push_back("familia \"" + despues.familia + "\"");
    probada = false;
  }
  const std::string ticks = Ticks_marcados(estado);
  if (!ticks.empty()) {
    const bool varios = ticks.find(' ') != std::string::npos;
    partes.push_back(ticks + (varios ? " marcados" : " marcado"));
    probada = false;
  }
  if (escrito.firmware && Comparar_versiones(despues.version, imagen, kCaracteres_version) != 0) {
    probada = false;  // the version text leads the list already
  }
  if (escrito.mpeg4 && !Mpeg4_contesto(despues.mpeg4)) {
    partes.emplace_back("modulo MPEG-4 sin respuesta");
    probada = false;
  }

  for (size_t i = 0; i < partes.size(); ++i) j.llegado += (i ? ", " : "") + partes[i];
  j.probada = probada;
  return j;
}

}  // namespace r27
