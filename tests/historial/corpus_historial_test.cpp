// Replays the checked-in corpus of the history line's fuzz body.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

namespace r27::fuzz {
bool Probar_historial(std::span<const char> datos);
}

namespace r27 {
namespace {

TEST(Corpus_historial, EveryLineIsRefusedOrReadsBackTheSame) {
  int entradas = 0;
  for (const auto& e : std::filesystem::directory_iterator(R27_CORPUS_HISTORIAL)) {
    if (!e.is_regular_file()) continue;
    std::ifstream f(e.path(), std::ios::binary);
    // Exactly the file's bytes on the heap, so a read past them is caught by ASan.
    const std::vector<char> datos{std::istreambuf_iterator<char>(f),
                                  std::istreambuf_iterator<char>()};
    EXPECT_TRUE(fuzz::Probar_historial(datos)) << e.path().filename();
    ++entradas;
  }
  EXPECT_GE(entradas, 8);
}

}  // namespace
}  // namespace r27
