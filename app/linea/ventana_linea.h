#pragma once
// The operator interface of the update on a terminal: what the window does with
// its dialogs, labels and bars, the command line does with text. It holds the
// serial port, the shared state, the two bars and the embedded firmware image as
// the window does, answers the confirmations from stdin (or --si), prints the
// wizard's texts and messages, and stands in for the disconnect watch's timer.
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/linea/textos_linea.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/temporizador.h"
#include "flash/imagenes_arranque.h"
#include "flash/subida_graficos.h"
#include "link/interfaz_ventana.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"

namespace r27 {

// Where the command line talks to the technician.
struct Terminal_linea {
  std::istream& entrada;
  std::ostream& salida;  // texts, questions, progress
  bool entrada_terminal = false;
  bool salida_terminal = false;
  // Waits for the answer to be typed: false when Ctrl-C came (the answer is no).
  // Null: the input is read at once.
  std::function<bool()> esperar_entrada;
  // True when the technician asked to end (Ctrl-C, the terminal closed) since the
  // last call: at a question that is the answer no. Null: never.
  std::function<bool()> tomar_interrupcion;
};

class Ventana_linea final : public Interfaz_ventana,
                            public Vista_asistente,
                            public Interfaz_temporizador {
 public:
  // `si` answers yes to every confirmation without asking.
  Ventana_linea(std::unique_ptr<Backend_serie> backend, Reloj& reloj, Terminal_linea terminal,
                const Idioma_linea& idioma, bool si);
  ~Ventana_linea() override;

  // Interfaz_ventana.
  Puerto_serie& Puerto() override { return *puerto_; }
  Estado_ventana& Estado() override { return estado_; }
  Reloj& Reloj_() override { return reloj_; }
  Barra& Barra_progreso() override { return barra_progreso_; }
  Barra& ProgressBar_general() override { return barra_general_; }
  void Procesar_mensajes() override;
  void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) override;
  void Mensaje(const std::string& texto) override;
  bool Confirmar(const std::string& texto) override;
  Lector_lineas* Lineas_firmware() override { return &lineas_; }
  Lector_hex* Hex_firmware() override { return hex_.get(); }
  Subida_graficos* Graficos() override { return graficos_.get(); }
  Imagenes_arranque& Arranque() override { return arranque_; }

  // Vista_asistente.
  void Mostrar_pantalla(const Pantalla& pantalla) override;
  void Fijar_linea2(const std::string& texto) override;
  void Fijar_linea3(const std::string& texto) override;
  void Mostrar_imagen(int) override {}
  void Mostrar_numeros(bool) override {}
  void Mostrar_boton(bool) override {}
  void Ocultar_progreso() override {}
  void Habilitar_menus(bool) override {}
  bool Modo_automatico() const override { return !manual; }
  void Elegir_manual() override { manual = true; }

  // The disconnect watch's timer. The command line never idles while connected,
  // so the watch never runs; a successful connect ends by switching it on, which
  // is when `al_conectar` runs.
  void Habilitar() override;
  void Deshabilitar() override { timer_habilitado_ = false; }
  bool Habilitado() const override { return timer_habilitado_; }

  // Prints a line for the technician, moving the progress line out of the way.
  void Escribir(const std::string& texto);
  // The meter is about to be written: the updating screen, held until the
  // technician agreed, is printed (once).
  void Empezar_escritura();

  // A question is waiting for its answer: a request to end is its answer, and
  // nobody else takes it.
  bool Preguntando() const { return preguntando_; }
  // A question was answered no: the run lets the meter go and ends.
  bool Rechazada() const { return rechazada_us_.has_value(); }
  // When that answer came (the clock's microseconds).
  uint64_t Rechazada_us() const { return rechazada_us_.value_or(0); }

  // Only the port `Estado().puerto` is tried (--puerto).
  bool manual = false;
  // The run was refused at a question: its end is told as a cancel, not as the
  // failed screen with code 0 (the window keeps that screen).
  bool cancelada = false;
  // The screen a search that handed no meter over ended on (not found, a
  // refusal, nothing to update): kept, not printed, for the run's end tells
  // it in the command line's own words.
  std::optional<Pantalla> pantalla_final;
  // A connect succeeded: the meter answered and its ticks were decided.
  std::function<void()> al_conectar;
  // Window messages would run now; also after every move of either bar.
  std::function<void()> al_procesar;
  // Set while the progress line shows, so other output can clear it first.
  std::function<void()> al_escribir;

 private:
  bool Leer_respuesta();

  Reloj& reloj_;
  Terminal_linea terminal_;
  const Idioma_linea& idioma_;
  const bool si_;
  Estado_ventana estado_;
  Barra barra_progreso_;
  Barra barra_general_;
  std::unique_ptr<Puerto_serie> puerto_;
  Lector_lineas lineas_;
  std::unique_ptr<Lector_hex> hex_;
  std::unique_ptr<Subida_graficos> graficos_;
  Imagenes_arranque arranque_;  // the run's loader images
  bool timer_habilitado_ = false;
  bool preguntando_ = false;
  std::optional<uint64_t> rechazada_us_;
  std::vector<std::string> actualizando_;  // the updating screen's lines, held
};

}  // namespace r27
