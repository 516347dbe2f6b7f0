#include "FakeManager.h"

namespace equ::testing {

Variant FakeManager::CallMethod(std::u16string_view name, std::span<DispatchArgument> args) {
  calls.push_back(Call{WideString(name), std::vector<DispatchArgument>(args.begin(), args.end())});
  if (answer) return answer(calls.back());
  if (name == u"GetAppProperty") {
    auto it = properties.find(args[1].value.ToString());
    if (it == properties.end()) return Variant(false);
    args[2].value = Variant(it->second);
    return Variant(true);
  }
  if (name == u"DataEvent") return Variant(acceptEvents);
  if (name == u"WriteLog") return Variant(writeLogAnswer);
  if (name == u"MessageDlg") return Variant(6);
  if (name == u"InputDataDlg") return Variant(u"введено");
  return Variant(true);
}

std::vector<FakeManager::Call> FakeManager::CallsOf(std::u16string_view name) const {
  std::vector<Call> found;
  for (const Call& call : calls) {
    if (call.name == name) found.push_back(call);
  }
  return found;
}

}  // namespace equ::testing
