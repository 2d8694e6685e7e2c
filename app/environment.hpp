// The conversion run's outside world: the files it reads and writes, the
// output directory it makes, and the console. The program uses the system's
// file system; tests and the fuzzer use one held in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.hpp"

namespace tonvert {

enum class WriteResult { written, cannot_open, cannot_write };

class Environment {
 public:
  virtual ~Environment() = default;

  virtual const Platform& platform() const = 0;

  // The whole file, or none when it cannot be opened and read.
  virtual std::optional<std::vector<std::uint8_t>> read_file(const std::string& path) = 0;
  // Makes one directory level; whether it worked is not asked.
  virtual void make_directory(const std::string& path) = 0;
  // Creates or empties the file and writes the bytes with one write.
  virtual WriteResult write_file(const std::string& path, std::string_view bytes) = 0;
  // Writes console text ("\n" line ends) to standard output.
  virtual void print(std::string_view text) = 0;
};

}  // namespace tonvert
