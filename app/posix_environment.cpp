#include "app/posix_environment.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>

namespace tonvert {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and tells whether the close succeeded.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all the bytes; false on an error (a full disk, a file size limit).
// A console left non-blocking by another program is waited on.
bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd, POLLOUT, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    if (wrote == 0) errno = EIO;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The path a write to `path` lands on: symbolic links followed, as an open
// follows them. None when the chain does not end (a loop).
std::optional<std::string> link_target(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::string target(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    path = target.front() == '/' ? target : directory_of(path) + "/" + target;
  }
  return std::nullopt;
}

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string temporary, std::string target)
      : fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~PosixOutputFile() override {
    if (!committed_) {
      if (fd_.get() >= 0) fd_.close();
      ::unlink(temporary_.c_str());
    }
  }

  bool write(std::string_view bytes) override {
    if (failed_) return false;
    failed_ = !write_all(fd_.get(), bytes);
    return !failed_;
  }

  bool commit() override {
    if (failed_ || committed_) return false;
    failed_ = !fd_.close() || ::rename(temporary_.c_str(), target_.c_str()) != 0;
    committed_ = !failed_;
    return committed_;
  }

 private:
  FileDescriptor fd_;
  std::string temporary_;
  std::string target_;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace

ReadResult PosixEnvironment::read_file(const std::string& path) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and
  // is then refused as no regular file.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status {};
  if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return {ReadStatus::cannot_open, {}};
  }
  inputs_.emplace_back(status.st_dev, status.st_ino);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {ReadStatus::cannot_read, {}};
    if (got == 0) break;  // the file shrank since fstat
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return {ReadStatus::read, std::move(bytes)};
}

void PosixEnvironment::make_directory(const std::string& path) { ::mkdir(path.c_str(), 0777); }

std::unique_ptr<OutputFile> PosixEnvironment::open_output(const std::string& path) {
  const auto target = link_target(path);
  if (!target) return nullptr;

  // An existing file must be a regular file that may be written and that is
  // none of the run's inputs; its permission bits carry over. Opened without
  // O_TRUNC, it keeps what it holds.
  mode_t mode = 0666;  // a new file: as a plain open makes it, less the umask
  bool replaces = false;
  struct stat status {};
  if (::stat(target->c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) return nullptr;
    const FileDescriptor check(::open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (check.get() < 0 || ::fstat(check.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
      return nullptr;
    }
    const auto id = std::make_pair(status.st_dev, status.st_ino);
    if (std::find(inputs_.begin(), inputs_.end(), id) != inputs_.end()) return nullptr;
    mode = status.st_mode & 07777;
    replaces = true;
  } else if (errno != ENOENT) {
    return nullptr;
  }

  char pid[16];
  const std::string pid_text(pid, std::to_chars(pid, pid + sizeof pid, ::getpid()).ptr);
  const std::string directory = directory_of(*target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char count[16];
    const std::string temporary = directory + "/.tonvert-" + pid_text + "-" +
                                  std::string(count, std::to_chars(count, count + sizeof count,
                                                                   ++temporaries_made_).ptr) +
                                  ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return nullptr;
    auto file = std::make_unique<PosixOutputFile>(fd, temporary, *target);
    if (replaces && ::fchmod(fd, mode) != 0) return nullptr;
    return file;
  }
  return nullptr;
}

void PosixEnvironment::print(std::string_view text) {
  if (console_error_ != 0) return;
  console_.append(text);
  if (console_.size() >= 64 * 1024) flush_console();
}

bool PosixEnvironment::flush_console() {
  if (console_error_ == 0 && !write_all(STDOUT_FILENO, console_)) {
    console_error_ = errno != 0 ? errno : EIO;
  }
  console_.clear();
  return console_error_ == 0;
}

void PosixEnvironment::report_console_failure() {
  std::string line = "tonvert: cannot write to standard output: ";
  line += std::strerror(console_error_ != 0 ? console_error_ : EIO);
  line += '\n';
  write_all(STDERR_FILENO, line);
}

}  // namespace tonvert
