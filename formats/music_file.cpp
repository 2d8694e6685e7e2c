#include "formats/music_file.hpp"

namespace tonvert {

bool has_music_magic(ByteView file) {
  return file.holds(0, 4) && file.u8(0) == 'M' && file.u8(1) == 'S' && file.u8(2) == 'C' &&
         file.u8(3) == 0;
}

RecordAt record_at(ByteView area, std::size_t start, std::size_t head_size) {
  if (!area.holds(start, head_size)) return {RecordFault::missing, {}, start};
  const int size = area.i16(start);
  if (size < static_cast<int>(head_size)) return {RecordFault::bad_size, {}, start};
  const auto length = static_cast<std::size_t>(size);
  const RecordFault fault = area.holds(start, length) ? RecordFault::none : RecordFault::cut;
  return {fault, area.sub(start, length), start + length};
}

}  // namespace tonvert
