// tonvert <OSTREL music file(AAA.msc)> [MML files path]
#include <csignal>
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
#ifndef _WIN32
  // A file size limit or a closed console is a failed write, reported as
  // such, not a death by signal.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  SystemEnvironment environment;
  return tonvert::run_conversion(arguments, environment);
}
