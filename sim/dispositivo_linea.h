#pragma once
// Something at the far end of a simulated serial line. It is event-driven on a
// microsecond timeline: it is handed the bytes it receives with their arrival
// time and the rate they were sent at, and it offers the bytes it sends, each
// stamped with the time it is ready. It never sleeps; a transport (the in-process
// backend or the pseudo-terminal server) moves it along with Avanzar.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "sim/linea_simulada.h"

namespace r27::sim {

class Dispositivo_linea {
 public:
  virtual ~Dispositivo_linea() = default;
  // Bytes sent by the computer at `t_us` at `baudios`. When the device paces the
  // line they arrive one byte-time apart from then on.
  virtual void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) = 0;
  // Handles everything that happens up to `t_us`.
  virtual void Avanzar(uint64_t t_us) = 0;
  // The earliest time something happens: a byte arrives or gets handled, an
  // answer is ready, a timer runs out. nullopt: nothing ever happens by itself.
  virtual std::optional<uint64_t> Proximo_evento_us() const = 0;
  // Moves up to `max` bytes ready by `hasta_us` to `destino`, as a receiver set to
  // `baudios` reads them. Call Avanzar(hasta_us) first.
  virtual size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino,
                              size_t max) = 0;
  // Drops the bytes ready by `hasta_us` (the computer purged its input).
  virtual void Descartar_salida(uint64_t hasta_us) = 0;
  // Bytes from the computer still on their way at `t_us` (the transmit queue).
  virtual size_t Entrada_en_camino(uint64_t /*t_us*/) const { return 0; }
  // The computer purged its transmit queue: bytes not yet arrived never arrive.
  virtual void Descartar_entrada_en_camino(uint64_t /*t_us*/) {}
  // The device has vanished from the computer (unplugged).
  virtual bool Desenchufado() const { return false; }
  // The computer opened the port at `t_us` (told by the in-process backend; a
  // pseudo-terminal cannot tell).
  virtual void Puerto_abierto(uint64_t /*t_us*/) {}
  // The device asks to be let go (a meter sends 0x0A); one that cannot ignores it.
  virtual void Enviar_liberacion(uint64_t /*t_us*/) {}
  // The device has stopped for good and will answer nothing more (a replayed
  // trace the computer departed from).
  virtual bool Detenido() const { return false; }
  // The rate the device listens at now; 0 when it takes bytes at any rate.
  virtual uint32_t Baudios_escucha() const { return 0; }
};

// Queue of stamped output bytes, shared by the devices.
struct Byte_saliente {
  uint8_t valor;
  uint64_t listo_us;
  uint32_t baudios;
};

class Cola_salida {
 public:
  // Inserts keeping the ready times in order (equal times keep their order).
  void Poner(uint8_t valor, uint64_t listo_us, uint32_t baudios);
  size_t Tomar(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max);
  void Descartar(uint64_t hasta_us);
  void Vaciar() { cola_.clear(); }
  std::optional<uint64_t> Primero_us() const;
  uint64_t Ultimo_us() const { return cola_.empty() ? 0 : cola_.back().listo_us; }
  size_t Tamano() const { return cola_.size(); }

 private:
  std::deque<Byte_saliente> cola_;
};

// A device that takes every byte and never answers.
class Dispositivo_mudo final : public Dispositivo_linea {
 public:
  void Recibir(const uint8_t*, size_t, uint64_t, uint32_t) override {}
  void Avanzar(uint64_t) override {}
  std::optional<uint64_t> Proximo_evento_us() const override { return std::nullopt; }
  size_t Tomar_salida(uint64_t, uint32_t, uint8_t*, size_t) override { return 0; }
  void Descartar_salida(uint64_t) override {}
};

// A device that answers every byte it receives with one byte of noise, never one
// of the meter's probe answers (0x5D, 0xD5, 0x6D).
class Dispositivo_basura final : public Dispositivo_linea {
 public:
  explicit Dispositivo_basura(uint64_t semilla = 7) : generador_(semilla) {}
  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override;
  void Avanzar(uint64_t) override {}
  std::optional<uint64_t> Proximo_evento_us() const override { return salida_.Primero_us(); }
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override {
    return salida_.Tomar(hasta_us, baudios, destino, max);
  }
  void Descartar_salida(uint64_t hasta_us) override { salida_.Descartar(hasta_us); }

 private:
  Generador generador_;
  Cola_salida salida_;
};

}  // namespace r27::sim
