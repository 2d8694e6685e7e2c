#include "formats/voice_bank.hpp"

namespace tonvert {

bool VoiceBank::has_name(int n) const {
  return n >= 0 && n < voice_count() && record_offset(n) < bytes_.size();
}

std::string_view VoiceBank::name(int n) const { return bytes_.text(record_offset(n), 64); }

}  // namespace tonvert
