// The text forms of automation values and their coercions: a value (often a string, so the
// parsers get the bytes) converted to every simple type, read through each accessor, written
// as the call trace writes it, and typed from an edited text as the settings list types it;
// under the English or the Russian separators.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "FuzzVariants.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/SettingTypes.h"
#include "equipment/common/VariantCoercion.h"
#include "equipment/common/VariantText.h"

namespace {

using equ::Variant;
using equ::VarType;

constexpr VarType kTargets[] = {
    VarType::Empty,   VarType::Null,     VarType::I2,      VarType::I4,     VarType::R4,
    VarType::R8,      VarType::Currency, VarType::Date,    VarType::String, VarType::Error,
    VarType::Bool,    VarType::Decimal,  VarType::I1,      VarType::UI1,    VarType::UI2,
    VarType::UI4,     VarType::I8,       VarType::UI8,     VarType::Int,    VarType::UInt,
    VarType::Variant, VarType::Dispatch, VarType::Unknown,
};

template <class F>
void Tolerating(F&& convert) {
  try {
    convert();
  } catch (const equ::Exception&) {
    // A value that does not convert is refused with the automation error: that is an answer.
  }
}

// A string converted to a type and back must read the same again: the round trip of the
// coercions the host relies on for settings.
void CheckRoundTrip(const Variant& value, VarType type) {
  if (type != VarType::I4 && type != VarType::Bool && type != VarType::I8) return;
  Variant converted;
  try {
    converted = value.ChangeType(type);
  } catch (const equ::Exception&) {
    return;
  }
  const Variant text = converted.ChangeType(VarType::String);
  const Variant again = text.ChangeType(type);
  if (!(again == converted)) {
    std::fprintf(stderr, "variant_text: %s does not read back as itself\n",
                 equ::WideToUtf8(text.RawString()).c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  equ::fuzz::FuzzInput in(data, size);
  platform.UseLocale(in.Bool());
  const bool asText = in.Below(4) != 0;
  equ::fuzz::VariantMaker values(in);
  const Variant value = asText ? Variant(in.Text(80)) : values.Make();
  (void)equ::VariantToText(value);
  for (VarType target : kTargets) {
    Tolerating([&] { (void)equ::VariantToText(equ::ChangeVariantType(value, target)); });
    CheckRoundTrip(value, target);
  }
  Tolerating([&] { (void)value.ToInt32(); });
  Tolerating([&] { (void)value.ToInt64(); });
  Tolerating([&] { (void)value.ToDouble(); });
  Tolerating([&] { (void)value.ToBool(); });
  Tolerating([&] { (void)value.ToCurrency(); });
  Tolerating([&] { (void)value.ToDate(); });
  Tolerating([&] { (void)value.ToString(); });
  if (value.Type() == VarType::String && !value.IsArray()) {
    for (auto type : {equ::TDataType::dtNumber, equ::TDataType::dtString,
                      equ::TDataType::dtDateTime, equ::TDataType::dtBoolean}) {
      Tolerating(
          [&] { (void)equ::VariantToText(equ::StrToSettingValue(type, value.RawString())); });
    }
  }
  return 0;
}
