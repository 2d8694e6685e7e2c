// A readable listing of a music file: the header, every song record, every
// part record with its flags, and every event with its offset, its bytes and
// what it means. Faults of the file's structure are marked where they are,
// with the words of the converter's warnings ("*** ..."), found by the same
// record walk, so that the listing and the converter always agree.
#pragma once

#include <optional>
#include <string>

#include "formats/byte_view.hpp"
#include "formats/voice_bank.hpp"

namespace tonvert {

// The listing of `music`, lines ending in "\n". With a voice bank, voice
// changes also show the voice name the converter writes for them.
std::string music_listing(ByteView music, std::optional<VoiceBank> voice_bank = std::nullopt);

}  // namespace tonvert
