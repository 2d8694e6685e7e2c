// The conversion run's outside world: the files it reads and writes, the
// output directory it makes, and the console. The program uses the system's
// file system; tests, the fuzzer and the browser page use one held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.hpp"
#include "formats/byte_sink.hpp"

namespace tonvert {

enum class ReadStatus {
  read,
  cannot_open,  // missing, not a regular file, or not readable
  cannot_read,  // opened, but not read whole
};

struct ReadResult {
  ReadStatus status;
  std::vector<std::uint8_t> bytes;  // the whole file when read
};

// A file being written, whole or not at all: its bytes go to a temporary
// file in the same directory, which takes the file's name only at commit.
// Dropped without a commit, or after a failure, it leaves the file of that
// name as it was.
class OutputFile : public ByteSink {
 public:
  virtual ~OutputFile() = default;
  // Puts what was written in place of the file. False when any write failed
  // or the file could not be replaced; the file then keeps what it held.
  virtual bool commit() = 0;
};

class Environment {
 public:
  virtual ~Environment() = default;

  virtual const Platform& platform() const = 0;

  // The whole file. Never blocks: a file that is not a regular file is
  // refused at once.
  virtual ReadResult read_file(const std::string& path) = 0;
  // Makes one directory level; whether it worked is not asked.
  virtual void make_directory(const std::string& path) = 0;
  // Opens a file for writing, or none where a plain open for writing would
  // fail: a directory or other file that is not a regular file, a file that
  // may not be written, a missing or unwritable directory. A file that this
  // environment has read is not replaced either. A symbolic link is
  // followed, and the file it leads to is replaced.
  virtual std::unique_ptr<OutputFile> open_output(const std::string& path) = 0;

  // Console text ("\n" line ends) for standard output, sent on by
  // flush_console at the latest.
  virtual void print(std::string_view text) = 0;
  // Sends the printed text on. False once any of it could not be written.
  virtual bool flush_console() = 0;
  // Says on the error stream why the console failed.
  virtual void report_console_failure() = 0;
};

}  // namespace tonvert
