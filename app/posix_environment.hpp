// The system's file system and console, through POSIX calls.
//
// Inputs are opened without blocking and refused when they are not regular
// files. Every output goes to a hidden temporary file beside its target
// (".tonvert-<pid>-<n>.tmp"), which is renamed over the target once it is
// complete; a replaced file's permission bits are kept. Console text is
// buffered and written to standard output by flush_console.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "app/environment.hpp"

namespace tonvert {

class PosixEnvironment final : public Environment {
 public:
  const Platform& platform() const override { return posix_platform; }
  ReadResult read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  std::unique_ptr<OutputFile> open_output(const std::string& path) override;
  void print(std::string_view text) override;
  bool flush_console() override;
  void report_console_failure() override;

 private:
  // Device and inode of every file read, which no output may replace.
  std::vector<std::pair<dev_t, ino_t>> inputs_;
  unsigned temporaries_made_ = 0;
  std::string console_;
  int console_error_ = 0;  // errno of the failed console write; 0: none
};

}  // namespace tonvert
