// A voice table file (.vct) listed line by line as the converter reads it:
// for each line the voice it sets, the voice text in quotes, the octave and
// volume offsets, and the fields it ignores; for a line the converter passes
// over, "skipped" and why. Hints point at lines that seem to separate their
// fields with spaces or end their voice text in something that looks like an
// option, and notes at lines that override an earlier line for the same
// voice.
#pragma once

#include <string>
#include <string_view>

namespace tonvert {

// The listing of a voice table file's bytes, lines ending in "\n".
std::string voice_table_listing(std::string_view file);

}  // namespace tonvert
