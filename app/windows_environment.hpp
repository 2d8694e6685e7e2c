// The Windows file system and console: paths in the system's code page, '\'
// as the separator, and standard output as a text stream that writes every
// "\n" as CR LF.
//
// Inputs that are not disk files are refused at once. Every output goes to a
// hidden temporary file beside its target (".tonvert-<pid>-<n>.tmp"), which
// replaces the target once it is complete (ReplaceFileW keeps the replaced
// file's attributes; a new file is moved into place with MoveFileExW).
#pragma once

#include <cstdint>
#include <vector>

#include "app/environment.hpp"

namespace tonvert {

class WindowsEnvironment final : public Environment {
 public:
  WindowsEnvironment();

  const Platform& platform() const override { return platform_; }
  ReadResult read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  std::unique_ptr<OutputFile> open_output(const std::string& path) override;
  void print(std::string_view text) override;
  bool flush_console() override;
  void report_console_failure() override;

  // A file's identity: the volume's serial number and the file index.
  struct FileId {
    std::uint32_t volume;
    std::uint64_t index;
    bool operator==(const FileId&) const = default;
  };

 private:
  Platform platform_;
  std::vector<FileId> inputs_;  // files read, which no output may replace
  unsigned temporaries_made_ = 0;
  bool console_failed_ = false;
};

}  // namespace tonvert
