// Replays the checked-in corpus of the meter fuzz target through its body, so
// every build runs the updater against those meters without libFuzzer. One test
// per file, named after it (the files are named by what they reach).
#include <gtest/gtest.h>

#include <algorithm>
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

std::string Nombre(const testing::TestParamInfo<std::filesystem::path>& info) {
  std::string n = info.param.filename().string();
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

class Corpus_medidor : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(Corpus_medidor, LeavesTheUpdaterSound) {
  std::ifstream f(GetParam(), std::ios::binary);
  // Exactly the file's bytes on the heap, so a read past them is caught by ASan.
  const std::vector<uint8_t> entrada{std::istreambuf_iterator<char>(f),
                                     std::istreambuf_iterator<char>()};
  Medida_medidor m;
  EXPECT_TRUE(Probar_medidor(entrada, &m)) << "rule broken: " << m.regla_rota;
}

INSTANTIATE_TEST_SUITE_P(Ficheros, Corpus_medidor, testing::ValuesIn(Corpus()), Nombre);

TEST(Corpus_medidor_lista, HoldsTheMinimisedCorpus) { EXPECT_GE(Corpus().size(), 20u); }

}  // namespace
}  // namespace r27::fuzz
