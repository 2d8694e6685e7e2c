// Runs a program in a given working directory and collects its standard
// output, its standard error and its exit status.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tonvert::testing_support {

struct ProgramResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline ProgramResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                                 const std::string& working_directory) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) return {};
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    return {};
  }

  std::vector<std::string> argv_text;
  argv_text.push_back(program);
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    if (::chdir(working_directory.c_str()) != 0) ::_exit(126);
    if (::dup2(out_pipe[1], 1) < 0 || ::dup2(err_pipe[1], 2) < 0) ::_exit(126);
    const int null_input = ::open("/dev/null", O_RDONLY);
    if (null_input >= 0) ::dup2(null_input, 0);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  ProgramResult result;
  if (child < 0) {
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    return result;
  }

  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }

  int wait_status = 0;
  while (::waitpid(child, &wait_status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  return result;
}

}  // namespace tonvert::testing_support
