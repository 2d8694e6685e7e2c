// make_collection <out-base> <songs> [seed]
// Writes <out-base>.msc (one music file with the songs), <out-base>.vce and
// <out-base>.vct from the benchmark collection generator, and prints the
// sizes: songs, bytes of the music file, the largest song record.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/collection_generator.hpp"
#include "formats/music_file.hpp"

namespace {

bool write(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_collection <out-base> <songs 1..32767> [seed]\n");
    return 2;
  }
  const std::string base = argv[1];
  const int songs = std::atoi(argv[2]);
  if (songs < 1 || songs > 32767) {
    std::fprintf(stderr, "make_collection: one music file holds 1 to 32767 songs\n");
    return 2;
  }
  const std::uint64_t seed =
      argc > 3 ? std::strtoull(argv[3], nullptr, 0) : tonvert::bench::default_seed;
  const auto collection = tonvert::bench::make_collection(songs, seed);

  if (!write(base + ".msc", collection.music.data(), collection.music.size()) ||
      !write(base + ".vce", collection.voice_bank.data(), collection.voice_bank.size()) ||
      !write(base + ".vct", collection.voice_table.data(), collection.voice_table.size())) {
    std::fprintf(stderr, "make_collection: cannot write %s.*\n", base.c_str());
    return 1;
  }

  const tonvert::ByteView file(collection.music);
  std::size_t largest = 0;
  std::size_t start = tonvert::file_header_size;
  for (int n = 0; n < songs; ++n) {
    const auto record = tonvert::record_at(file, start, tonvert::song_head_size);
    if (record.bytes.size() > largest) largest = record.bytes.size();
    start = record.next;
  }
  std::printf("songs %d\nmusic_bytes %zu\nlargest_song_bytes %zu\nvoice_bank_bytes %zu\n", songs,
              collection.music.size(), largest, collection.voice_bank.size());
  return 0;
}
