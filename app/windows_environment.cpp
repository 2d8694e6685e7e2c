#include "app/windows_environment.hpp"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/file_names.hpp"

namespace tonvert {
namespace {

bool system_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

// A path in the system's code page, as the wide text the W calls take.
std::wstring wide(const std::string& path) {
  if (path.empty()) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), text.data(), size);
  return text;
}

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The identity of an open disk file; none for a device, pipe or console.
std::optional<WindowsEnvironment::FileId> disk_file_id(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return WindowsEnvironment::FileId{
      information.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

class WindowsOutputFile final : public OutputFile {
 public:
  WindowsOutputFile(HANDLE file, std::wstring temporary, std::wstring target, bool replaces)
      : file_(file), temporary_(std::move(temporary)), target_(std::move(target)), replaces_(replaces) {}
  ~WindowsOutputFile() override {
    if (!committed_) {
      if (file_.valid()) file_.close();
      DeleteFileW(temporary_.c_str());
    }
  }

  bool write(std::string_view bytes) override {
    while (!failed_ && !bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD wrote = 0;
      failed_ = !WriteFile(file_.get(), bytes.data(), chunk, &wrote, nullptr) || wrote == 0;
      bytes.remove_prefix(wrote);
    }
    return !failed_;
  }

  bool commit() override {
    if (failed_ || committed_) return false;
    failed_ = !file_.close() || !SetFileAttributesW(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!failed_) {
      // ReplaceFileW gives the new file the replaced one's attributes and
      // security; where it cannot be used, a move replaces the file.
      const bool replaced =
          replaces_ && ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
      failed_ = !replaced &&
                !MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    committed_ = !failed_;
    return committed_;
  }

 private:
  Handle file_;
  std::wstring temporary_;
  std::wstring target_;
  bool replaces_;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace

WindowsEnvironment::WindowsEnvironment() : platform_(windows_platform(&system_lead_byte)) {}

ReadResult WindowsEnvironment::read_file(const std::string& path) {
  const Handle file(CreateFileW(wide(path).c_str(), GENERIC_READ, share_all, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {ReadStatus::cannot_open, {}};
  const auto id = disk_file_id(file.get());
  LARGE_INTEGER size{};
  if (!id || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
    return {ReadStatus::cannot_open, {}};
  }
  inputs_.push_back(*id);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr)) {
      return {ReadStatus::cannot_read, {}};
    }
    if (got == 0) break;  // the file shrank since its size was taken
    done += got;
  }
  bytes.resize(done);
  return {ReadStatus::read, std::move(bytes)};
}

void WindowsEnvironment::make_directory(const std::string& path) {
  CreateDirectoryW(wide(path).c_str(), nullptr);
}

std::unique_ptr<OutputFile> WindowsEnvironment::open_output(const std::string& path) {
  const std::wstring target = wide(path);
  bool replaces = false;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return nullptr;
    // Opened for writing without emptying it: a read-only file, a device or
    // one of the run's inputs is refused here.
    const Handle check(CreateFileW(target.c_str(), GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!check.valid()) return nullptr;
    const auto id = disk_file_id(check.get());
    if (!id || std::find(inputs_.begin(), inputs_.end(), *id) != inputs_.end()) return nullptr;
    replaces = true;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return nullptr;
  }

  const std::size_t end = last_directory_end(path, platform_);
  const std::string directory = end == std::string::npos ? "" : path.substr(0, end + 1);
  const std::string process = std::to_string(GetCurrentProcessId());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temporary =
        wide(directory + ".tonvert-" + process + "-" + std::to_string(++temporaries_made_) + ".tmp");
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WindowsOutputFile>(file, temporary, target, replaces);
  }
  return nullptr;
}

void WindowsEnvironment::print(std::string_view text) {
  if (!console_failed_ && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    console_failed_ = true;
  }
}

bool WindowsEnvironment::flush_console() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) console_failed_ = true;
  return !console_failed_;
}

void WindowsEnvironment::report_console_failure() {
  std::fputs("tonvert: cannot write to standard output\n", stderr);
}

}  // namespace tonvert
