#include "app/memory_environment.hpp"

namespace tonvert {

std::optional<std::vector<std::uint8_t>> MemoryEnvironment::read_file(const std::string& path) {
  const auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return found->second;
}

// The directory part of a path, trailing separators dropped; "" for none.
std::string MemoryEnvironment::parent_of(const std::string& path) const {
  const auto end = path.find_last_of(platform_.directory_ends);
  if (end == std::string::npos) return "";
  std::string parent = path.substr(0, end);
  while (!parent.empty() && platform_.directory_ends.find(parent.back()) != std::string::npos) {
    parent.pop_back();
  }
  return parent;
}

void MemoryEnvironment::print(std::string_view text) {
  if (platform_.separator == '/') {
    console.append(text);
    return;
  }
  for (const char c : text) {
    if (c == '\n') console += '\r';
    console += c;
  }
}

bool MemoryEnvironment::exists_directory(const std::string& path) const {
  return path.empty() || path == "." || path == ".." || directories.count(path) != 0;
}

void MemoryEnvironment::make_directory(const std::string& path) {
  std::string directory = path;
  while (directory.size() > 1 && platform_.directory_ends.find(directory.back()) != std::string::npos) {
    directory.pop_back();
  }
  if (exists_directory(parent_of(directory))) directories.insert(directory);
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
