#include "app/memory_environment.hpp"

namespace tonvert {

std::optional<std::vector<std::uint8_t>> MemoryEnvironment::read_file(const std::string& path) {
  const auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return found->second;
}

// Where the last character that ends a directory name stands, or npos. The
// second byte of a double-byte character ends nothing, as the file system
// reads the path by characters.
std::size_t MemoryEnvironment::last_directory_end(std::string_view path) const {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (platform_.is_lead_byte && platform_.is_lead_byte(static_cast<unsigned char>(path[i])) &&
        i + 1 < path.size()) {
      ++i;
    } else if (platform_.directory_ends.find(path[i]) != std::string_view::npos) {
      last = i;
    }
  }
  return last;
}

// Whether the path's last character ends a directory name.
bool MemoryEnvironment::ends_in_directory_end(const std::string& path) const {
  return !path.empty() && last_directory_end(path) == path.size() - 1;
}

// The directory part of a path, trailing separators dropped; "" for none.
std::string MemoryEnvironment::parent_of(const std::string& path) const {
  const auto end = last_directory_end(path);
  if (end == std::string::npos) return "";
  std::string parent = path.substr(0, end);
  while (ends_in_directory_end(parent)) parent.pop_back();
  return parent;
}

void MemoryEnvironment::print(std::string_view text) {
  // The Windows console is a text stream: every "\n" goes out as CR LF.
  if (platform_.message_line_end == "\n") {
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
  while (directory.size() > 1 && ends_in_directory_end(directory)) directory.pop_back();
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
