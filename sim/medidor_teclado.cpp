// The keyboard microcontroller's programming, driven by the meter: it sends the
// request codes of its sequence and checks every packet the computer answers
// with against what that code asks for.
//
// Per code: 3, 5, 6, 7, 8, 9, 11, 12, 13 ask for that vector table (6 also starts
// the verify pass); 14 asks for the 256 firmware blocks, each followed by the
// programming vectors (code 5's table) or, in the verify pass, by the verify
// vectors (code 6's table, none after the last block); 16 the security record;
// 17 the checksum record; 10, 15 and 22 their fixed packets. Every vector but the
// last of a table and every block (but the last one of the verify pass) is
// acknowledged with one byte, 0x01; after each block's vectors the meter sends 14
// for the next block. The exchange ends with 18 (success), 19 (silicon ID), 20
// (the verify pass differs from what was programmed) or 21 (a packet that breaks
// the exchange: wrong framing, length or vector; or a computer that stays silent
// for t_abandono_teclado_us), and the meter restarts.
#include <algorithm>

#include "sim/medidor_simulado.h"
#include "sim/vectores_teclado_medidor.h"

namespace r27::sim {
namespace {

constexpr uint8_t kAck = 0x01;
constexpr uint8_t kBloques = 14;
constexpr uint8_t kExito = 18;
constexpr uint8_t kError_id = 19;
constexpr uint8_t kError_verificacion = 20;
constexpr uint8_t kAbortado = 21;
constexpr int kNum_bloques = 256;

}  // namespace

void Medidor_simulado::Empezar_teclado(uint64_t t) {
  etapa_ = Etapa::Teclado;
  paso_teclado_ = 0;
  verificando_ = false;
  verificacion_mala_ = false;
  en_bloques_ = false;
  espera_ = Espera_teclado::Nada;
  plazo_teclado_us_ = t + config_.t_abandono_teclado_us;
  teclado_rechazado_ = false;
  teclado_.codigos_enviados.clear();
  Entrar_paso_teclado(t);
}

void Medidor_simulado::Entrar_paso_teclado(uint64_t t) {
  if (paso_teclado_ >= config_.secuencia_teclado.size()) {
    Terminar_teclado(kExito, t);
    return;
  }
  uint8_t c = config_.secuencia_teclado[paso_teclado_];
  if (c >= kExito && c <= kAbortado) {
    Terminar_teclado(c, t);
    return;
  }
  teclado_.codigos_enviados.push_back(c);
  Responder({c}, t);
  en_bloques_ = false;
  switch (c) {
    case 6:
      verificando_ = true;
      [[fallthrough]];
    case 3:
    case 5:
    case 7:
    case 8:
    case 9:
    case 11:
    case 12:
    case 13:
      espera_ = Espera_teclado::Vectores;
      tabla_ = c;
      vector_ = 0;
      break;
    case kBloques:
      espera_ = Espera_teclado::Bloque;
      bloque_ = 0;
      break;
    case 10:
      espera_ = Espera_teclado::Fijo;
      fijo_esperado_ = {0xBC, 0x02, 0x00, 0x1F};
      break;
    case 15:
      espera_ = Espera_teclado::Fijo;
      fijo_esperado_ = {0xBC, 0x02, 0x00, 0x80};
      break;
    case 22:
      espera_ = Espera_teclado::Fijo;
      fijo_esperado_ = {0xBC, 0x01, 0x02};
      break;
    case 16:
      espera_ = Espera_teclado::Seguridad;
      break;
    case 17:
      espera_ = Espera_teclado::Suma;
      break;
    default:
      // A code that asks for nothing: the meter goes straight on.
      Siguiente_paso_teclado(t + config_.t_respuesta_us);
      break;
  }
}

void Medidor_simulado::Siguiente_paso_teclado(uint64_t t) {
  ++paso_teclado_;
  Entrar_paso_teclado(t);
}

void Medidor_simulado::Paquete_teclado(const std::vector<uint8_t>& p, uint64_t t) {
  uint64_t r = t + config_.t_respuesta_us;
  if (p[0] != 0xBC || p.size() != size_t{2} + p[1]) {
    Rechazar_teclado(t);
    return;
  }
  switch (espera_) {
    case Espera_teclado::Vectores: {
      auto tabla = Tabla_vectores(tabla_);
      if (p[1] != 3 || vector_ >= tabla.size()) {
        Rechazar_teclado(t);
        return;
      }
      uint32_t v = (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 8) | p[4];
      if (v != tabla[vector_]) {
        Rechazar_teclado(t);
        return;
      }
      if (++vector_ < tabla.size()) {
        Responder({kAck}, r);
      } else {
        Fin_tabla_teclado(r);
      }
      return;
    }
    case Espera_teclado::Bloque: {
      if (p[1] != 0x40) {
        Rechazar_teclado(t);
        return;
      }
      auto& guardado = teclado_.bloques[bloque_];
      uint64_t hecho = t + config_.t_bloque_teclado_us;
      if (!verificando_) {
        std::copy(p.begin() + 2, p.end(), guardado.begin());
        teclado_.bloques_programados = std::max(teclado_.bloques_programados, bloque_ + 1);
        Responder({kAck}, hecho);
      } else {
        if (!std::equal(guardado.begin(), guardado.end(), p.begin() + 2)) verificacion_mala_ = true;
        teclado_.bloques_verificados = std::max(teclado_.bloques_verificados, bloque_ + 1);
        if (bloque_ == kNum_bloques - 1) {
          bool mala = verificacion_mala_ || config_.teclado_fallo_verificacion;
          espera_ = Espera_teclado::Nada;
          if (mala) {
            Terminar_teclado(kError_verificacion, hecho);
          } else {
            Siguiente_paso_teclado(hecho);
          }
          return;
        }
        Responder({kAck}, hecho);
      }
      espera_ = Espera_teclado::Vectores;
      tabla_ = verificando_ ? 6 : 5;
      vector_ = 0;
      en_bloques_ = true;
      return;
    }
    case Espera_teclado::Seguridad:
      if (p[1] != 0x40) break;
      std::copy(p.begin() + 2, p.end(), teclado_.seguridad.begin());
      teclado_.seguridad_recibida = true;
      espera_ = Espera_teclado::Nada;
      Siguiente_paso_teclado(r);
      return;
    case Espera_teclado::Suma:
      if (p[1] != 2) break;
      teclado_.suma = {p[2], p[3]};
      teclado_.suma_recibida = true;
      espera_ = Espera_teclado::Nada;
      Siguiente_paso_teclado(r);
      return;
    case Espera_teclado::Fijo:
      if (p != fijo_esperado_) break;
      espera_ = Espera_teclado::Nada;
      Siguiente_paso_teclado(r);
      return;
    case Espera_teclado::Nada:
      break;
  }
  Rechazar_teclado(t);
}

// The last vector of a table is in: after a block's vectors the meter asks for
// the next block (or, after the last one, goes on); after a table of its own
// sequence it sends its next code, unless the silicon ID read by code 3's table
// is not the expected one.
void Medidor_simulado::Fin_tabla_teclado(uint64_t t) {
  espera_ = Espera_teclado::Nada;
  if (en_bloques_) {
    en_bloques_ = false;
    uint64_t hecho = t + config_.t_bloque_teclado_us;
    if (++bloque_ < kNum_bloques) {
      espera_ = Espera_teclado::Bloque;
      Responder({kBloques}, hecho);
    } else {
      Siguiente_paso_teclado(hecho);
    }
    return;
  }
  if (tabla_ == 3 && config_.teclado_fallo_id) {
    Terminar_teclado(kError_id, t);
    return;
  }
  Siguiente_paso_teclado(t);
}

void Medidor_simulado::Terminar_teclado(uint8_t codigo, uint64_t t) {
  teclado_.codigos_enviados.push_back(codigo);
  teclado_.resultado = codigo;
  espera_ = Espera_teclado::Nada;
  plazo_teclado_us_.reset();
  teclado_rechazado_ = false;
  Responder({codigo}, t);
  Reiniciar(t + config_.t_respuesta_us);
}

// A packet that breaks the exchange: no acknowledgement; once the computer has
// been quiet for t_rechazo_teclado_us the meter ends the exchange with 21.
void Medidor_simulado::Rechazar_teclado(uint64_t t) {
  espera_ = Espera_teclado::Nada;
  teclado_rechazado_ = true;
  plazo_teclado_us_ = t + config_.t_rechazo_teclado_us;
}

}  // namespace r27::sim
