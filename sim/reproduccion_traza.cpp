#include "sim/reproduccion_traza.h"

#include <algorithm>
#include <cstdio>

namespace r27::sim {
namespace {

// Bytes shown on each side where the updater departs from the trace.
constexpr size_t kBytes_mostrados = 8;

std::string Hex(const uint8_t* datos, size_t n) {
  std::string t;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i == 0 ? "%02X" : " %02X", datos[i]);
    t += b;
  }
  return t;
}

std::string Milisegundos(uint64_t us) {
  char b[32];
  std::snprintf(b, sizeof b, "%llu.%03llu", static_cast<unsigned long long>(us / 1000),
                static_cast<unsigned long long>(us % 1000));
  return b;
}

}  // namespace

Reproduccion_traza::Reproduccion_traza(Traza_grabada traza, bool avisa_aperturas,
                                       uint64_t t_inicio_us)
    : traza_(std::move(traza)), avisa_aperturas_(avisa_aperturas), ancla_us_(t_inicio_us) {
  Seguir();
}

void Reproduccion_traza::Pasar_apertura(uint64_t t_us) {
  ancla_us_ = t_us;
  base_us_ = 0;
  ultimo_sello_us_ = 0;
  ++indice_;
}

void Reproduccion_traza::Seguir() {
  while (indice_ < traza_.registros.size()) {
    const Registro_traza& r = traza_.registros[indice_];
    switch (r.tipo) {
      case Tipo::Escritura:
        if (!r.bytes.empty()) return;  // the updater's turn
        ++indice_;                     // (a write of nothing waits for nothing)
        break;
      case Tipo::Apertura:
        if (!avisa_aperturas_) {
          // Unseen: the port reopened right after the last thing the trace saw.
          Pasar_apertura(ancla_us_ + (ultimo_sello_us_ - base_us_));
        } else if (apertura_us_ && *apertura_us_ >= ancla_us_) {
          Pasar_apertura(*apertura_us_);
          apertura_us_.reset();
        } else {
          return;  // until the transport tells the opening
        }
        break;
      case Tipo::Lectura: {
        const uint64_t t = ancla_us_ + (r.t_us > base_us_ ? r.t_us - base_us_ : 0);
        for (uint8_t b : r.bytes) salida_.Poner(b, t, 0);
        ultimo_sello_us_ = std::max(ultimo_sello_us_, r.t_us);
        ++indice_;
        break;
      }
      case Tipo::Solo_tiempo:
        ultimo_sello_us_ = std::max(ultimo_sello_us_, r.t_us);
        ++indice_;
        break;
    }
  }
}

void Reproduccion_traza::Puerto_abierto(uint64_t t_us) {
  if (desvio_) return;
  apertura_us_ = t_us;
  Seguir();
}

void Reproduccion_traza::Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t) {
  for (size_t i = 0; i < n && !desvio_; ++i) {
    // A write while an opening of the trace is still untold: the port was
    // opened without the transport saying so.
    if (indice_ < traza_.registros.size() && traza_.registros[indice_].tipo == Tipo::Apertura) {
      Pasar_apertura(apertura_us_.value_or(t_us));
      apertura_us_.reset();
      Seguir();
    }
    if (indice_ >= traza_.registros.size() ||
        datos[i] != traza_.registros[indice_].bytes[en_escritura_]) {
      Desviarse(datos, n, i);
      return;
    }
    const Registro_traza& w = traza_.registros[indice_];
    if (++en_escritura_ < w.bytes.size()) continue;
    // The whole write came: what the trace read after it follows at its delays.
    en_escritura_ = 0;
    ancla_us_ = t_us;
    base_us_ = w.t_us;
    ultimo_sello_us_ = w.t_us;
    ++indice_;
    Seguir();
  }
}

void Reproduccion_traza::Desviarse(const uint8_t* datos, size_t n, size_t i) {
  const std::string llegado = Hex(datos + i, std::min(n - i, kBytes_mostrados));
  if (indice_ >= traza_.registros.size()) {
    desvio_ = "el actualizador escribio " + llegado + " despues del final de la traza (linea " +
              std::to_string(Ultima_linea()) + ")";
  } else {
    const Registro_traza& w = traza_.registros[indice_];
    desvio_ = "el actualizador se aparta de la traza en la linea " + std::to_string(w.linea) +
              " (W de " + std::to_string(w.bytes.size()) + " bytes a " + Milisegundos(w.t_us) +
              " ms), byte " + std::to_string(en_escritura_ + 1) + ": la traza sigue " +
              Hex(w.bytes.data() + en_escritura_,
                  std::min(w.bytes.size() - en_escritura_, kBytes_mostrados)) +
              ", el actualizador escribio " + llegado;
  }
  salida_.Vaciar();
}

size_t Reproduccion_traza::Tomar_salida(uint64_t hasta_us, uint32_t, uint8_t* destino, size_t max) {
  if (desvio_) return 0;
  // The trace holds the bytes as the updater read them, at whatever rate it had set.
  return salida_.Tomar(hasta_us, 0, destino, max);
}

uint32_t Reproduccion_traza::Linea_actual() const {
  return indice_ < traza_.registros.size() ? traza_.registros[indice_].linea : Ultima_linea();
}

uint32_t Reproduccion_traza::Ultima_linea() const {
  return traza_.registros.empty() ? 0 : traza_.registros.back().linea;
}

}  // namespace r27::sim
