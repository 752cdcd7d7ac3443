#pragma once
// Records for the history's tests, and a private folder for their files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/nucleo/registro_historial.h"

namespace r27::pruebas {

// A folder of its own for each test, removed afterwards.
class Carpeta_temporal {
 public:
  Carpeta_temporal() {
    ruta_ = std::filesystem::temp_directory_path() /
            ("r27_historial_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(ruta_);
    std::filesystem::create_directories(ruta_);
  }
  ~Carpeta_temporal() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
  }
  Carpeta_temporal(const Carpeta_temporal&) = delete;
  Carpeta_temporal& operator=(const Carpeta_temporal&) = delete;
  const std::filesystem::path& Ruta() const { return ruta_; }

 private:
  std::filesystem::path ruta_;
};

inline Identidad_registrada Identidad_300() {
  Identidad_registrada i;
  i.familia = "QZT";
  i.region = "EUR";
  i.version = "3.00.00000";
  i.fpga = "3.2";
  i.mpeg4 = Mpeg4_registrado{132, 0, 5, 2};
  return i;
}

// A whole update that failed in the firmware step, every field set.
inline Registro_historial Registro_completo() {
  Registro_historial r;
  r.hora = "2025-03-07T14:05:09+01:00";
  r.programa = "r27-actualizar";
  r.version_programa = "3.01";
  r.puerto = "COM3";
  r.ruta = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0";
  r.resultado = "failed";
  r.codigo_resultado = 21;
  r.motivo = "Enviar_bloque: esperaba 0x30, llego nada (tiempo agotado)";
  r.desconectado = true;
  r.antes = Identidad_300();
  r.pasos = {{"zona", "done", 10.125, ""},
             {"fpga", "done", 6.5, ""},
             {"firmware", "failed", 43.918, r.motivo},
             {"mpeg4", "not-run", 0, ""}};
  r.pendientes = {"teclado"};
  r.duracion_s = 61.25;
  r.traza = "/tmp/traza con espacios.txt";
  return r;
}

// The least a record holds.
inline Registro_historial Registro_minimo(const std::string& resultado) {
  Registro_historial r;
  r.hora = "2025-03-07T14:05:09+01:00";
  r.resultado = resultado;
  return r;
}

}  // namespace r27::pruebas
