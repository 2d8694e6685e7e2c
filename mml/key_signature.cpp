#include "mml/key_signature.hpp"

#include <string_view>

#include "formats/music_file.hpp"

namespace tonvert {
namespace {

constexpr std::array<std::string_view, 12> major_tonic_names = {
    "c", "d-", "d", "e-", "e", "f", "f+", "g", "a-", "a", "b-", "b"};
constexpr std::array<std::string_view, 12> minor_tonic_names = {
    "c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "b-", "b"};
constexpr std::array<int, 6> sharps_order = {5, 0, 7, 2, 9, 4};   // F C G D A E
constexpr std::array<int, 6> flats_order = {11, 4, 9, 2, 7, 0};   // B E A D G C

// Steps of `interval` semitones from `from` until `to` is reached, at most
// six; 6 when it is not reached, so that two missing counts tie and the
// sharps side wins.
int steps_to(int from, int to, int interval) {
  int p = from;
  for (int step = 1; step <= 6; ++step) {
    p = (p + interval) % 12;
    if (p == to) return step;
  }
  return 6;
}

}  // namespace

void set_up_key_signature(KeySignature& key, int tonic, bool major) {
  key.fill(0);
  const int reference = major ? 0 : 9;
  if (tonic == reference) return;
  const int sharps = steps_to(reference, tonic, 7);
  const int flats = steps_to(reference, tonic, 5);
  if (sharps <= flats) {
    for (int i = 0; i < sharps; ++i) key[static_cast<std::size_t>(sharps_order[static_cast<std::size_t>(i)])] = 1;
  } else {
    for (int i = 0; i < flats; ++i) key[static_cast<std::size_t>(flats_order[static_cast<std::size_t>(i)])] = -1;
  }
}

void write_key_signature_event(std::uint8_t parameter, KeySignature& key, TextOut& mml) {
  const int tonic = parameter & 15;
  const bool minor = (parameter & 0x80) != 0;
  const auto& names = minor ? minor_tonic_names : major_tonic_names;
  mml.put(minor ? "KI" : "KJ");
  mml.put(names[static_cast<std::size_t>(tonic % 12)]);
  mml.put(' ');
  set_key_signature_of_event(parameter, key);
}

void set_key_signature_of_event(std::uint8_t parameter, KeySignature& key) {
  set_up_key_signature(key, parameter & 15, (parameter & 0x80) == 0);
}

}  // namespace tonvert
