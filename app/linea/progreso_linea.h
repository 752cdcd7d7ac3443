#pragma once
// The update's progress on the command line. On a terminal: one line that
// rewrites itself with the step, the percent of the overall budget and the time
// left. Otherwise (a log, a pipe): one line every few seconds.
//
// Time left: the overall bar counts seconds of expected duration (the budgets),
// but the line and the meter may run faster or slower than the budgets assumed,
// and not evenly: a transfer may run at a tenth of its budget while the meter's
// own work (the burn, the module's update) takes most of its share. So the
// estimate looks at the whole run so far, never at the current step alone, and
// lets the budgets still ahead weigh as much as they are long:
//
//   rate = (time spent + budget left) / whole budget     (seconds per budget second)
//   time left = budget left * rate
//
// At the start it is the budget itself; as the run goes on the measured time
// takes the budgets' place. The budget left only shrinks (the bar never runs
// backwards, a step's own progress moves it within its share), so the estimate
// never jumps back up at a step's start, and while the bar stands still (the
// burn, a restart) it rises by at most (budget left / whole budget) seconds per
// second, less than the time that passes.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

namespace r27 {

// A terminal line is redrawn at most this often (and at each step change).
inline constexpr uint64_t kRedibujo_terminal_us = 250'000;
// Without a terminal, a line this often.
inline constexpr uint64_t kIntervalo_sin_terminal_us = 5'000'000;

// Seconds left, `transcurrido_us` after the first step began, with the overall
// bar at `posicion` of `maximo`.
int64_t Estimar_restante_s(uint64_t transcurrido_us, int posicion, int maximo);

// "4:05" (minutes:seconds), "1:02:03" past an hour.
std::string Texto_duracion(int64_t segundos);

class Progreso_linea {
 public:
  // `tiempo_restante`: the words around the time left, {1} where it goes.
  Progreso_linea(std::ostream& salida, bool terminal, std::string tiempo_restante = "time left {1}")
      : salida_(salida), terminal_(terminal), tiempo_restante_(std::move(tiempo_restante)) {}
  // The line is handed to `destino` instead of drawn, as often as a terminal's
  // would be: several meters' lines are drawn together by their owner.
  Progreso_linea(std::ostream& salida, std::function<void(const std::string&)> destino,
                 std::string tiempo_restante = "time left {1}")
      : salida_(salida),
        terminal_(true),
        tiempo_restante_(std::move(tiempo_restante)),
        destino_(std::move(destino)) {}

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
  const std::string tiempo_restante_;
  std::function<void(const std::string&)> destino_;
  bool activo_ = false;
  bool en_pantalla_ = false;  // a terminal line is showing
  std::string paso_;
  int k_ = 0;  // 0 in a phase outside the steps
  int n_ = 0;
  uint64_t inicio_us_ = 0;                 // the current step or phase began
  std::optional<uint64_t> inicio_run_us_;  // the first step began
  uint64_t ultimo_dibujo_us_ = 0;
  bool dibujado_ = false;
};

}  // namespace r27
