#include "web/bindings/web_conversion.hpp"

#include <algorithm>

#include "app/conversion_run.hpp"
#include "app/memory_environment.hpp"
#include "formats/voice_table.hpp"

namespace tonvert::web {

std::string base_name(std::string_view name) {
  std::string base(name);
  std::replace(base.begin(), base.end(), '/', '_');
  return base.empty() ? "tune" : base;
}

WebRun convert_in_memory(std::string_view name, std::optional<Bytes> music_file,
                         std::optional<Bytes> voice_bank, std::optional<Bytes> voice_table_file) {
  const std::string base = base_name(name);
  MemoryEnvironment environment;
  if (music_file) environment.files[base + ".msc"] = std::move(*music_file);
  if (voice_bank) environment.files[base + ".vce"] = std::move(*voice_bank);
  const bool table_given = voice_table_file.has_value();
  if (table_given) environment.files[base + ".vct"] = std::move(*voice_table_file);

  WebRun run;
  run.status = run_conversion({base + ".msc"}, environment);
  run.console = std::move(environment.console);

  // The files in the order the run wrote them, which is the songs' order.
  const std::string directory = base + "/";
  for (const std::string& path : environment.written) {
    if (path.starts_with(directory) && path.ends_with(".mml")) {
      run.files.push_back({path.substr(directory.size()), std::move(environment.files[path])});
    }
  }
  if (!table_given) {
    const auto written = environment.files.find(base + ".vct");
    if (written != environment.files.end()) run.voice_table_file = std::move(written->second);
  }
  return run;
}

std::vector<bool> used_voices(Bytes music_file) {
  // A voice bank that counts all 128 voices (and names none): the voice table
  // file written after the run then lists every voice the songs selected.
  Bytes bank(16, 0);
  bank[6] = voice_table_size;
  const WebRun run = convert_in_memory("used", std::move(music_file), std::move(bank), std::nullopt);
  VoiceTable table{};
  if (run.voice_table_file) {
    const Bytes& file = *run.voice_table_file;
    read_voice_table_file(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                          table);
  }
  std::vector<bool> used(voice_table_size);
  for (std::size_t n = 0; n < table.size(); ++n) used[n] = table[n].text.has_value();
  return used;
}

}  // namespace tonvert::web
