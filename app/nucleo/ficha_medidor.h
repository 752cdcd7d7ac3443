#pragma once
// The meter's identity as the last connect read it: family, region, version and
// build, FPGA version, MPEG-4 module versions and language. The command line
// prints it before and after an update; the check after writing judges it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/nucleo/decisiones.h"
#include "link/estado_ventana.h"

namespace r27 {

class Conexion;

// The FPGA information: page 0x30 (the set's first segment), offset 0, 16 bytes.
inline constexpr size_t kBytes_info_fpga = 16;

struct Ficha_medidor {
  bool conectado = false;      // the connect found the meter
  bool modo_arranque = false;  // it answered in its boot stage
  std::string familia;         // family tag, "QZT" for the meters served
  std::string region;          // region text, empty when the block holds none
  Texto_version version{};     // version, point, build: "3.01.00000"
  bool fpga_leida = false;     // the FPGA information was read (not in the boot stage)
  uint8_t fpga_mayor = 0;      // byte 11 of the FPGA information
  uint8_t fpga_menor = 0;      // byte 10
  std::array<uint8_t, kBytes_info_fpga> fpga_bloque{};  // the whole information
  Datos_mpeg4 mpeg4{};  // 0xFF / 0x00FF where the module did not answer
  int32_t idioma = 0;   // language index as the connect kept it (0..9)
};

// The identity after the last connect: what the connection read during its
// tick decision, with the module versions and the language from the shared state.
Ficha_medidor Leer_ficha(const Conexion& conexion, const Estado_ventana& estado);

// The ten characters of a version text; the zero characters of a short field are
// left out ("3.1.00000" when the meter's version field held only "3.1"); empty
// when neither field held anything.
std::string Texto_de_version(const Texto_version& v);
// The four version characters ("3.01") and the five build characters ("00000")
// of the version text, each up to its first zero character.
std::string Version_de_ficha(const Ficha_medidor& ficha);
std::string Build_de_ficha(const Ficha_medidor& ficha);
// "3.01.00000": the one form the command line, its JSON and the history show;
// the version alone when the meter gave no build.
std::string Version_completa_de_ficha(const Ficha_medidor& ficha);
// "3.3"; empty when the FPGA information was not read.
std::string Texto_fpga(const Ficha_medidor& ficha);
// True when the module answered its information query (boot and decoders known).
bool Mpeg4_contesto(const Datos_mpeg4& datos);

}  // namespace r27
