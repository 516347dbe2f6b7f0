#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "equipment/common/WideString.h"
#include "platform/CodePage.h"

namespace equ {

// How far a text has got towards prefix + data + postfix of a definition.
enum TMatch : std::uint8_t {
  mNone = 0,    // cannot become a match any more
  mPrefix = 1,  // can still become one
  mMatch = 2,   // a complete match
};

// One keyboard-scanner definition: the prefix that opens a barcode and the postfix that closes
// it. Both are held as single-byte text of the system ANSI code page (at most 255 bytes), as
// the scanner sends them; their characters are worked out once, through the code page given,
// when the definition is made.
class TScanner {
 public:
  TScanner(std::int32_t number, std::string prefixAnsi, std::string postfixAnsi,
           const CodePage& codePage);

  std::int32_t Number() const { return FNumber; }
  void SetNumber(std::int32_t number) { FNumber = number; }
  const std::string& PrefixAnsi() const { return FPrefix; }
  const std::string& PostfixAnsi() const { return FPostfix; }
  const WideString& Prefix() const { return FPrefixText; }
  const WideString& Postfix() const { return FPostfixText; }

  // Matches `data` against prefix + data + postfix; writes the data part to `scanData` only on
  // mMatch. The data part of a match is never empty.
  TMatch CheckMatch(std::u16string_view data, WideString& scanData) const;

 private:
  std::int32_t FNumber;
  std::string FPrefix;
  std::string FPostfix;
  WideString FPrefixText;
  WideString FPostfixText;
};

}  // namespace equ
