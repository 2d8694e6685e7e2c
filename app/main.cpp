// tonvert <OSTREL music file(AAA.msc)> [MML files path]
#include <cstdio>
#include <string>
#include <vector>

#include "app/conversion_run.hpp"
#ifdef _WIN32
#include "app/windows_environment.hpp"
using SystemEnvironment = tonvert::WindowsEnvironment;
#else
#include "app/posix_environment.hpp"
using SystemEnvironment = tonvert::PosixEnvironment;
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  SystemEnvironment environment;
  const int status = tonvert::run_conversion(arguments, environment);
  std::fflush(stdout);
  return status;
}
