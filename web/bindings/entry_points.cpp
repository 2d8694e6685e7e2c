// The C interface of the WebAssembly module. Each call returns an answer: a
// row of 32-bit words that JavaScript reads from the module's memory, with
// the bytes it points at, alive until tonvert_release. A byte text is two
// words, its address and its size. Inputs are the caller's buffers (address
// and size); a size of 0 needs no address.
//
// tonvert_convert takes the base name, then the music file, the voice bank
// and the voice table file, each as address, size and whether it is given.
// It answers: status, console (2), voice table file written (0 or 1)
//   and its bytes (2), file count, then per MML file in song order its name
//   (2) and its bytes (2).
// tonvert_voice_table: per voice number 0 to 127: has a text (0 or 1), the
//   text (2), octave offset, volume offset (signed).
// tonvert_voice_names: voice count (signed), then per voice number 0 to 127:
//   has a name (0 or 1), the name (2).
// tonvert_used_voices: per voice number 0 to 127: used (0 or 1).
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "formats/byte_view.hpp"
#include "formats/voice_bank.hpp"
#include "formats/voice_table.hpp"
#include "web/bindings/web_conversion.hpp"

namespace {

using tonvert::web::Bytes;

struct Answer {
  std::vector<std::uint32_t> words;
  std::deque<Bytes> kept;  // bytes the words point at

  void word(long value) { words.push_back(static_cast<std::uint32_t>(value)); }
  void text(const std::uint8_t* data, std::size_t size) {
    words.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data)));
    words.push_back(static_cast<std::uint32_t>(size));
  }
  void text(std::string_view bytes) {
    text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  void keep(Bytes bytes) {
    kept.push_back(std::move(bytes));
    text(kept.back().data(), kept.back().size());
  }
};

Bytes bytes_of(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? Bytes{} : Bytes(data, data + size);
}

}  // namespace

extern "C" {

Answer* tonvert_convert(const char* name, std::size_t name_size, const std::uint8_t* music,
                        std::size_t music_size, int has_music, const std::uint8_t* bank,
                        std::size_t bank_size, int has_bank, const std::uint8_t* table,
                        std::size_t table_size, int has_table) {
  auto given = [](const std::uint8_t* data, std::size_t size, int has) {
    return has ? std::optional<Bytes>(bytes_of(data, size)) : std::nullopt;
  };
  auto run = tonvert::web::convert_in_memory(
      std::string_view(name_size == 0 ? "" : name, name_size), given(music, music_size, has_music),
      given(bank, bank_size, has_bank), given(table, table_size, has_table));
  auto* answer = new Answer;
  answer->word(run.status);
  answer->keep(Bytes(run.console.begin(), run.console.end()));
  answer->word(run.voice_table_file.has_value());
  answer->keep(run.voice_table_file ? std::move(*run.voice_table_file) : Bytes{});
  answer->word(static_cast<long>(run.files.size()));
  for (auto& file : run.files) {
    answer->keep(Bytes(file.name.begin(), file.name.end()));
    answer->keep(std::move(file.bytes));
  }
  return answer;
}

Answer* tonvert_voice_table(const std::uint8_t* file, std::size_t size) {
  auto* answer = new Answer;
  auto table = std::make_unique<tonvert::VoiceTable>();
  tonvert::read_voice_table_file(
      std::string_view(size == 0 ? "" : reinterpret_cast<const char*>(file), size), *table);
  for (const auto& entry : *table) {
    answer->word(entry.text.has_value());
    answer->keep(entry.text ? Bytes(entry.text->begin(), entry.text->end()) : Bytes{});
    answer->word(entry.octave_offset);
    answer->word(entry.volume_offset);
  }
  return answer;
}

Answer* tonvert_voice_names(const std::uint8_t* file, std::size_t size) {
  auto* answer = new Answer;
  answer->keep(bytes_of(file, size));
  const tonvert::VoiceBank bank{tonvert::ByteView(answer->kept.back())};
  answer->words.clear();
  answer->word(bank.voice_count());
  for (int n = 0; n < tonvert::voice_table_size; ++n) {
    answer->word(bank.has_name(n));
    answer->text(bank.has_name(n) ? bank.name(n) : std::string_view{});
  }
  return answer;
}

Answer* tonvert_used_voices(const std::uint8_t* music, std::size_t size) {
  auto* answer = new Answer;
  for (const bool used : tonvert::web::used_voices(bytes_of(music, size))) answer->word(used);
  return answer;
}

const std::uint32_t* tonvert_words(const Answer* answer) { return answer->words.data(); }

void tonvert_release(Answer* answer) { delete answer; }

}  // extern "C"
