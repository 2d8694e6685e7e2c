// tonvert <OSTREL music file(AAA.msc)> [MML files path]
#include <cstdio>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#include "app/posix_environment.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  tonvert::PosixEnvironment environment;
  const int status = tonvert::run_conversion(arguments, environment);
  std::fflush(stdout);
  return status;
}
