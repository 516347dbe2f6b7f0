#include "FuzzVariants.h"

#include <memory>
#include <vector>

#include "FakeManager.h"

namespace equ::fuzz {

namespace {

constexpr int kMaxDepth = 4;
constexpr std::size_t kMaxElements = 256;

// The driver's settings and some that are not.
constexpr const char16_t* kSettingIds[] = {
    u"DefaultTimeOut",
    u"EventLogEnabled",
    u"DebugLogEnabled",
    u"Prefix",
    u"Postfix",
    u"AutoDisableDataEvent",
    u"InterfaceType",
    u"PortNumber",
    u"Baud",
    u"PrefixKbd",
    u"PostfixKbd",
    u"InterCharIntervalKbd",
    u"MinDataLen",
    u"KeyboardLayout",
    u"IgnoreModificators",
    u"UpperCaseData",
    u"DeleteCRLFPostfix",
    u"interfacetype",
    u"Unknown",
    u"",
};

}  // namespace

Variant VariantMaker::MakeSimple() {
  switch (in_.Below(20)) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant::Int(VarType::I1, in_.Integral<std::int8_t>());
    case 3:
      return Variant::Int(VarType::I2, in_.Integral<std::int16_t>());
    case 4:
      return Variant(in_.Integral<std::int32_t>());
    case 5:
      return Variant::Int(VarType::I8, in_.Integral<std::int64_t>());
    case 6:
      return Variant::UInt(VarType::UI1, in_.Integral<std::uint8_t>());
    case 7:
      return Variant::UInt(VarType::UI2, in_.Integral<std::uint16_t>());
    case 8:
      return Variant::UInt(VarType::UI4, in_.Integral<std::uint32_t>());
    case 9:
      return Variant::UInt(VarType::UI8, in_.Integral<std::uint64_t>());
    case 10:
      return in_.Bool() ? Variant::Int(VarType::Int, in_.Integral<std::int32_t>())
                        : Variant::UInt(VarType::UInt, in_.Integral<std::uint32_t>());
    case 11:
      return Variant::Single(in_.Integral<float>());
    case 12:
      return Variant(in_.Real());
    case 13:
      return Variant(Currency{in_.Integral<std::int64_t>()});
    case 14:
      return Variant(Date{in_.Real()});
    case 15: {
      Decimal d;
      d.scale = in_.Byte();
      d.negative = in_.Bool();
      d.hi32 = in_.Integral<std::uint32_t>();
      d.lo64 = in_.Integral<std::uint64_t>();
      return Variant(d);
    }
    case 16:
      return Variant(in_.Bool());
    case 17:
      return Variant::ErrorCode(in_.Integral<std::int32_t>());
    case 18:
      if (in_.Bool()) return Variant::Opaque(in_.Integral<std::uint16_t>() & 0x0FFF);
      return Variant(std::shared_ptr<DispatchPort>(std::make_shared<testing::FakeManager>()));
    default:
      return Variant(in_.Text(64));
  }
}

Variant VariantMaker::Make(int depth) {
  if (++elements_ > kMaxElements || depth >= kMaxDepth) return MakeSimple();
  switch (in_.Below(8)) {
    case 0:
      return MakeArray(depth);
    case 1:
      return MakeReference(depth);
    default:
      return MakeSimple();
  }
}

Variant VariantMaker::MakeArray(int depth) {
  const VarType elementTypes[] = {VarType::Variant, VarType::String, VarType::I4,
                                  VarType::Bool,    VarType::R8,     VarType::Date};
  const VarType elementType = elementTypes[in_.Below(std::size(elementTypes))];
  if (in_.Below(16) == 0) return Variant::ArrayWithoutData(elementType);
  std::vector<ArrayBound> bounds(1 + in_.Below(3));
  std::size_t count = 1;
  for (ArrayBound& bound : bounds) {
    bound.lower = static_cast<std::int8_t>(in_.Byte());
    bound.count = in_.Below(6);
    count *= bound.count;
  }
  SafeArray array(elementType, bounds);
  for (Variant& element : array.Elements()) {
    // Elements of a typed array hold that type; those of a variant array anything.
    element = elementType == VarType::Variant ? Make(depth + 1) : MakeSimple();
  }
  (void)count;
  return Variant(std::move(array));
}

Variant VariantMaker::MakeReference(int depth) {
  pool_.push_back(Make(depth + 1));
  Variant& target = pool_.back();
  if (in_.Bool() && !target.IsByRef() && !target.IsArray())
    return Variant::TypedReferenceTo(target);
  return Variant::ReferenceTo(target);
}

WideString VariantMaker::SettingId() {
  if (in_.Below(8) == 0) return in_.Text(24);
  return kSettingIds[in_.Below(std::size(kSettingIds))];
}

Variant VariantMaker::MakeSettingsArray() {
  const std::size_t rows = in_.Below(8);
  std::vector<Variant> elements;
  for (std::size_t i = 0; i < rows; ++i) {
    switch (in_.Below(6)) {
      case 0:
        elements.push_back(Make());  // a row that is no pair
        break;
      case 1:
        elements.push_back(Variant(SafeArray::Vector({Variant(SettingId())})));
        break;
      default:
        elements.push_back(Variant(SafeArray::Vector({Variant(SettingId()), Make(2)})));
    }
  }
  return Variant(SafeArray::Vector(std::move(elements)));
}

}  // namespace equ::fuzz
