// The scanner definitions file as a user may have edited it: any text through the platform's
// XML reader into the definitions list, decoded as the channel decodes it. A file that loads
// in design mode is written again and must load back to the same texts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"
#include "scanner/keyboard/BaseScanners.h"

namespace {

using equ::TBaseScanners;
using equ::WideString;

std::vector<std::pair<WideString, WideString>> Texts(const TBaseScanners& list) {
  std::vector<std::pair<WideString, WideString>> texts;
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    texts.emplace_back(list.Get(i)->Prefix(), list.Get(i)->Postfix());
  }
  return texts;
}

bool Load(TBaseScanners& list, const WideString& text) {
  try {
    list.LoadFromXML(text);
    return true;
  } catch (const equ::Exception&) {
    return false;  // not XML, or a definition holding elements: the file is refused
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  const WideString text =
      equ::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  TBaseScanners decoded(equ::Platform().xml, equ::Platform().codePage);
  Load(decoded, text);
  TBaseScanners edited(equ::Platform().xml, equ::Platform().codePage);
  edited.SetDesignMode(true);
  if (!Load(edited, text)) return 0;
  WideString saved;
  try {
    saved = edited.SaveToXML();
  } catch (const equ::Exception&) {
    return 0;
  }
  TBaseScanners reloaded(equ::Platform().xml, equ::Platform().codePage);
  reloaded.SetDesignMode(true);
  if (!Load(reloaded, saved) || Texts(reloaded) != Texts(edited)) {
    std::fprintf(stderr, "scanners_xml: the written definitions do not load back:\n%s\n",
                 equ::WideToUtf8(saved).c_str());
    std::abort();
  }
  return 0;
}
