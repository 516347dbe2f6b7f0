#include "Exceptions.h"

#include <new>
#include <utility>

namespace equ {

Exception::Exception(WideString message)
    : message_(std::move(message)), utf8_(WideToUtf8(message_)) {}

EquException::EquException(std::int32_t code, WideString message)
    : Exception(std::move(message)), code_(code) {}

EVariantError::EVariantError(std::int32_t errorCode, WideString message)
    : Exception(std::move(message)), errorCode_(errorCode) {}

WideString ExceptionMessage(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return Utf8ToWide(e.what());
}

WideString ExceptionClassName(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return u"EOutOfMemory";
  return u"Exception";
}

}  // namespace equ
