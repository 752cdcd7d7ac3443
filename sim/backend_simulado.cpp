#include "sim/backend_simulado.h"

#include <algorithm>

namespace r27::sim {

Dispositivo_linea& Backend_simulado::Conectar_propio(int numero,
                                                     std::unique_ptr<Dispositivo_linea> d) {
  propios_.push_back(std::move(d));
  puertos_[numero] = propios_.back().get();
  return *propios_.back();
}

bool Backend_simulado::Abrir(int numero, const DCB_linea& linea) {
  abierto_ = nullptr;
  aperturas_.push_back(numero);
  auto it = puertos_.find(numero);
  if (!reloj_ || it == puertos_.end() || it->second->Desenchufado()) return false;
  abierto_ = it->second;
  numero_ = numero;
  baudios_ = linea.BaudRate;
  // A port opens with empty queues: what the device sent before is not seen.
  uint64_t ahora = reloj_->Ahora_us();
  abierto_->Avanzar(ahora);
  abierto_->Descartar_salida(ahora);
  abierto_->Puerto_abierto(ahora);
  return true;
}

uint32_t Backend_simulado::Escribir(const uint8_t* datos, uint32_t n) {
  if (!abierto_ || abierto_->Desenchufado()) return 0;
  uint64_t ahora = reloj_->Ahora_us();
  size_t en_camino = abierto_->Entrada_en_camino(ahora);
  uint32_t libre = en_camino >= kCola_salida ? 0 : kCola_salida - static_cast<uint32_t>(en_camino);
  uint32_t tomados = std::min(n, libre);
  if (tomados > 0) abierto_->Recibir(datos, tomados, ahora, baudios_);
  return tomados;
}

uint32_t Backend_simulado::Leer(uint8_t* destino, uint32_t n) {
  if (!abierto_ || n == 0) return 0;
  uint64_t ahora = reloj_->Ahora_us();
  uint64_t limite = ahora + (2ull * n + 2) * 1000;
  if (abierto_->Desenchufado()) {
    reloj_->Avanzar_hasta_us(limite);
    return 0;
  }
  for (;;) {
    abierto_->Avanzar(ahora);
    size_t leidos = abierto_->Tomar_salida(ahora, baudios_, destino, n);
    if (leidos > 0) return static_cast<uint32_t>(leidos);
    auto proximo = abierto_->Proximo_evento_us();
    if (!proximo || *proximo > limite || abierto_->Desenchufado()) {
      reloj_->Avanzar_hasta_us(limite);
      abierto_->Avanzar(limite);
      return 0;
    }
    // Something happens before the time-out: go there and look again.
    ahora = std::max(ahora, *proximo);
    reloj_->Avanzar_hasta_us(ahora);
  }
}

bool Backend_simulado::Consultar_cola(Estado_cola& estado) {
  if (!abierto_) return false;
  estado.error_linea = abierto_->Desenchufado();
  uint64_t ahora = reloj_->Ahora_us();
  size_t en_camino = abierto_->Entrada_en_camino(ahora);
  if (en_camino >= kCola_salida) {
    // A full queue drains while the caller polls it: let one byte go out.
    reloj_->Avanzar_hasta_us(ahora + Tiempo_byte_us(baudios_));
    en_camino = abierto_->Entrada_en_camino(reloj_->Ahora_us());
  }
  estado.bytes_en_salida = static_cast<uint32_t>(std::min<size_t>(en_camino, kCola_salida));
  return true;
}

void Backend_simulado::Purgar(bool recepcion, bool transmision) {
  if (!abierto_) return;
  uint64_t ahora = reloj_->Ahora_us();
  if (transmision) abierto_->Descartar_entrada_en_camino(ahora);
  abierto_->Avanzar(ahora);
  if (recepcion) abierto_->Descartar_salida(ahora);
}

void Backend_simulado::Fijar_rts(bool activo) {
  if (!abierto_) return;
  if (pulsos_.size() >= 4096) pulsos_.erase(pulsos_.begin(), pulsos_.begin() + 2048);
  pulsos_.push_back(Pulso_rts{reloj_->Ahora_us(), activo});
}

std::vector<int> Backend_simulado::Numeros() const {
  std::vector<int> v;
  for (const auto& [numero, dispositivo] : puertos_) v.push_back(numero);
  return v;
}

bool Directorio_simulado::Existe(int numero) const {
  auto v = backend_.Numeros();
  return std::find(v.begin(), v.end(), numero) != v.end();
}

std::vector<std::string> Directorio_simulado::Nombres_sistema() const {
  std::vector<std::string> nombres;
  for (int n : backend_.Numeros()) nombres.push_back("COM" + std::to_string(n));
  nombres.insert(nombres.end(), extra_.begin(), extra_.end());
  return nombres;
}

std::optional<std::string> Directorio_simulado::Ruta(int numero) const {
  if (!Existe(numero)) return std::nullopt;
  return "sim:COM" + std::to_string(numero);
}

}  // namespace r27::sim
