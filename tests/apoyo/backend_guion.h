#pragma once
// A serial backend that plays a transcript: the writes the code under test must
// make, in order, and the meter's canned answers with their delays. It runs on a
// Reloj_virtual: a read that finds nothing costs its read time-out (2n+2 ms of
// virtual time), a read that waits for an answer due within that time-out
// returns when it comes, so time-outs pass without real time.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/backend_serie.h"
#include "link/reloj.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

using Bytes = std::vector<uint8_t>;

class Backend_guion final : public Backend_serie {
 public:
  Backend_guion() = default;
  void Usar_reloj(Reloj_virtual& reloj) { reloj_ = &reloj; }

  // Transcript steps, in order. Esperar: the next bytes written must be these.
  // Responder: once every earlier step is done, these bytes arrive `retraso_ms`
  // later (all at once).
  Backend_guion& Esperar(Bytes escritura);
  Backend_guion& Responder(Bytes bytes, uint32_t retraso_ms = 0);
  // Both: expect a write, answer it.
  Backend_guion& Intercambio(Bytes escritura, Bytes respuesta, uint32_t retraso_ms = 0) {
    return Esperar(std::move(escritura)).Responder(std::move(respuesta), retraso_ms);
  }

  // Writes made after the transcript is done go here (one call per write) when
  // set; the returned bytes arrive `retraso_respuesta_ms` later. Without it,
  // such writes are faults unless aceptar_sobrantes is set.
  std::function<Bytes(std::span<const uint8_t>)> al_escribir;
  uint32_t retraso_respuesta_ms = 0;
  bool aceptar_sobrantes = false;

  // Every step played and no write went wrong.
  bool Cumplido() const { return fallo_.empty() && paso_ == pasos_.size(); }
  // The first fault met ("" when none), with where it happened.
  const std::string& Fallo() const { return fallo_; }
  std::string Resumen() const;

  struct Escritura {
    uint64_t instante_us;
    Bytes bytes;
  };
  const std::vector<Escritura>& Escrituras() const { return escrituras_; }
  Bytes Escrito() const;                               // every byte written, in order
  size_t Veces_escrito(const Bytes& secuencia) const;  // non-overlapping occurrences
  int purgas = 0;
  bool abierto = false;
  bool se_puede_abrir = true;
  // The driver's queue query fails: every write fails at once on an open port.
  bool cola_rota = false;

  // Backend_serie.
  bool Abrir(int numero, const DCB_linea& linea) override;
  void Cerrar() override { abierto = false; }
  bool Esta_abierto() const override { return abierto; }
  uint32_t Escribir(const uint8_t* datos, uint32_t n) override;
  uint32_t Leer(uint8_t* destino, uint32_t n) override;
  // What has arrived by now; takes no virtual time.
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n) override;
  bool Consultar_cola(Estado_cola& estado) override {
    estado = {};
    return !cola_rota;
  }
  void Purgar(bool recepcion, bool transmision) override;
  void Fijar_rts(bool) override {}

 private:
  struct Paso {
    bool es_escritura;
    Bytes bytes;
    uint32_t retraso_ms;
  };
  struct Llegada {
    uint64_t instante_us;
    uint8_t byte;
  };
  uint64_t Ahora() const { return reloj_ ? reloj_->Ahora_us() : 0; }
  void Encolar(const Bytes& bytes, uint32_t retraso_ms);
  void Soltar_respuestas();  // schedules the answers that are now due to start

  Reloj_virtual* reloj_ = nullptr;
  std::vector<Paso> pasos_;
  size_t paso_ = 0;
  size_t posicion_ = 0;  // bytes of the current Esperar step matched so far
  std::string fallo_;
  std::deque<Llegada> entrada_;
  std::vector<Escritura> escrituras_;
};

// A fake main window whose port plays a transcript, opened as COM1.
struct Ventana_con_guion {
  Ventana_con_guion();
  Backend_guion* guion;  // owned by the window's port
  std::unique_ptr<Ventana_falsa> ventana_;
  Ventana_falsa& v;
};

}  // namespace r27::pruebas
