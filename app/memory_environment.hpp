// An environment held in memory: files by path, directories as a set of
// paths, the console as a text as the program would print it. Writing into a
// directory that was not made (other than ".", ".." and the current one)
// fails, as it would on disk. With the Windows platform, '\' and '/' both
// separate directories (but not as the second byte of a double-byte
// character) and console "\n" is stored as CR LF.
//
// Faults can be set up by path: a file that may not be written, a file that
// opens but cannot be read, a size limit for written files, a console that
// cannot be written.
#pragma once

#include <map>
#include <optional>
#include <set>

#include "app/environment.hpp"

namespace tonvert {

class MemoryEnvironment final : public Environment {
 public:
  explicit MemoryEnvironment(const Platform& platform = posix_platform) : platform_(platform) {}

  std::map<std::string, std::vector<std::uint8_t>> files;
  std::set<std::string> directories;
  std::string console;
  // The paths of committed files, in the order they were committed.
  std::vector<std::string> written;

  std::set<std::string> read_only;   // open_output refuses them
  std::set<std::string> unreadable;  // read_file opens them but fails to read
  std::size_t file_size_limit = static_cast<std::size_t>(-1);  // a longer write fails
  bool console_fails = false;        // flush_console fails, and nothing is kept
  bool console_failure_reported = false;

  ReadResult read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  std::unique_ptr<OutputFile> open_output(const std::string& path) override;
  const Platform& platform() const override { return platform_; }
  void print(std::string_view text) override;
  bool flush_console() override { return !console_fails; }
  void report_console_failure() override { console_failure_reported = true; }

  // The text of a file, or none.
  std::optional<std::string> text_of(const std::string& path) const;

 private:
  bool exists_directory(const std::string& path) const;
  std::string parent_of(const std::string& path) const;
  bool ends_in_directory_end(const std::string& path) const;
  std::string without_leading_dots(const std::string& path) const;

  Platform platform_;
  std::set<std::string> inputs_;  // paths read, as without_leading_dots gives them
};

}  // namespace tonvert
