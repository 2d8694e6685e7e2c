#include "app/memory_environment.hpp"

namespace tonvert {

std::optional<std::vector<std::uint8_t>> MemoryEnvironment::read_file(const std::string& path) {
  const auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return found->second;
}

namespace {

// The directory part of a path, trailing slashes dropped; "" for none.
std::string parent_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  std::string parent = path.substr(0, slash);
  while (!parent.empty() && parent.back() == '/') parent.pop_back();
  return parent;
}

}  // namespace

bool MemoryEnvironment::exists_directory(const std::string& path) const {
  return path.empty() || path == "." || path == ".." || directories.count(path) != 0;
}

void MemoryEnvironment::make_directory(const std::string& path) {
  if (exists_directory(parent_of(path))) directories.insert(path);
}

WriteResult MemoryEnvironment::write_file(const std::string& path, std::string_view bytes) {
  if (!exists_directory(parent_of(path))) return WriteResult::cannot_open;
  files[path].assign(bytes.begin(), bytes.end());
  return WriteResult::written;
}

std::optional<std::string> MemoryEnvironment::text_of(const std::string& path) const {
  const auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return std::string(found->second.begin(), found->second.end());
}

}  // namespace tonvert
