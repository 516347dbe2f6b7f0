#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/AutomationObject.h"

namespace equ::testing {

// An equipment manager for tests: records every call with its arguments (and whether each was
// passed by reference), answers application properties from a table and accepts or refuses
// data events as told.
class FakeManager : public DispatchPort {
 public:
  struct Call {
    WideString name;
    std::vector<DispatchArgument> args;
  };

  std::vector<Call> calls;
  std::map<WideString, WideString> properties{
      {u"ModelsFolder", u"C:\\Models"}, {u"DevicesFolder", u"C:\\Devices\\"}, {u"Language", u"ru"}};
  bool acceptEvents = true;
  bool writeLogAnswer = true;
  // When set, answers every call in place of the defaults.
  std::function<Variant(Call&)> answer;

  std::uintptr_t Address() const override { return 0x1234; }
  Variant CallMethod(std::u16string_view name, std::span<DispatchArgument> args) override;
  std::optional<Variant> GetProperty(std::u16string_view) override { return std::nullopt; }

  std::vector<Call> CallsOf(std::u16string_view name) const;
};

}  // namespace equ::testing
