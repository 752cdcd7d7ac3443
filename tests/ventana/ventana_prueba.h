#pragma once
// The main window as the tests drive it: message boxes, confirmations, the end of
// the process and the desktop's "open" are recorded instead of shown or done, and
// the port has no system device behind it. Each test runs in its own working
// directory, where it may put an idiomas.ini before the forms are created.
#include <gtest/gtest.h>

#include <QString>
#include <QUrl>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ventana/aplicacion.h"
#include "app/ventana/formularios.h"

namespace r27::pruebas {

class Aplicacion_prueba : public Aplicacion {
 public:
  using Aplicacion::Aplicacion;
  std::vector<QString> excepciones;

 protected:
  void Mostrar_excepcion(const QString& texto) override { excepciones.push_back(texto); }
};

class Ventana_prueba : public Tventana_brisco {
 public:
  Ventana_prueba();

  void Mensaje(const std::string& texto) override { mensajes.push_back(texto); }
  bool Confirmar(const std::string& texto) override;

  std::vector<std::string> mensajes;
  std::vector<std::string> preguntas;
  std::deque<bool> respuestas;
  int terminaciones = 0;
  std::vector<QUrl> documentos;

 protected:
  void Terminar_proceso() override { ++terminaciones; }
  void Abrir_documento(const QUrl& url) override { documentos.push_back(url); }
};

class Prueba_ventana : public ::testing::Test {
 protected:
  Prueba_ventana();
  ~Prueba_ventana() override;

  // Writes idiomas.ini into the test's working directory.
  void Escribir_idiomas(const std::string& contenido);
  // Creates the three forms, as the program does at start-up, and shows the window.
  Ventana_prueba& Crear();
  void Liberar() { formularios_.reset(); }

  std::filesystem::path dir_;

 private:
  std::filesystem::path dir_anterior_;
  std::unique_ptr<Formularios> formularios_;
};

}  // namespace r27::pruebas
