#pragma once
// A USB serial adapter's latency timer between a device and the computer. The
// adapter keeps what the device sends in a buffer and passes it on in a USB
// packet only when the buffer is full (62 bytes) or when its timer runs out.
// The timer restarts with every packet it sends, and an idle adapter sends an
// empty one each time it runs out, so the timer keeps ticking every `latencia`
// from the last packet: a short reply waits for the next tick, up to the whole
// latency. Bytes the computer sends pass straight through.
#include <cstdint>
#include <deque>

#include "sim/dispositivo_linea.h"

namespace r27::sim {

class Latencia_adaptador final : public Dispositivo_linea {
 public:
  // The bytes one USB packet of the adapter carries to the computer.
  static constexpr size_t kBytes_paquete = 62;

  // `dispositivo` (not owned) is behind an adapter whose timer ticks every
  // `latencia_us` from `t_inicio_us` on.
  Latencia_adaptador(Dispositivo_linea& dispositivo, uint64_t latencia_us,
                     uint64_t t_inicio_us = 0);

  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override {
    dispositivo_.Recibir(datos, n, t_us, baudios);
  }
  void Avanzar(uint64_t t_us) override;
  std::optional<uint64_t> Proximo_evento_us() const override;
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override;
  // A purge on the computer drops what the adapter has passed on, not what it holds.
  void Descartar_salida(uint64_t hasta_us) override;
  size_t Entrada_en_camino(uint64_t t_us) const override {
    return dispositivo_.Entrada_en_camino(t_us);
  }
  void Descartar_entrada_en_camino(uint64_t t_us) override {
    dispositivo_.Descartar_entrada_en_camino(t_us);
  }
  bool Desenchufado() const override { return dispositivo_.Desenchufado(); }
  void Puerto_abierto(uint64_t t_us) override { dispositivo_.Puerto_abierto(t_us); }
  void Enviar_liberacion(uint64_t t_us) override { dispositivo_.Enviar_liberacion(t_us); }
  bool Detenido() const override { return dispositivo_.Detenido(); }
  uint32_t Baudios_escucha() const override { return dispositivo_.Baudios_escucha(); }

 private:
  struct Byte_retenido {
    uint8_t valor;
    uint64_t entrega_us;  // when the adapter's packet reaches the computer
  };

  // Moves what the device has ready by `t_us` into the adapter's buffer.
  void Recoger(uint64_t t_us);
  void Retener(uint8_t valor, uint64_t t_us);

  Dispositivo_linea& dispositivo_;
  uint64_t latencia_us_;
  // The rate the computer reads at (the last one a read asked with).
  uint32_t baudios_ = 115200;
  std::deque<Byte_retenido> retenidos_;
  uint64_t ultimo_envio_us_;         // the last packet left the adapter then
  uint64_t envio_pendiente_us_ = 0;  // the packet being filled leaves then
  size_t en_paquete_ = 0;            // bytes in the packet being filled
};

}  // namespace r27::sim
