#include "sim/latencia_adaptador.h"

#include <algorithm>

namespace r27::sim {

Latencia_adaptador::Latencia_adaptador(Dispositivo_linea& dispositivo, uint64_t latencia_us,
                                       uint64_t t_inicio_us)
    : dispositivo_(dispositivo),
      latencia_us_(std::max<uint64_t>(latencia_us, 1)),
      ultimo_envio_us_(t_inicio_us) {}

void Latencia_adaptador::Retener(uint8_t valor, uint64_t t_us) {
  // The timer ran out while the packet was being filled: it left then.
  if (en_paquete_ > 0 && t_us >= envio_pendiente_us_) {
    ultimo_envio_us_ = envio_pendiente_us_;
    en_paquete_ = 0;
  }
  if (en_paquete_ == 0) {
    // The first tick of the timer at or after the byte (at least one latency
    // after the last packet): idle ticks in between sent empty packets.
    const uint64_t ticks =
        t_us <= ultimo_envio_us_ ? 1 : (t_us - ultimo_envio_us_ + latencia_us_ - 1) / latencia_us_;
    envio_pendiente_us_ = ultimo_envio_us_ + ticks * latencia_us_;
  }
  retenidos_.push_back(Byte_retenido{valor, envio_pendiente_us_});
  if (++en_paquete_ == kBytes_paquete) {
    // A full packet leaves at once, and the timer starts again from it.
    const size_t en_cola = std::min(en_paquete_, retenidos_.size());
    for (auto it = retenidos_.end() - static_cast<long>(en_cola); it != retenidos_.end(); ++it)
      it->entrega_us = t_us;
    ultimo_envio_us_ = t_us;
    en_paquete_ = 0;
  }
}

void Latencia_adaptador::Recoger(uint64_t t_us) {
  uint8_t bytes[256];
  size_t n;
  while ((n = dispositivo_.Tomar_salida(t_us, baudios_, bytes, sizeof bytes)) > 0) {
    for (size_t i = 0; i < n; ++i) Retener(bytes[i], t_us);
  }
}

void Latencia_adaptador::Avanzar(uint64_t t_us) {
  // Event by event, so that each byte enters the buffer at the time it is ready.
  for (;;) {
    const auto proximo = dispositivo_.Proximo_evento_us();
    if (!proximo || *proximo > t_us) break;
    dispositivo_.Avanzar(*proximo);
    const size_t antes = retenidos_.size();
    Recoger(*proximo);
    // Nothing moved (an unplugged device keeps what it had): go on at t_us.
    const auto despues = dispositivo_.Proximo_evento_us();
    if (retenidos_.size() == antes && despues && *despues <= *proximo) break;
  }
  dispositivo_.Avanzar(t_us);
  Recoger(t_us);
}

std::optional<uint64_t> Latencia_adaptador::Proximo_evento_us() const {
  std::optional<uint64_t> t = dispositivo_.Proximo_evento_us();
  if (!retenidos_.empty()) {
    const uint64_t entrega = retenidos_.front().entrega_us;
    t = t ? std::min(*t, entrega) : entrega;
  }
  return t;
}

size_t Latencia_adaptador::Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino,
                                        size_t max) {
  baudios_ = baudios;
  if (dispositivo_.Desenchufado()) return 0;
  size_t n = 0;
  while (n < max && !retenidos_.empty() && retenidos_.front().entrega_us <= hasta_us) {
    destino[n++] = retenidos_.front().valor;
    retenidos_.pop_front();
  }
  return n;
}

void Latencia_adaptador::Descartar_salida(uint64_t hasta_us) {
  while (!retenidos_.empty() && retenidos_.front().entrega_us <= hasta_us) retenidos_.pop_front();
  dispositivo_.Descartar_salida(hasta_us);
}

}  // namespace r27::sim
