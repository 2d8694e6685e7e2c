// Fuzzes the whole conversion with raw bytes: one input is split into the
// music file, the voice bank and the voice table file.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/conversion_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string failure =
      tonvert::fuzz::check_conversion(tonvert::fuzz::split_input(data, size));
  if (!failure.empty()) {
    std::fprintf(stderr, "property failed: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
