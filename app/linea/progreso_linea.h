#pragma once
// The update's progress on the command line. On a terminal: one line that
// rewrites itself with the step, the percent of the overall budget and the time
// left. Otherwise (a log, a pipe): one line every few seconds.
//
// Time left: the overall bar counts seconds of expected duration, but the real
// line may run faster or slower than the budget assumed. So the rate is measured
// in the current step (budget units gained per second since the step began) and
// the remaining budget is divided by it. Early in a step, when less than
// kMedida_minima_s has passed or the bar has not moved yet, there is nothing to
// measure and the remaining budget itself (in seconds) is the estimate.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace r27 {

inline constexpr uint64_t kMedida_minima_us = 3'000'000;
// A terminal line is redrawn at most this often (and at each step change).
inline constexpr uint64_t kRedibujo_terminal_us = 250'000;
// Without a terminal, a line this often.
inline constexpr uint64_t kIntervalo_sin_terminal_us = 5'000'000;

// Seconds left, from the rate measured since the current step began at
// `posicion_inicio` / `inicio_us`.
int64_t Estimar_restante_s(int posicion_inicio, uint64_t inicio_us, int posicion, uint64_t ahora_us,
                           int maximo);

// "4:05" (minutes:seconds), "1:02:03" past an hour.
std::string Texto_duracion(int64_t segundos);

class Progreso_linea {
 public:
  Progreso_linea(std::ostream& salida, bool terminal) : salida_(salida), terminal_(terminal) {}
  // The line is handed to `destino` instead of drawn, as often as a terminal's
  // would be: several meters' lines are drawn together by their owner.
  Progreso_linea(std::ostream& salida, std::function<void(const std::string&)> destino)
      : salida_(salida), terminal_(true), destino_(std::move(destino)) {}

  // A step began: its name, "k/n", and where the overall bar stood.
  void Empezar_paso(const std::string& nombre, int k, int n, int posicion, int maximo,
                    uint64_t ahora_us);
  // A phase outside the steps (the check after writing): its name and the time
  // it has taken so far.
  void Empezar_fase(const std::string& nombre, uint64_t ahora_us);
  // The bars moved or time passed: redraws when it is due.
  void Avance(int posicion, int maximo, uint64_t ahora_us);
  // Other output follows: the terminal line is cleared first (and redrawn by the
  // next Avance).
  void Apartar();
  // The run is over: the last terminal line stays, and output goes on below it.
  void Terminar();
  bool Activo() const { return activo_; }

 private:
  std::string Linea(int posicion, int maximo, uint64_t ahora_us) const;
  void Dibujar(int posicion, int maximo, uint64_t ahora_us);

  int ultimo_maximo_ = 0;
  std::ostream& salida_;
  const bool terminal_;
  std::function<void(const std::string&)> destino_;
  bool activo_ = false;
  bool en_pantalla_ = false;  // a terminal line is showing
  std::string paso_;
  int k_ = 0;  // 0 in a phase outside the steps
  int n_ = 0;
  int posicion_inicio_ = 0;
  uint64_t inicio_us_ = 0;
  uint64_t ultimo_dibujo_us_ = 0;
  bool dibujado_ = false;
};

}  // namespace r27
