#include "tests/apoyo/backend_guion.h"

#include <algorithm>
#include <cstdio>

namespace r27::pruebas {

namespace {

std::string Hex(const Bytes& b, size_t maximo = 24) {
  std::string s;
  char t[4];
  for (size_t i = 0; i < b.size() && i < maximo; ++i) {
    std::snprintf(t, sizeof t, "%02X ", b[i]);
    s += t;
  }
  if (b.size() > maximo) s += "... (" + std::to_string(b.size()) + " bytes)";
  return s;
}

}  // namespace

Backend_guion& Backend_guion::Esperar(Bytes escritura) {
  if (escritura.empty()) return *this;
  pasos_.push_back({true, std::move(escritura), 0});
  Soltar_respuestas();
  return *this;
}

Backend_guion& Backend_guion::Responder(Bytes bytes, uint32_t retraso_ms) {
  pasos_.push_back({false, std::move(bytes), retraso_ms});
  Soltar_respuestas();
  return *this;
}

void Backend_guion::Encolar(const Bytes& bytes, uint32_t retraso_ms) {
  // Bytes on a line never overtake one another.
  uint64_t t = Ahora() + uint64_t{retraso_ms} * 1000;
  if (!entrada_.empty()) t = std::max(t, entrada_.back().instante_us);
  for (uint8_t b : bytes) entrada_.push_back({t, b});
}

void Backend_guion::Soltar_respuestas() {
  while (paso_ < pasos_.size() && !pasos_[paso_].es_escritura) {
    Encolar(pasos_[paso_].bytes, pasos_[paso_].retraso_ms);
    ++paso_;
  }
}

bool Backend_guion::Abrir(int, const DCB_linea&) {
  abierto = se_puede_abrir;
  return abierto;
}

uint32_t Backend_guion::Escribir(const uint8_t* datos, uint32_t n) {
  if (!abierto) return 0;
  const Bytes escrito(datos, datos + n);
  escrituras_.push_back({Ahora(), escrito});
  Bytes sobrante;
  for (uint8_t b : escrito) {
    if (!fallo_.empty()) break;
    Soltar_respuestas();
    if (paso_ >= pasos_.size()) {
      sobrante.push_back(b);
      continue;
    }
    const Paso& p = pasos_[paso_];
    if (p.bytes[posicion_] != b) {
      char t[96];
      std::snprintf(t, sizeof t, "step %zu, byte %zu: written %02X, expected %02X; step: ", paso_,
                    posicion_, b, p.bytes[posicion_]);
      fallo_ = t + Hex(p.bytes);
      break;
    }
    if (++posicion_ == p.bytes.size()) {
      ++paso_;
      posicion_ = 0;
      Soltar_respuestas();
    }
  }
  if (!sobrante.empty() && fallo_.empty()) {
    if (al_escribir)
      Encolar(al_escribir(sobrante), retraso_respuesta_ms);
    else if (!aceptar_sobrantes)
      fallo_ = "write after the end of the transcript: " + Hex(sobrante);
  }
  return n;
}

uint32_t Backend_guion::Leer(uint8_t* destino, uint32_t n) {
  if (!abierto || n == 0) return 0;
  const uint64_t espera_us = (2ull * n + 2) * 1000;  // the port's read time-out
  uint64_t ahora = Ahora();
  if (entrada_.empty() || entrada_.front().instante_us > ahora) {
    if (!entrada_.empty() && entrada_.front().instante_us <= ahora + espera_us) {
      ahora = entrada_.front().instante_us;  // returns as soon as a byte comes
    } else {
      ahora += espera_us;
    }
    if (reloj_) reloj_->Avanzar_hasta_us(ahora);
  }
  uint32_t leidos = 0;
  while (leidos < n && !entrada_.empty() && entrada_.front().instante_us <= ahora) {
    destino[leidos++] = entrada_.front().byte;
    entrada_.pop_front();
  }
  return leidos;
}

uint32_t Backend_guion::Leer_disponible(uint8_t* destino, uint32_t n) {
  if (!abierto) return 0;
  uint32_t leidos = 0;
  while (leidos < n && !entrada_.empty() && entrada_.front().instante_us <= Ahora()) {
    destino[leidos++] = entrada_.front().byte;
    entrada_.pop_front();
  }
  return leidos;
}

void Backend_guion::Purgar(bool recepcion, bool) {
  ++purgas;
  if (!recepcion) return;
  const uint64_t ahora = Ahora();
  while (!entrada_.empty() && entrada_.front().instante_us <= ahora) entrada_.pop_front();
}

Bytes Backend_guion::Escrito() const {
  Bytes todo;
  for (const Escritura& e : escrituras_) todo.insert(todo.end(), e.bytes.begin(), e.bytes.end());
  return todo;
}

size_t Backend_guion::Veces_escrito(const Bytes& secuencia) const {
  if (secuencia.empty()) return 0;
  const Bytes todo = Escrito();
  size_t veces = 0;
  for (auto it = todo.begin();
       (it = std::search(it, todo.end(), secuencia.begin(), secuencia.end())) != todo.end();
       it += static_cast<long>(secuencia.size()))
    ++veces;
  return veces;
}

std::string Backend_guion::Resumen() const {
  std::string s = fallo_.empty() ? "" : "fault: " + fallo_ + "; ";
  s += "played " + std::to_string(paso_) + " of " + std::to_string(pasos_.size()) + " steps";
  if (paso_ < pasos_.size()) s += "; next: " + Hex(pasos_[paso_].bytes);
  return s;
}

Ventana_con_guion::Ventana_con_guion()
    : guion([] { return new Backend_guion; }()),
      ventana_(std::make_unique<Ventana_falsa>(std::unique_ptr<Backend_serie>(guion))),
      v(*ventana_) {
  guion->Usar_reloj(v.reloj);
  v.Puerto().Abrir(1, Linea_inicial());
  guion->purgas = 0;
}

}  // namespace r27::pruebas
