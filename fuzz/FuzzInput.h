#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "equipment/common/WideString.h"

namespace equ::fuzz {

// The fuzzer's bytes taken from the front as small decisions and strings. Past the end every
// read answers zeros or empty, so a short input is a valid (small) case.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::size_t Remaining() const { return size_ - pos_; }

  std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
  bool Bool() { return (Byte() & 1) != 0; }
  // A number in [0, count) (0 when count is 0).
  std::size_t Below(std::size_t count) { return count == 0 ? 0 : Byte() % count; }
  template <class T>
  T Integral() {
    T value{};
    const std::size_t n = std::min(sizeof(T), Remaining());
    std::memcpy(&value, data_ + pos_, n);
    pos_ += n;
    return value;
  }
  double Real() { return Integral<double>(); }

  // Bytes up to the next zero byte (which is consumed) or up to maxLength.
  std::string Bytes(std::size_t maxLength) {
    std::string out;
    while (!Empty() && out.size() < maxLength) {
      const std::uint8_t b = data_[pos_++];
      if (b == 0) break;
      out.push_back(static_cast<char>(b));
    }
    return out;
  }
  // A text of up to maxLength bytes: read as UTF-8, or (when the first decision says so) as
  // raw 16-bit units, so lone surrogates and odd characters appear too.
  WideString Text(std::size_t maxLength) {
    if (!Bool()) return Utf8ToWide(Bytes(maxLength));
    const std::string bytes = Bytes(maxLength);
    WideString text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), Remaining());
    pos_ = size_;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace equ::fuzz
