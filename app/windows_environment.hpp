// The Windows file system and console, through the C runtime: paths in the
// system's code page, '\' as the separator, and standard output as a text
// stream that writes every "\n" as CR LF.
#pragma once

#include "app/environment.hpp"

namespace tonvert {

class WindowsEnvironment final : public Environment {
 public:
  WindowsEnvironment();

  const Platform& platform() const override { return platform_; }
  std::optional<std::vector<std::uint8_t>> read_file(const std::string& path) override;
  void make_directory(const std::string& path) override;
  WriteResult write_file(const std::string& path, std::string_view bytes) override;
  void print(std::string_view text) override;

 private:
  Platform platform_;
};

}  // namespace tonvert
