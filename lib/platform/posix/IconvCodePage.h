#pragma once

#include <string>

#include "platform/CodePage.h"

namespace equ::posix {

// A single-byte code page through iconv; the native build uses Windows-1251, the target
// systems' ANSI code page. Unmappable characters become '?', the code page's default.
class IconvCodePage : public CodePage {
 public:
  explicit IconvCodePage(std::string name = "CP1251") : name_(std::move(name)) {}
  std::string ToAnsi(std::u16string_view text) const override;
  WideString FromAnsi(std::string_view bytes) const override;

 private:
  std::string name_;
};

}  // namespace equ::posix
