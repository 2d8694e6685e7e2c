// The system's file system and standard output, through POSIX calls.
#pragma once

#include "app/environment.hpp"

namespace tonvert {

class PosixEnvironment final : public Environment {
 public:
  const Platform& platform() const override { return posix_platform; }
  std::optional<std::vector<std::uint8_t>> read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  WriteResult write_file(const std::string& path, std::string_view bytes) override;
  void print(std::string_view text) override;
};

}  // namespace tonvert
