#pragma once
// The meter's progress bytes while it burns staged segments into flash (after
// 09 40 and its segment map), judged pairwise: 0x8A 0x8A starts the sector
// erase, 0x8B 0x8B the programming, 0x80 0x80 ends the burn. Any other byte
// before the erase or the programming started is a refusal; after, it is
// progress (the erase counts up, the programming names the segment byte it
// writes). One phase at a time: the erase ends the programming and the other
// way round. Pure: no port, no window.
#include <cstdint>

#include "link/contexto_peticion.h"

namespace r27 {

enum class Paso_grabacion : uint8_t {
  Seguir,     // progress, or the first byte of a pair
  Borrando,   // the second 0x8A: the erase phase
  Grabando,   // the second 0x8B: the programming phase
  Completa,   // the second 0x80: the burn is done
  Rechazada,  // a byte outside both phases: the meter refused the burn
};

class Avance_grabacion {
 public:
  static constexpr uint8_t kBorrando = 0x8A;
  static constexpr uint8_t kGrabando = 0x8B;
  static constexpr uint8_t kCompleta = 0x80;

  Paso_grabacion Recibir(uint8_t b);
  bool Borrando() const { return borrando_; }
  bool Grabando() const { return grabando_; }

 private:
  uint8_t previo_ = 0;
  bool borrando_ = false;
  bool grabando_ = false;
};

// A burn that looked refused may be under way all the same (a progress byte
// garbled on the line): before the step fails, the meter is listened to until
// the burn's end (0x80 0x80), a silence of kSilencio_fin_grabacion_s, the burn's
// own time limit counted from `inicio_s`, or the device gone. A technician who
// reads "failed" unplugs the meter; one cut in the middle of a burn is the worst
// state it can be left in.
inline constexpr int64_t kSilencio_fin_grabacion_s =
    10;  // longer than any pause between progress bytes
void Escuchar_hasta_fin_grabacion(Contexto_peticion& contexto, int64_t inicio_s, int64_t limite_s);

}  // namespace r27
