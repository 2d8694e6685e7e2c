// Seed inputs for the fuzzers: small collections that reach every event kind,
// and the demo collection when its files can be read.
#pragma once

#include <string>
#include <vector>

#include "tests/fuzz/conversion_check.hpp"

namespace tonvert::fuzz {

// source_dir: the project's root, where examples/ lies.
std::vector<InputFiles> seed_inputs(const std::string& source_dir);

}  // namespace tonvert::fuzz
