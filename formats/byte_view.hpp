// A read-only window onto loaded file bytes. Every read names an offset that
// the caller has already shown to lie inside the window; the window itself
// can only be narrowed, never widened, so nothing built on it can reach
// outside the loaded buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tonvert {

class ByteView {
 public:
  constexpr ByteView() = default;
  constexpr explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  constexpr std::size_t size() const { return bytes_.size(); }
  constexpr bool holds(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }

  // Reads; the caller has checked holds(offset, width).
  constexpr std::uint8_t u8(std::size_t offset) const { return bytes_[offset]; }
  constexpr std::int16_t i16(std::size_t offset) const {
    const auto low = static_cast<unsigned>(bytes_[offset]);
    const auto high = static_cast<unsigned>(bytes_[offset + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | high << 8));
  }

  // The bytes from offset up to the first zero byte, at most max_length of
  // them, cut at the end of the window.
  std::string_view text(std::size_t offset, std::size_t max_length) const;

  // The window [offset, offset + count), cut at the end of this one.
  constexpr ByteView sub(std::size_t offset, std::size_t count) const {
    if (offset > bytes_.size()) return {};
    const std::size_t left = bytes_.size() - offset;
    return ByteView(bytes_.subspan(offset, count < left ? count : left));
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

inline std::string_view ByteView::text(std::size_t offset, std::size_t max_length) const {
  if (offset >= bytes_.size()) return {};
  std::size_t length = 0;
  const std::size_t limit = bytes_.size() - offset < max_length ? bytes_.size() - offset : max_length;
  while (length < limit && bytes_[offset + length] != 0) ++length;
  return {reinterpret_cast<const char*>(bytes_.data() + offset), length};
}

}  // namespace tonvert
