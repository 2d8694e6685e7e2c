#include "app/memory_environment.hpp"

#include "app/file_names.hpp"

namespace tonvert {
namespace {

class MemoryOutputFile final : public OutputFile {
 public:
  MemoryOutputFile(MemoryEnvironment& environment, std::string path)
      : environment_(environment), path_(std::move(path)) {}

  bool write(std::string_view bytes) override {
    failed_ = failed_ || bytes.size() > environment_.file_size_limit - bytes_.size();
    if (!failed_) bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return !failed_;
  }

  bool commit() override {
    if (failed_ || committed_) return false;
    environment_.files[path_] = std::move(bytes_);
    environment_.written.push_back(path_);
    committed_ = true;
    return true;
  }

 private:
  MemoryEnvironment& environment_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace

ReadResult MemoryEnvironment::read_file(const std::string& path) {
  const auto found = files.find(path);
  if (found == files.end()) return {ReadStatus::cannot_open, {}};
  inputs_.insert(without_leading_dots(path));
  if (unreadable.count(path) != 0) return {ReadStatus::cannot_read, {}};
  return {ReadStatus::read, found->second};
}

// Whether the path's last character ends a directory name.
bool MemoryEnvironment::ends_in_directory_end(const std::string& path) const {
  return !path.empty() && last_directory_end(path, platform_) == path.size() - 1;
}

// The directory part of a path, trailing separators dropped; "" for none.
std::string MemoryEnvironment::parent_of(const std::string& path) const {
  const auto end = last_directory_end(path, platform_);
  if (end == std::string::npos) return "";
  std::string parent = path.substr(0, end);
  while (ends_in_directory_end(parent)) parent.pop_back();
  return parent;
}

// The path less any leading "./": one file has one name here.
std::string MemoryEnvironment::without_leading_dots(const std::string& path) const {
  std::size_t start = 0;
  while (path.size() > start + 2 && path[start] == '.' &&
         platform_.directory_ends.find(path[start + 1]) != std::string_view::npos) {
    start += 2;
  }
  return path.substr(start);
}

void MemoryEnvironment::print(std::string_view text) {
  if (console_fails) return;
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

std::unique_ptr<OutputFile> MemoryEnvironment::open_output(const std::string& path) {
  if (!exists_directory(parent_of(path)) || exists_directory(path) || read_only.count(path) != 0 ||
      inputs_.count(without_leading_dots(path)) != 0) {
    return nullptr;
  }
  return std::make_unique<MemoryOutputFile>(*this, path);
}

std::optional<std::string> MemoryEnvironment::text_of(const std::string& path) const {
  const auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return std::string(found->second.begin(), found->second.end());
}

}  // namespace tonvert
