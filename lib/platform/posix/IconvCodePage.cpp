#include "IconvCodePage.h"

#include <iconv.h>

#include <cerrno>

namespace equ::posix {

namespace {

constexpr char kDefaultCharacter = '?';

// One conversion descriptor, closed on scope exit.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

}  // namespace

std::string IconvCodePage::ToAnsi(std::u16string_view text) const {
  IconvHandle convert(name_.c_str(), "UTF-16LE");
  std::string out;
  if (!convert.valid()) return std::string(text.size(), kDefaultCharacter);
  out.reserve(text.size());
  // Character by character, so one that the code page lacks costs only itself.
  for (char16_t c : text) {
    char16_t unit = c;
    char* in = reinterpret_cast<char*>(&unit);
    std::size_t inLeft = sizeof unit;
    char buffer[8];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(convert.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      out += kDefaultCharacter;
      iconv(convert.get(), nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
  }
  return out;
}

WideString IconvCodePage::FromAnsi(std::string_view bytes) const {
  IconvHandle convert("UTF-16LE", name_.c_str());
  WideString out;
  if (!convert.valid()) return WideString(bytes.size(), u'?');
  for (char byte : bytes) {
    char* in = &byte;
    std::size_t inLeft = 1;
    char16_t unit = 0;
    char* outPtr = reinterpret_cast<char*>(&unit);
    std::size_t outLeft = sizeof unit;
    if (iconv(convert.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      out += u'?';
      iconv(convert.get(), nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    out += unit;
  }
  return out;
}

}  // namespace equ::posix
