#include "formats/text_out.hpp"

namespace tonvert {

bool TextOut::flush() {
  const std::size_t count = buffered();
  if (count != 0) {
    if (ok_) ok_ = sink_.write({begin_.get(), count});
    sent_ += count;
    end_ = begin_.get();
  }
  return ok_;
}

// A text longer than the buffer goes to the sink straight after what is
// buffered.
void TextOut::put_long(std::string_view text) {
  flush();
  if (ok_) ok_ = sink_.write(text);
  sent_ += text.size();
}

}  // namespace tonvert
