// The progress line and its time-left estimate.
#include "app/linea/progreso_linea.h"

#include <cstdio>

#include "app/nucleo/idiomas.h"

namespace r27 {

namespace {

constexpr const char* kBorrar_linea = "\r\033[K";

}  // namespace

int64_t Estimar_restante_s(uint64_t transcurrido_us, int posicion, int maximo) {
  if (maximo <= 0 || posicion >= maximo) return 0;
  const double resto = static_cast<double>(maximo - (posicion > 0 ? posicion : 0));
  const double gastado = static_cast<double>(transcurrido_us) / 1e6;
  // The budget left at the rate (time spent + budget left) / whole budget.
  const double segundos = resto * (gastado + resto) / static_cast<double>(maximo);
  return static_cast<int64_t>(segundos + 0.5);
}

std::string Texto_duracion(int64_t segundos) {
  if (segundos < 0) segundos = 0;
  char texto[32];
  if (segundos >= 3600) {
    std::snprintf(
        texto, sizeof texto, "%lld:%02lld:%02lld", static_cast<long long>(segundos / 3600),
        static_cast<long long>(segundos / 60 % 60), static_cast<long long>(segundos % 60));
  } else {
    std::snprintf(texto, sizeof texto, "%lld:%02lld", static_cast<long long>(segundos / 60),
                  static_cast<long long>(segundos % 60));
  }
  return texto;
}

void Progreso_linea::Empezar_paso(const std::string& nombre, int k, int n, int posicion, int maximo,
                                  uint64_t ahora_us) {
  activo_ = true;
  paso_ = nombre;
  k_ = k;
  n_ = n;
  inicio_us_ = ahora_us;
  if (!inicio_run_us_) inicio_run_us_ = ahora_us;
  // The new step shows at once.
  Dibujar(posicion, maximo, ahora_us);
}

void Progreso_linea::Empezar_fase(const std::string& nombre, uint64_t ahora_us) {
  activo_ = true;
  paso_ = nombre;
  k_ = n_ = 0;
  inicio_us_ = ahora_us;
  Dibujar(ultimo_maximo_, ultimo_maximo_, ahora_us);
}

void Progreso_linea::Avance(int posicion, int maximo, uint64_t ahora_us) {
  if (!activo_) return;
  const uint64_t intervalo = terminal_ ? kRedibujo_terminal_us : kIntervalo_sin_terminal_us;
  // A terminal line that other output cleared comes back at once.
  const bool borrada = terminal_ && !en_pantalla_;
  if (dibujado_ && !borrada && ahora_us - ultimo_dibujo_us_ < intervalo) return;
  Dibujar(posicion, maximo, ahora_us);
}

std::string Progreso_linea::Linea(int posicion, int maximo, uint64_t ahora_us) const {
  if (k_ == 0)
    return paso_ + "  " + Texto_duracion(static_cast<int64_t>((ahora_us - inicio_us_) / 1'000'000));
  const int por_ciento = maximo > 0 ? static_cast<int>(int64_t{posicion} * 100 / maximo) : 0;
  const uint64_t desde = inicio_run_us_.value_or(ahora_us);
  const int64_t resto =
      Estimar_restante_s(ahora_us > desde ? ahora_us - desde : 0, posicion, maximo);
  char cabecera[32];
  std::snprintf(cabecera, sizeof cabecera, "[%d/%d] ", k_, n_);
  char cifras[16];
  std::snprintf(cifras, sizeof cifras, "  %3d%%  ", por_ciento);
  return cabecera + paso_ + cifras + Rellenar(tiempo_restante_, {Texto_duracion(resto)});
}

void Progreso_linea::Dibujar(int posicion, int maximo, uint64_t ahora_us) {
  ultimo_maximo_ = maximo;
  ultimo_dibujo_us_ = ahora_us;
  dibujado_ = true;
  const std::string linea = Linea(posicion, maximo, ahora_us);
  if (destino_) {
    destino_(linea);
    en_pantalla_ = true;  // redrawn at the terminal's pace, never cleared here
    return;
  }
  if (terminal_) {
    salida_ << kBorrar_linea << linea;
    en_pantalla_ = true;
  } else {
    salida_ << linea << '\n';
  }
  salida_.flush();
}

void Progreso_linea::Apartar() {
  if (!terminal_ || !en_pantalla_ || destino_) return;
  salida_ << kBorrar_linea;
  salida_.flush();
  en_pantalla_ = false;
}

void Progreso_linea::Terminar() {
  // The last state stays on the terminal; the outcome follows on its own line.
  if (terminal_ && en_pantalla_ && !destino_) {
    salida_ << '\n';
    salida_.flush();
  }
  en_pantalla_ = false;
  activo_ = false;
}

}  // namespace r27
