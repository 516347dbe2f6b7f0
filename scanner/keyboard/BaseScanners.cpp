#include "scanner/keyboard/BaseScanners.h"

#include <utility>

#include "platform/CodePage.h"
#include "platform/RequiredPort.h"
#include "platform/XmlDocument.h"
#include "scanner/keyboard/CharCodes.h"

namespace equ {

namespace {

constexpr std::size_t kMaxDefinitionBytes = 255;

std::string ToDefinitionText(const CodePage& codePage, const WideString& text, bool decode) {
  std::string ansi = codePage.ToAnsi(decode ? DecodeCharCodes(text) : text);
  if (ansi.size() > kMaxDefinitionBytes) ansi.resize(kMaxDefinitionBytes);
  return ansi;
}

}  // namespace

TBaseScanners::TBaseScanners(std::shared_ptr<const XmlDocument> xml,
                             std::shared_ptr<const CodePage> codePage)
    : FXml(RequirePort(xml, "TBaseScanners", "XML document")),
      FCodePage(RequirePort(codePage, "TBaseScanners", "code page")) {}

TBaseScanners::~TBaseScanners() = default;

TScanner* TBaseScanners::Add(const WideString& prefix, const WideString& postfix) {
  const bool decode = !FDesgnMode;
  auto item = std::make_unique<TScanner>(Count() + 1, ToDefinitionText(*FCodePage, prefix, decode),
                                         ToDefinitionText(*FCodePage, postfix, decode), *FCodePage);
  TScanner* added = item.get();
  FItems.push_back(std::move(item));
  return added;
}

std::int32_t TBaseScanners::Add(std::unique_ptr<TScanner> item) {
  if (!item) return -1;
  FItems.push_back(std::move(item));
  return Count() - 1;
}

void TBaseScanners::Clear() {
  FItems.clear();
}

TScanner* TBaseScanners::Get(std::int32_t index) const {
  return IsIndex(index) ? FItems[static_cast<std::size_t>(index)].get() : nullptr;
}

bool TBaseScanners::Put(std::int32_t index, std::unique_ptr<TScanner> item) {
  if (!IsIndex(index) || !item) return false;
  FItems[static_cast<std::size_t>(index)] = std::move(item);
  return true;
}

bool TBaseScanners::Delete(std::int32_t index) {
  if (!IsIndex(index)) return false;
  FItems.erase(FItems.begin() + index);
  return true;
}

}  // namespace equ
