// Replays the checked-in corpus of the meter fuzz target through its body, so
// every build runs the updater against those meters without libFuzzer. The whole
// corpus runs in one test, in one process: a process per input would pay the
// start-up (the firmware image parsed) hundreds of times. A broken rule names
// its file; a loop that does not end aborts after the file's name is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/cuerpo_medidor.h"

namespace r27::fuzz {
namespace {

std::vector<std::filesystem::path> Corpus() {
  std::vector<std::filesystem::path> ficheros;
  for (const auto& e : std::filesystem::directory_iterator(R27_CORPUS_MEDIDOR))
    if (e.is_regular_file()) ficheros.push_back(e.path());
  std::sort(ficheros.begin(), ficheros.end());
  return ficheros;
}

TEST(Corpus_medidor, EveryInputLeavesTheUpdaterSound) {
  const std::vector<std::filesystem::path> ficheros = Corpus();
  ASSERT_GE(ficheros.size(), 20u);
  for (const std::filesystem::path& fichero : ficheros) {
    std::fprintf(stderr, "corpus_medidor: %s\n", fichero.filename().c_str());
    std::ifstream f(fichero, std::ios::binary);
    // Exactly the file's bytes on the heap, so a read past them is caught by ASan.
    const std::vector<uint8_t> entrada{std::istreambuf_iterator<char>(f),
                                       std::istreambuf_iterator<char>()};
    Medida_medidor m;
    EXPECT_TRUE(Probar_medidor(entrada, &m))
        << fichero.filename() << ": rule broken: " << m.regla_rota;
  }
}

}  // namespace
}  // namespace r27::fuzz
