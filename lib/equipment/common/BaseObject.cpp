#include "BaseObject.h"

#include <exception>

#include "Exceptions.h"
#include "ResultCodes.h"
#include "VariantText.h"
#include "platform/AutomationObject.h"
#include "platform/GuidSource.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace {

// Elements of the public convention in the argument array.
constexpr std::int32_t kInDataIndex = 0;
constexpr std::int32_t kOutDataIndex = 1;
constexpr std::int32_t kTimeOutIndex = 2;

// The time-out of a public call: an ordinal value that fits 32 bits.
bool TimeOutValue(const Variant& timeOut, std::int32_t& value) {
  if (!timeOut.IsOrdinal()) return false;
  try {
    value = timeOut.ToInt32();
    return true;
  } catch (const EVariantError&) {
    return false;
  }
}

// Reads the elements of a script array object (a JScript array arrives as an object with a
// length and members named by index).
void GetScriptArrayElements(DispatchPort& array, std::initializer_list<Variant*> targets) {
  const auto length = array.GetProperty(u"length");
  if (!length) throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
  const std::int64_t count = length->ToInt64();
  std::int64_t index = 0;
  for (Variant* target : targets) {
    if (index < count) {
      if (auto element = array.GetProperty(IntToWide(index))) *target = std::move(*element);
    }
    ++index;
  }
}

}  // namespace

void TBaseObject::Initialize() {
  FExtMethodList.clear();
  const PortResult<WideString> guid = Platform().guids->NewGuidText();
  if (!guid) throw Exception(guid.error());
  FInstanceID = *guid;
}

TMethodStruct& TBaseObject::FindOrAddMethod(std::u16string_view name) {
  for (TMethodStruct& row : FMethodList) {
    if (SameTextAscii(row.Name, name)) return row;
  }
  FMethodList.push_back(TMethodStruct{WideString(name), false, false, TPrivateMethod()});
  return FMethodList.back();
}

void TBaseObject::RegisterPrivateMethod(std::u16string_view name, TPrivateMethod handler) {
  TMethodStruct& row = FindOrAddMethod(name);
  row.IsPublic = false;
  row.IsSpecific = false;
  row.Handler = std::move(handler);
}

TMethodStruct& TBaseObject::RegisterPublicMethod(std::u16string_view name, TPublicMethod handler) {
  return RegisterMethod(name, false, std::move(handler));
}

TMethodStruct& TBaseObject::RegisterSpecificMethod(std::u16string_view name,
                                                   TPublicMethod handler) {
  return RegisterMethod(name, true, std::move(handler));
}

TMethodStruct& TBaseObject::RegisterMethod(std::u16string_view name, bool isSpecific,
                                           TPublicMethod handler) {
  TMethodStruct& row = FindOrAddMethod(name);
  row.IsPublic = true;
  row.IsSpecific = isSpecific;
  row.Handler = std::move(handler);
  return row;
}

std::int32_t TBaseObject::FindMethodID(std::u16string_view name) {
  for (std::size_t i = 0; i < FMethodList.size(); ++i) {
    if (SameTextAscii(FMethodList[i].Name, name)) return static_cast<std::int32_t>(i);
  }
  if (!FOnExtMethod) return -1;
  std::size_t index = 0;
  while (index < FExtMethodList.size() && !SameTextAscii(FExtMethodList[index], name)) ++index;
  if (index == FExtMethodList.size()) FExtMethodList.emplace_back(name);
  return kExtMethodBase + static_cast<std::int32_t>(index);
}

HResult TBaseObject::GetIDsOfNames(std::u16string_view name, std::int32_t& dispId) {
  dispId = FindMethodID(name);
  return dispId == -1 ? hresult::kNotImpl : hresult::kOk;
}

bool TBaseObject::IsExtensionCall(std::int32_t dispId) const {
  return dispId >= kExtMethodBase && FOnExtMethod &&
         static_cast<std::size_t>(dispId - kExtMethodBase) < FExtMethodList.size();
}

bool TBaseObject::IsKnownDispID(std::int32_t dispId) const {
  return IsExtensionCall(dispId) ||
         (dispId >= 0 && static_cast<std::size_t>(dispId) < FMethodList.size());
}

TBaseObject::TDestructionHold::~TDestructionHold() {
  if (--FObject.FHolds == 0 && FObject.FDestroyWhenReleased) Destroy(&FObject);
}

void TBaseObject::Destroy(TBaseObject* object) noexcept {
  if (object->FHolds > 0) {
    object->FDestroyWhenReleased = true;
    return;
  }
  // Not again from a hold taken by the destruction steps themselves.
  ++object->FHolds;
  object->BeforeDestruction();
  delete object;
}

HResult TBaseObject::Invoke(std::int32_t dispId, std::uint16_t flags, SafeArray& params,
                            Variant& result, InvokeExceptionInfo* exceptionInfo) {
  if (IsRefusedInvocation(dispId, flags)) return hresult::kFail;
  const TDestructionHold hold(*this);
  // A number that names no row is refused before anything is touched, as a late-bound call
  // to a missing member is.
  if (!IsKnownDispID(dispId)) return hresult::kMemberNotFound;
  try {
    return CallMethod(dispId, result, params);
  } catch (const std::exception& e) {
    AnswerException(ExceptionClassName(e), ExceptionMessage(e), exceptionInfo);
  } catch (...) {
    AnswerException(u"Exception", FindResultText(kResultUnknownError), exceptionInfo);
  }
  return hresult::kDispException;
}

void TBaseObject::AnswerException(const WideString& className, const WideString& message,
                                  InvokeExceptionInfo* exceptionInfo) {
  if (exceptionInfo != nullptr) {
    exceptionInfo->scode = kResultUnknownError;
    exceptionInfo->description = message;
    exceptionInfo->source = className;
  }
  WriteDebugLog(u"EXCEPTION", className + u": " + message);
}

HResult TBaseObject::CallMethod(std::int32_t dispId, Variant& result, SafeArray& params) {
  const bool trace = FDebugLogEnabled;
  if (IsExtensionCall(dispId)) {
    return CallPublicMethod(FExtMethodList[static_cast<std::size_t>(dispId - kExtMethodBase)],
                            nullptr, trace, result, params);
  }
  const TMethodStruct& row = FMethodList.at(static_cast<std::size_t>(dispId));
  if (row.IsPublic) return CallPublicMethod(row.Name, &row.PublicMethod(), trace, result, params);
  CallPrivateMethod(row, trace, result, params);
  return hresult::kOk;
}

HResult TBaseObject::CallPublicMethod(const WideString& name, const TPublicMethod* handler,
                                      bool trace, Variant& result, SafeArray& params) {
  Variant inData;
  Variant outData;
  Variant timeOut;
  GetArrayElements(params, {&inData, &outData, &timeOut});
  // Whatever the host passed in its second argument never reaches the handler.
  outData.Clear();
  FExtData.Clear();
  if (trace) WriteDebugLog(u"> " + name, u"InData: " + VariantToText(inData));

  HResult answer = hresult::kOk;
  std::int32_t timeOutValue = 0;
  if (!TimeOutValue(timeOut, timeOutValue)) {
    answer = hresult::kInvalidArg;
  } else {
    WideString description;
    std::int32_t code = kResultOk;
    try {
      code = handler != nullptr ? (*handler)(inData, outData, timeOutValue, description)
                                : FOnExtMethod(name, inData, outData, timeOutValue, description);
    } catch (const std::exception& e) {
      code = kResultUnknownError;
      description = ExceptionMessage(e);
    }
    if (code != kResultOk) {
      if (description.empty()) description = GetDriverResultDescription(code);
      outData = MakeErrorData(code, description, FExtData);
    }
    PutArrayElement(params, kOutDataIndex, outData);
    result = Variant(code == kResultOk);
  }
  if (trace) {
    WriteDebugLog(u"< " + name,
                  u"Result=" + VariantToText(result) + u"; OutData: " + VariantToText(outData));
  }
  return answer;
}

void TBaseObject::CallPrivateMethod(const TMethodStruct& row, bool trace, Variant& result,
                                    SafeArray& params) {
  if (trace) WriteDebugLog(u"> " + row.Name, u"Params: " + VariantToText(Variant(params)));
  try {
    result = row.PrivateMethod()(params);
  } catch (const std::exception& e) {
    if (trace) WriteDebugLog(u"EXCEPTION", ExceptionMessage(e));
    throw;
  }
  if (trace) {
    WriteDebugLog(u"< " + row.Name, u"Result=" + VariantToText(result) + u"; Params: " +
                                        VariantToText(Variant(params)));
  }
}

WideString TBaseObject::GetDriverResultDescription(std::int32_t resultCode) {
  return GetResultDescription(resultCode, u"", u"");
}

void TBaseObject::SetDebugLogEnabled(bool value) {
  if (value == FDebugLogEnabled) return;
  FDebugLogEnabled = value;
  if (value) BeginDebugLog();
}

void TBaseObject::WriteDebugLog(const WideString& name, const WideString& text, bool noText) {
  if (!FDebugLogEnabled) return;
  const std::shared_ptr<TraceWriter> writer = Platform().callTrace;
  if (!writer) return;
  try {
    writer->WriteLine(TraceLine{FInstanceID, FDebugLogDir, name, text, noText});
  } catch (...) {
    // The trace is diagnostics: losing a line must not change the outcome of the host's call.
  }
}

void TBaseObject::GetArrayElements(const Variant& source, std::initializer_list<Variant*> targets) {
  for (Variant* target : targets) target->Clear();
  const Variant& value = source.Dereferenced();
  if (value.IsArray() && value.Array() != nullptr) {
    GetArrayElements(*value.Array(), targets);
    return;
  }
  if (const auto scriptArray = value.Dispatch()) {
    GetScriptArrayElements(*scriptArray, targets);
    return;
  }
  throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
}

void TBaseObject::GetArrayElements(const SafeArray& source,
                                   std::initializer_list<Variant*> targets) {
  const auto& elements = source.Elements();
  std::size_t index = 0;
  for (Variant* target : targets) {
    // Indices count from 0 whatever the array's lower bound; storage order is the order of the
    // first dimension.
    *target = index < elements.size() ? elements[index].Dereferenced() : Variant();
    ++index;
  }
}

void TBaseObject::PutArrayElement(SafeArray& array, std::int32_t index, const Variant& value) {
  if (array.Dimensions() != 1) return;
  if (Variant* element = array.Find(index)) *element = value;
}

Variant TBaseObject::MakeErrorData(std::int32_t code, const WideString& description,
                                   const Variant& extData) {
  std::vector<Variant> elements{
      Variant(code),
      Variant(description.empty() ? GetResultDescription(code, u"", u"") : description)};
  if (!extData.IsEmpty()) elements.push_back(extData);
  return Variant(SafeArray::Vector(std::move(elements)));
}

}  // namespace equ
