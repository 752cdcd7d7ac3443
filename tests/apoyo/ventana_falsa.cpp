#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

Ventana_falsa::Ventana_falsa(std::unique_ptr<Backend_serie> backend,
                             const std::string& nombre_mutex)
    : puerto_(std::make_unique<Puerto_serie>(std::move(backend), reloj, nombre_mutex)) {}

Ventana_falsa::Ventana_falsa(std::unique_ptr<Backend_serie> backend, Reloj& reloj_ventana,
                             Reloj& reloj_puerto, const std::string& nombre_mutex)
    : reloj_(&reloj_ventana),
      puerto_(std::make_unique<Puerto_serie>(std::move(backend), reloj_puerto, nombre_mutex)) {}

Ventana_falsa::~Ventana_falsa() = default;

void Ventana_falsa::Procesar_mensajes() {
  ++mensajes_procesados;
  if (al_procesar_mensajes) al_procesar_mensajes();
}

void Ventana_falsa::Pitido(unsigned frecuencia_hz, unsigned duracion_ms) {
  pitidos.push_back({frecuencia_hz, duracion_ms});
}

void Ventana_falsa::Mensaje(const std::string& texto) {
  mensajes.push_back(texto);
  if (al_mensaje) al_mensaje(texto);
}

bool Ventana_falsa::Confirmar(const std::string& texto) {
  preguntas.push_back(texto);
  if (al_preguntar) al_preguntar();
  if (respuestas.empty()) return sin_respuestas;
  const bool r = respuestas.front();
  respuestas.pop_front();
  return r;
}

bool Ventana_falsa::Un_pitido_de_fallo() const {
  return pitidos.size() == 1 && pitidos[0] == Pitido_registrado{1000, 500};
}

}  // namespace r27::pruebas
