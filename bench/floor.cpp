// floor <source-dir> <target-dir> [runs]
// The least work a converter with the same output could do: write the same
// bytes into the same number of files. Reads every regular file of
// source-dir into memory first (untimed), then, runs + 1 times, writes them
// all into target-dir with open / write / close per file, as the converter
// does. The first pass creates the files and is not counted, so that every
// counted pass overwrites files that exist, as a repeated converter run does.
// Prints each counted pass (wall time and CPU time, user + system, of this
// process) and their medians, in milliseconds.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct File {
  std::string name;
  std::string bytes;
};

std::vector<File> read_directory(const std::string& directory) {
  std::vector<File> files;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return files;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string path = directory + '/' + entry->d_name;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    File file{entry->d_name, std::string(static_cast<std::size_t>(status.st_size), '\0')};
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) continue;
    std::size_t done = 0;
    while (done < file.bytes.size()) {
      const ssize_t got = ::read(fd, file.bytes.data() + done, file.bytes.size() - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    file.bytes.resize(done);
    files.push_back(std::move(file));
  }
  ::closedir(dir);
  std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.name < b.name; });
  return files;
}

bool write_all(const std::string& directory, const std::vector<File>& files) {
  for (const File& file : files) {
    const std::string path = directory + '/' + file.name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < file.bytes.size()) {
      const ssize_t wrote = ::write(fd, file.bytes.data() + done, file.bytes.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        ::close(fd);
        return false;
      }
      done += static_cast<std::size_t>(wrote);
    }
    if (::close(fd) != 0) return false;
  }
  return true;
}

double cpu_ms() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: floor <source-dir> <target-dir> [runs]\n");
    return 2;
  }
  const std::string target = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
  const auto files = read_directory(argv[1]);
  if (files.empty()) {
    std::fprintf(stderr, "floor: no files in %s\n", argv[1]);
    return 1;
  }
  std::size_t bytes = 0;
  for (const File& file : files) bytes += file.bytes.size();
  ::mkdir(target.c_str(), 0777);

  std::vector<double> wall;
  std::vector<double> cpu;
  for (int run = 0; run <= runs; ++run) {
    const double cpu_start = cpu_ms();
    const auto start = std::chrono::steady_clock::now();
    if (!write_all(target, files)) {
      std::fprintf(stderr, "floor: cannot write into %s\n", target.c_str());
      return 1;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (run == 0) continue;
    wall.push_back(took.count());
    cpu.push_back(cpu_ms() - cpu_start);
    std::printf("floor_run_ms %.3f cpu %.3f\n", wall.back(), cpu.back());
  }
  std::printf("floor_files %zu\nfloor_bytes %zu\nfloor_median_ms %.3f\nfloor_median_cpu_ms %.3f\n",
              files.size(), bytes, median(wall), median(cpu));
  return 0;
}
