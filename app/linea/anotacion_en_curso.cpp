// The runs still going, and the record each leaves when the process is ended.
#include "app/linea/anotacion_en_curso.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace r27 {

namespace {

// The runs of this process that have not written their record (a tray has one
// per meter). Taken before any run's own lock.
std::mutex& Cerrojo_en_curso() {
  static std::mutex cerrojo;
  return cerrojo;
}
std::vector<Anotacion_en_curso*>& En_curso() {
  static std::vector<Anotacion_en_curso*> en_curso;
  return en_curso;
}

}  // namespace

Anotacion_en_curso::Anotacion_en_curso(Historial* historial) : historial_(historial) {
  std::lock_guard<std::mutex> l(Cerrojo_en_curso());
  En_curso().push_back(this);
}

Anotacion_en_curso::~Anotacion_en_curso() {
  std::lock_guard<std::mutex> l(Cerrojo_en_curso());
  auto& v = En_curso();
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void Anotacion_en_curso::Preparar(Registro_historial registro) {
  std::lock_guard<std::mutex> l(cerrojo_);
  preparado_ = std::move(registro);
}

std::optional<Anotacion> Anotacion_en_curso::Anotar(const Registro_historial& registro) {
  std::lock_guard<std::mutex> l(cerrojo_);
  if (anotado_ || !historial_) return std::nullopt;
  anotado_ = true;
  return historial_->Anotar(registro);
}

void Anotacion_en_curso::Anotar_preparado() {
  std::lock_guard<std::mutex> l(cerrojo_);
  if (anotado_ || !historial_ || !preparado_) return;
  anotado_ = true;
  (void)historial_->Anotar(*preparado_);  // the process is going: no one to warn
}

void Anotar_interrumpidas() {
  std::lock_guard<std::mutex> l(Cerrojo_en_curso());
  for (Anotacion_en_curso* a : En_curso()) a->Anotar_preparado();
}

}  // namespace r27
