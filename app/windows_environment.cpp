#include "app/windows_environment.hpp"

#include <direct.h>
#include <windows.h>

#include <cstdio>
#include <memory>

namespace tonvert {
namespace {

bool system_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

}  // namespace

WindowsEnvironment::WindowsEnvironment() : platform_(windows_platform(&system_lead_byte)) {}

std::optional<std::vector<std::uint8_t>> WindowsEnvironment::read_file(const std::string& path) {
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

void WindowsEnvironment::make_directory(const std::string& path) { _mkdir(path.c_str()); }

WriteResult WindowsEnvironment::write_file(const std::string& path, std::string_view bytes) {
  // The text already holds CR LF line ends: written as binary, it is what a
  // text stream would have made of "\n".
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return WriteResult::cannot_open;
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && wrote ? WriteResult::written : WriteResult::cannot_write;
}

void WindowsEnvironment::print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace tonvert
