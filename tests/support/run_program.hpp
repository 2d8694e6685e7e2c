// Runs a program in a given working directory and collects its standard
// output, its standard error and its exit status. Options set up what the
// program meets: a time limit, a file size limit, standard output sent to a
// file, or (when the tests run as root) an ordinary user's rights.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

namespace tonvert::testing_support {

struct ProgramOptions {
  int time_limit_ms = 60000;                  // then the program is killed
  std::optional<rlim_t> file_size_limit;      // RLIMIT_FSIZE, in bytes
  std::optional<std::string> standard_output; // a file to write to instead of the pipe
  bool as_ordinary_user = false;              // drop root's rights (uid and gid 65534)
};

struct ProgramResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, if one did
  bool timed_out = false;
  std::string out;
  std::string err;
};

inline long long now_ms() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

inline ProgramResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                                 const std::string& working_directory,
                                 const ProgramOptions& options = {}) {
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
  const char* output_path = options.standard_output ? options.standard_output->c_str() : nullptr;

  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    if (::chdir(working_directory.c_str()) != 0) ::_exit(126);
    const int out_fd = output_path ? ::open(output_path, O_WRONLY) : out_pipe[1];
    if (out_fd < 0 || ::dup2(out_fd, 1) < 0 || ::dup2(err_pipe[1], 2) < 0) ::_exit(126);
    const int null_input = ::open("/dev/null", O_RDONLY);
    if (null_input >= 0) ::dup2(null_input, 0);
    if (options.file_size_limit) {
      const rlimit limit{*options.file_size_limit, *options.file_size_limit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (options.as_ordinary_user && ::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(126);
    }
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

  const long long deadline = now_ms() + options.time_limit_ms;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  while (open_count > 0) {
    const long long left = deadline - now_ms();
    const int ready = left > 0 ? ::poll(fds, 2, static_cast<int>(left)) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      result.timed_out = true;
      ::kill(child, SIGKILL);
      for (auto& fd : fds) {
        if (fd.fd >= 0) ::close(fd.fd);
      }
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
  if (WIFSIGNALED(wait_status)) result.signal = WTERMSIG(wait_status);
  return result;
}

}  // namespace tonvert::testing_support
