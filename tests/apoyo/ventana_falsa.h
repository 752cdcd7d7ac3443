#pragma once
// A stand-in for the main window in tests: it records every beep, message box and
// confirmation question, counts the "let window messages run" calls and answers
// confirmations from a queue. Time is a Reloj_virtual unless the caller hands in
// its own clocks (a benchmark runs on the system clock); the port runs over a
// backend that does nothing unless the caller hands in its own.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flash/imagenes_arranque.h"
#include "link/interfaz_ventana.h"

namespace r27::pruebas {

// A backend with no port behind it: opening fails, nothing is read or written.
class Backend_inerte : public Backend_serie {
 public:
  bool Abrir(int, const DCB_linea&) override { return false; }
  void Cerrar() override {}
  bool Esta_abierto() const override { return false; }
  uint32_t Escribir(const uint8_t*, uint32_t) override { return 0; }
  uint32_t Leer(uint8_t*, uint32_t) override { return 0; }
  bool Consultar_cola(Estado_cola&) override { return false; }
  void Purgar(bool, bool) override {}
  void Fijar_rts(bool) override {}
};

struct Pitido_registrado {
  unsigned frecuencia_hz;
  unsigned duracion_ms;
  bool operator==(const Pitido_registrado&) const = default;
};

class Ventana_falsa : public Interfaz_ventana {
 public:
  // `nombre_mutex` names the port's machine-wide lock (a run that must not share
  // it with other processes hands in its own).
  explicit Ventana_falsa(
      std::unique_ptr<Backend_serie> backend = std::make_unique<Backend_inerte>(),
      const std::string& nombre_mutex = "Mutex_Puerto");
  // On the caller's clocks: the window's waits on `reloj_ventana`, the port's own
  // on `reloj_puerto` (the member `reloj` then goes unused).
  Ventana_falsa(std::unique_ptr<Backend_serie> backend, Reloj& reloj_ventana, Reloj& reloj_puerto,
                const std::string& nombre_mutex = "Mutex_Puerto");
  ~Ventana_falsa() override;

  Puerto_serie& Puerto() override { return *puerto_; }
  Estado_ventana& Estado() override { return estado; }
  Reloj& Reloj_() override { return *reloj_; }
  Barra& Barra_progreso() override { return barra_progreso; }
  Barra& ProgressBar_general() override { return barra_general; }

  void Procesar_mensajes() override;
  void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) override;
  void Mensaje(const std::string& texto) override;
  // Answers from `respuestas`, front first; `sin_respuestas` when it is empty.
  bool Confirmar(const std::string& texto) override;

  Lector_lineas* Lineas_firmware() override { return lineas; }
  Lector_hex* Hex_firmware() override { return hex; }
  Subida_graficos* Graficos() override { return graficos; }
  Imagenes_arranque& Arranque() override { return arranque; }

  // True when exactly one failure beep (1000 Hz, 500 ms) was given.
  bool Un_pitido_de_fallo() const;

  Estado_ventana estado;
  Reloj_virtual reloj;
  Barra barra_progreso;
  Barra barra_general;

  int mensajes_procesados = 0;
  std::function<void()> al_procesar_mensajes;  // runs on every Procesar_mensajes
  std::vector<Pitido_registrado> pitidos;
  std::vector<std::string> mensajes;
  std::function<void(const std::string&)> al_mensaje;  // runs on every Mensaje
  std::vector<std::string> preguntas;
  // Runs while a question is open, as a message box runs window messages.
  std::function<void()> al_preguntar;
  std::deque<bool> respuestas;
  bool sin_respuestas = false;  // Cancel

  Lector_lineas* lineas = nullptr;
  Lector_hex* hex = nullptr;
  Subida_graficos* graficos = nullptr;
  Imagenes_arranque arranque;  // this fake window's session

 private:
  Reloj* reloj_ = &reloj;
  std::unique_ptr<Puerto_serie> puerto_;
};

}  // namespace r27::pruebas
