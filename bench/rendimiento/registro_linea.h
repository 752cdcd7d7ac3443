#pragma once
// What crossed the line during a measured run, as a transcript the reference
// client replays: every write and every non-empty read with its time, the
// window clock's pauses, the port's openings (with their rate) and purges, and
// named marks where the bench wants the time, the process's CPU time and its
// peak memory. The transcript goes to a file as it is made, so it does not count
// against the updater's memory.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/flash/cliente_referencia.h"
#include "link/backend_serie.h"
#include "link/reloj.h"

namespace r27::banco {

// Seconds of the monotonic clock.
double Segundos_pared();
// User plus system CPU time of the whole process, and its peak resident memory.
double Segundos_cpu_proceso();
long Pico_memoria_kb();
// Seconds one byte takes on the line at `baudios` (11 bits: start, 8 data, 2 stop).
double Segundos_byte(uint32_t baudios);

struct Marca {
  std::string nombre;
  double t = 0;
  double cpu_s = 0;
  long pico_kb = 0;
};

class Registro_linea {
 public:
  // Writes the transcript to `ruta` (created or emptied).
  explicit Registro_linea(const std::string& ruta);
  ~Registro_linea();
  Registro_linea(const Registro_linea&) = delete;
  Registro_linea& operator=(const Registro_linea&) = delete;
  bool Abierto() const { return fichero_ != nullptr; }

  void Escritura(const uint8_t* datos, uint32_t n);
  void Lectura(const uint8_t* datos, uint32_t n);
  void Pausa(uint32_t ms);
  void Apertura(uint32_t baudios);
  void Purga();
  // A named point: its time, the CPU time and the peak memory so far.
  void Marcar(const std::string& nombre);

  const std::vector<Marca>& Marcas() const { return marcas_; }
  // Index of the mark `nombre`, or -1.
  int Indice_marca(const std::string& nombre) const;
  // The whole transcript so far, read back from the file.
  std::vector<Suceso_linea> Leer();

  // Bytes each way and the time they take on the line at the rate they crossed
  // it (the port's rate when they were written or read).
  uint64_t escritos = 0, leidos = 0;
  double cable_s = 0;
  uint32_t baudios = 115'200;

  // Exchanges (a write, then the first read that brings bytes) by the number of
  // reads that came back empty in between, with their summed time.
  static constexpr int kMaximo_vacias = 8;
  uint64_t intercambios[kMaximo_vacias + 1] = {};
  double tiempo_intercambios[kMaximo_vacias + 1] = {};
  void Lectura_vacia() { ++vacias_; }

 private:
  int vacias_ = 0;
  double ultima_escritura_ = -1;
  void Poner(Tipo_suceso tipo, uint32_t valor, const uint8_t* bytes, uint32_t n);

  std::string ruta_;
  std::FILE* fichero_ = nullptr;
  std::vector<Marca> marcas_;
};

// The system backend with every exchange written to the transcript. The bench
// sees each write first (to set marks or stop a run), then the write goes out.
class Backend_registrado final : public Backend_serie {
 public:
  Backend_registrado(std::unique_ptr<Backend_serie> b, Registro_linea& registro)
      : b_(std::move(b)), registro_(registro) {}
  std::function<void(std::span<const uint8_t>)> antes_de_escribir;

  bool Abrir(int numero, const DCB_linea& linea) override;
  void Cerrar() override { b_->Cerrar(); }
  bool Esta_abierto() const override { return b_->Esta_abierto(); }
  bool Desaparecido() const override { return b_->Desaparecido(); }
  uint32_t Escribir(const uint8_t* datos, uint32_t n) override;
  uint32_t Leer(uint8_t* destino, uint32_t n) override;
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n) override;
  bool Esperar_entrada(uint32_t n) override {
    const bool llego = b_->Esperar_entrada(n);
    if (!llego) registro_.Lectura_vacia();  // a read time-out passed with nothing
    return llego;
  }
  bool Sin_entrada() override { return b_->Sin_entrada(); }
  bool Consultar_cola(Estado_cola& estado) override { return b_->Consultar_cola(estado); }
  void Purgar(bool recepcion, bool transmision) override;
  void Fijar_rts(bool activo) override { b_->Fijar_rts(activo); }
  Fallo_apertura Ultimo_fallo_apertura() const override { return b_->Ultimo_fallo_apertura(); }

 private:
  std::unique_ptr<Backend_serie> b_;
  Registro_linea& registro_;
};

// The system clock of the window; its pauses (the ones the protocol prescribes)
// go to the transcript.
class Reloj_registrado final : public Reloj {
 public:
  explicit Reloj_registrado(Registro_linea& registro) : registro_(registro) {}
  int64_t Segundos() override { return sistema_.Segundos(); }
  uint32_t Ticks_ms() override { return sistema_.Ticks_ms(); }
  uint64_t Micros() override { return sistema_.Micros(); }
  void Dormir_ms(uint32_t ms) override {
    registro_.Pausa(ms);
    sistema_.Dormir_ms(ms);
  }

 private:
  Reloj_sistema sistema_;
  Registro_linea& registro_;
};

}  // namespace r27::banco
