// Replays the checked-in corpus through the fuzz target bodies, so every build
// exercises them without libFuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/cuerpos_fuzz.h"

namespace r27::fuzz {
namespace {

std::vector<std::filesystem::path> Corpus() {
  std::vector<std::filesystem::path> ficheros;
  for (const auto& e : std::filesystem::directory_iterator(R27_CORPUS_HEX))
    if (e.is_regular_file()) ficheros.push_back(e.path());
  return ficheros;
}

std::vector<char> Leer(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(Corpus_hex, EveryEntryKeepsTheReaderInvariants) {
  const auto ficheros = Corpus();
  ASSERT_GE(ficheros.size(), 10u) << R27_CORPUS_HEX;
  for (const auto& p : ficheros) {
    // Exactly the file's bytes on the heap, so a read past them is caught by ASan.
    const std::vector<char> texto = Leer(p);
    EXPECT_TRUE(Recorrer_registros(texto)) << p.filename();
    EXPECT_TRUE(Abrir_texto(texto)) << p.filename();
  }
}

}  // namespace
}  // namespace r27::fuzz
