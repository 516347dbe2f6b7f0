#include "scanner/keyboard/ScannerDefinition.h"

#include <algorithm>
#include <utility>

namespace equ {

TScanner::TScanner(std::int32_t number, std::string prefixAnsi, std::string postfixAnsi,
                   const CodePage& codePage)
    : FNumber(number),
      FPrefix(std::move(prefixAnsi)),
      FPostfix(std::move(postfixAnsi)),
      FPrefixText(codePage.FromAnsi(FPrefix)),
      FPostfixText(codePage.FromAnsi(FPostfix)) {}

TMatch TScanner::CheckMatch(std::u16string_view data, WideString& scanData) const {
  const std::u16string_view prefix = FPrefixText;
  const std::u16string_view postfix = FPostfixText;
  const std::size_t n = data.size();
  if (n == 0) return mNone;
  if (n > prefix.size() + postfix.size()) {
    if (!data.starts_with(prefix)) return mNone;
    if (!data.ends_with(postfix)) return mPrefix;
    scanData.assign(data.substr(prefix.size(), n - prefix.size() - postfix.size()));
    return mMatch;
  }
  if (prefix.empty()) return mPrefix;
  const std::size_t m = std::min(n, prefix.size());
  return data.substr(0, m) == prefix.substr(0, m) ? mPrefix : mNone;
}

}  // namespace equ
