#pragma once
// A private working directory holding a copy of idiomas.ini, current for the
// life of the object: the window reads its language file from the working
// directory, and each real-window test gets one of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace r27::pruebas {

class Carpeta_trabajo {
 public:
  Carpeta_trabajo(const std::string& prefijo, const std::filesystem::path& idiomas) {
    namespace fs = std::filesystem;
    ruta_ = fs::temp_directory_path() /
            (prefijo + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(ruta_);
    fs::copy_file(idiomas, ruta_ / "idiomas.ini", fs::copy_options::overwrite_existing);
    anterior_ = fs::current_path();
    fs::current_path(ruta_);
  }
  ~Carpeta_trabajo() {
    std::error_code e;
    std::filesystem::current_path(anterior_, e);
    std::filesystem::remove_all(ruta_, e);
  }
  Carpeta_trabajo(const Carpeta_trabajo&) = delete;
  Carpeta_trabajo& operator=(const Carpeta_trabajo&) = delete;

  const std::filesystem::path& Ruta() const { return ruta_; }

 private:
  std::filesystem::path ruta_;
  std::filesystem::path anterior_;
};

}  // namespace r27::pruebas
