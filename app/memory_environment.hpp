// An environment held in memory: files by path, directories as a set of
// paths, the console as a text as the program would print it. Writing into a
// directory that was not made (other than ".", ".." and the current one)
// fails, as it would on disk. With the Windows platform, '\' and '/' both
// separate directories (but not as the second byte of a double-byte
// character) and console "\n" is stored as CR LF.
#pragma once

#include <map>
#include <set>

#include "app/environment.hpp"

namespace tonvert {

class MemoryEnvironment final : public Environment {
 public:
  explicit MemoryEnvironment(const Platform& platform = posix_platform) : platform_(platform) {}

  std::map<std::string, std::vector<std::uint8_t>> files;
  std::set<std::string> directories;
  std::string console;

  std::optional<std::vector<std::uint8_t>> read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  WriteResult write_file(const std::string& path, std::string_view bytes) override;
  const Platform& platform() const override { return platform_; }
  void print(std::string_view text) override;

  // The text of a file, or none.
  std::optional<std::string> text_of(const std::string& path) const;

 private:
  bool exists_directory(const std::string& path) const;
  std::string parent_of(const std::string& path) const;
  std::size_t last_directory_end(std::string_view path) const;
  bool ends_in_directory_end(const std::string& path) const;

  Platform platform_;
};

}  // namespace tonvert
