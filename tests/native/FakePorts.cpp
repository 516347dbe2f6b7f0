#include "FakePorts.h"

#include "equipment/common/Exceptions.h"

namespace equ::testing {

void FakeFolders::GrantEveryoneAccess(const WideString& path) const {
  if (grantFails) throw Exception(u"Отказано в доступе.");
  granted.push_back(path);
}

WideString SequentialGuidSource::NewGuidText() {
  const WideString digits = UIntToHex(static_cast<std::uint64_t>(next++), 12);
  return u"{00000000-0000-0000-0000-" + digits + u"}";
}

}  // namespace equ::testing
