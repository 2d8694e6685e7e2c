// Writes the fuzzers' seed corpus: write_seeds <project root> <directory>.
#include <cstdio>
#include <fstream>

#include "tests/fuzz/seeds.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_seeds <project root> <directory>\n");
    return 1;
  }
  int n = 0;
  for (const auto& seed : tonvert::fuzz::seed_inputs(argv[1])) {
    const auto bytes = tonvert::fuzz::join_input(seed);
    std::ofstream out(std::string(argv[2]) + "/seed-" + std::to_string(++n), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return 1;
  }
  return 0;
}
