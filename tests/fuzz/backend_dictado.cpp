#include "tests/fuzz/backend_dictado.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace r27::fuzz {

namespace {

constexpr uint64_t kMs = 1000;
constexpr uint64_t kS = 1'000'000;
constexpr uint32_t kCola_salida = 2048;
// Empty reads in a row before a silence is walked in longer steps, reads per
// doubling, and the longest step.
constexpr uint32_t kLecturas_antes_de_alargar = 2;
constexpr uint32_t kLecturas_por_doble = 1;
constexpr uint64_t kPaso_maximo_us = 1 * kS;
// A repeated answer serves at most 4,096 writes.
constexpr uint32_t kMascara_repeticiones = 0x0FFF;

}  // namespace

void Backend_dictado::Fijar_lugar(const char* lugar) {
  lugar_ = lugar;
  ultimo_avance_us_ = Ahora();
  operaciones_desde_avance_ = 0;
}

void Backend_dictado::Vigilar() {
  const uint64_t silencio = Ahora() - ultimo_avance_us_;
  maximo_silencio_us_ = std::max(maximo_silencio_us_, silencio);
  if (silencio > kMaximo_silencio_us) Atascado("virtual time without a byte from the meter");
  if (operaciones_desde_avance_ > kMaximo_operaciones_silencio)
    Atascado("port operations without a byte from the meter");
}

void Backend_dictado::Atascado(const char* motivo) {
  std::fprintf(stderr,
               "fuzz_medidor: the updater does not end in \"%s\": %s (%.1f s virtual, %llu "
               "operations since the last byte; input %s); last write:",
               lugar_, motivo, static_cast<double>(Ahora() - ultimo_avance_us_) / kS,
               static_cast<unsigned long long>(operaciones_desde_avance_),
               Entrada_agotada() ? "exhausted" : "not exhausted");
  const uint32_t mostrar = std::min<uint32_t>(longitud_ultima_escritura_, ultima_escritura_.size());
  for (uint32_t i = 0; i < mostrar; ++i) std::fprintf(stderr, " %02X", ultima_escritura_[i]);
  if (longitud_ultima_escritura_ > mostrar)
    std::fprintf(stderr, " ... (%u bytes)", longitud_ultima_escritura_);
  std::fprintf(stderr, "\n");
  std::abort();
}

void Backend_dictado::Contar() {
  ++operaciones_;
  ++operaciones_desde_avance_;
  Vigilar();
}

uint8_t Backend_dictado::Siguiente() { return pos_ < entrada_.size() ? entrada_[pos_++] : 0; }

bool Backend_dictado::Leer_respuesta(Respuesta_dictada& r) {
  if (pos_ >= entrada_.size()) return false;
  r.cabecera = Siguiente() & 0x7F;
  const uint8_t t = r.cabecera >> 4;
  size_t longitud = r.cabecera & 0x0F;
  r.d = t == 0 ? 0 : Siguiente();
  if (t == 7) longitud = r.d;
  longitud = std::min(longitud, entrada_.size() - pos_);
  r.bytes = entrada_.subspan(pos_, longitud);
  pos_ += longitud;
  return true;
}

void Backend_dictado::Encolar(const Respuesta_dictada& r) {
  const uint64_t ahora = Ahora();
  const uint64_t d = r.d;
  uint64_t inicio = ahora;
  uint64_t espaciado = 0;
  switch (r.cabecera >> 4) {
    case 1:
      inicio += d * kMs;
      break;
    case 2:
      inicio += d * 20 * kMs;
      break;
    case 3:
      inicio += d * kS;
      break;
    case 4:
      inicio += d * 8 * kS;
      break;
    case 5:
      espaciado = d * 10 * kMs;
      break;
    case 6:
      espaciado = d * 250 * kMs;
      break;
    default:
      break;
  }
  for (size_t i = 0; i < r.bytes.size(); ++i) {
    uint64_t t = inicio + espaciado * (i + 1);
    // Bytes on a line never overtake one another.
    if (!llegadas_.empty()) t = std::max(t, llegadas_.back().instante_us);
    llegadas_.push_back({t, r.bytes[i]});
  }
}

bool Backend_dictado::Abrir(int, const DCB_linea&) {
  Contar();
  if (sin_linea_ && Ahora() < desenchufado_hasta_us_) {
    abierto_ = false;
    return false;
  }
  sin_linea_ = colgado_ = false;
  abierto_ = true;
  return true;
}

uint32_t Backend_dictado::Escribir(const uint8_t* datos, uint32_t n) {
  Contar();
  if (!abierto_ || sin_linea_ || n == 0) return 0;
  longitud_ultima_escritura_ = n;
  std::copy_n(datos, std::min<size_t>(n, ultima_escritura_.size()), ultima_escritura_.begin());

  if (repeticiones_ > 0) {
    --repeticiones_;
    Repetir();
    return n;
  }
  if (pos_ >= entrada_.size()) return n;  // a silent meter takes everything
  const uint8_t h = entrada_[pos_];
  if (h < 0x80) {
    Respuesta_dictada r;
    Leer_respuesta(r);
    Encolar(r);
    return n;
  }
  ++pos_;
  if (h < 0xC0) {
    const uint32_t veces = (((uint32_t{h} & 0x3F) << 8 | Siguiente()) & kMascara_repeticiones) + 1;
    if (!Leer_respuesta(plantilla_)) return n;
    // Every byte the meter sends sets the updater some work, so the repeats of a
    // run share one budget of bytes: long answers repeat fewer times, and once the
    // budget is spent a repeat piece answers its own write only.
    const uint32_t quedan = kMaximo_bytes_repetidos - bytes_repetidos_;
    repeticiones_ = std::min(veces, std::max<uint32_t>(1, quedan / Coste_plantilla())) - 1;
    Repetir();
    return n;
  }
  if (h < 0xE0) return std::min<uint32_t>(h & 0x1F, n - 1);
  if (h < 0xF0) {
    desenchufado_hasta_us_ = Ahora() + (h & 0x07) * 4 * kS;
    sin_linea_ = true;
    colgado_ = (h & 0x08) != 0;
    llegadas_.clear();
    return 0;
  }
  cola_llena_hasta_us_ = Ahora() + (h & 0x0F) * 500 * kMs;
  return n;
}

uint32_t Backend_dictado::Coste_plantilla() const {
  return std::max<uint32_t>(1, static_cast<uint32_t>(plantilla_.bytes.size()));
}

void Backend_dictado::Repetir() {
  bytes_repetidos_ = std::min(kMaximo_bytes_repetidos, bytes_repetidos_ + Coste_plantilla());
  Encolar(plantilla_);
}

uint32_t Backend_dictado::Tomar(uint8_t* destino, uint32_t n) {
  const uint64_t ahora = Ahora();
  uint32_t leidos = 0;
  while (leidos < n && !llegadas_.empty() && llegadas_.front().instante_us <= ahora) {
    destino[leidos++] = llegadas_.front().byte;
    llegadas_.pop_front();
  }
  if (leidos > 0) {
    lecturas_vacias_ = 0;
    ultimo_avance_us_ = ahora;
    operaciones_desde_avance_ = 0;
  }
  return leidos;
}

uint32_t Backend_dictado::Leer(uint8_t* destino, uint32_t n) {
  Contar();
  if (!abierto_ || n == 0) return 0;
  uint64_t espera = (2ull * n + 2) * kMs;  // the port's read time-out
  // An unplugged line delivers nothing; its reads time out as a silent one's do.
  if (!sin_linea_) {
    if (const uint32_t leidos = Tomar(destino, n)) return leidos;
  }
  if (lecturas_vacias_ >= kLecturas_antes_de_alargar) {
    const uint32_t dobles = std::min<uint32_t>(
        (lecturas_vacias_ - kLecturas_antes_de_alargar) / kLecturas_por_doble + 1, 20);
    espera = std::min(espera << dobles, kPaso_maximo_us);
  }
  const uint64_t ahora = Ahora();
  if (!sin_linea_ && !llegadas_.empty() && llegadas_.front().instante_us <= ahora + espera) {
    reloj_->Avanzar_hasta_us(llegadas_.front().instante_us);  // returns as soon as a byte comes
    return Tomar(destino, n);
  }
  reloj_->Avanzar_us(espera);
  ++lecturas_vacias_;
  return 0;
}

bool Backend_dictado::Sin_entrada() {
  Contar();
  return !abierto_ || sin_linea_ || llegadas_.empty() || llegadas_.front().instante_us > Ahora();
}

uint32_t Backend_dictado::Leer_disponible(uint8_t* destino, uint32_t n) {
  Contar();
  if (!abierto_ || sin_linea_) return 0;
  return Tomar(destino, n);
}

bool Backend_dictado::Consultar_cola(Estado_cola& estado) {
  Contar();
  if (!abierto_) return false;
  estado = {};
  estado.error_linea = sin_linea_;
  const uint64_t ahora = Ahora();
  if (ahora >= cola_llena_hasta_us_) {
    consultas_llena_ = 0;
    return true;
  }
  estado.bytes_en_salida = kCola_salida;
  // The writer polls a full queue every millisecond; a long stall is walked in
  // growing steps, as empty reads are, and ends when the queue empties.
  if (++consultas_llena_ > kLecturas_antes_de_alargar) {
    const uint32_t dobles = std::min<uint32_t>(
        (consultas_llena_ - kLecturas_antes_de_alargar) / kLecturas_por_doble + 1, 20);
    const uint64_t paso = std::min<uint64_t>(uint64_t{kMs} << dobles, kPaso_maximo_us);
    reloj_->Avanzar_hasta_us(std::min(ahora + paso, cola_llena_hasta_us_));
  }
  return true;
}

void Backend_dictado::Purgar(bool recepcion, bool) {
  Contar();
  if (!recepcion) return;
  const uint64_t ahora = Ahora();
  while (!llegadas_.empty() && llegadas_.front().instante_us <= ahora) llegadas_.pop_front();
}

}  // namespace r27::fuzz
