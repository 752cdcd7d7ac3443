#include "tests/ventana/ventana_prueba.h"

#include <unistd.h>

#include <fstream>

#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

Ventana_prueba::Ventana_prueba() : Tventana_brisco(std::make_unique<Backend_inerte>()) {}

bool Ventana_prueba::Confirmar(const std::string& texto) {
  preguntas.push_back(texto);
  if (respuestas.empty()) return false;
  const bool r = respuestas.front();
  respuestas.pop_front();
  return r;
}

Prueba_ventana::Prueba_ventana() {
  namespace fs = std::filesystem;
  dir_ =
      fs::temp_directory_path() / ("r27_ventana_" + std::to_string(::getpid()) + "_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  dir_anterior_ = fs::current_path();
  fs::current_path(dir_);
}

Prueba_ventana::~Prueba_ventana() {
  formularios_.reset();
  std::filesystem::current_path(dir_anterior_);
  std::filesystem::remove_all(dir_);
}

void Prueba_ventana::Escribir_idiomas(const std::string& contenido) {
  std::ofstream(dir_ / "idiomas.ini", std::ios::binary) << contenido;
}

Ventana_prueba& Prueba_ventana::Crear() {
  formularios_ = std::make_unique<Formularios>([] { return std::make_unique<Ventana_prueba>(); });
  auto& v = static_cast<Ventana_prueba&>(formularios_->Ventana());
  v.show();
  v.Procesar_mensajes();
  return v;
}

}  // namespace r27::pruebas
