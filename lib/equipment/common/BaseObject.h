#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "HResult.h"
#include "MethodTable.h"
#include "SafeArray.h"
#include "SettingTypes.h"
#include "TraceWriter.h"
#include "Variant.h"
#include "WideString.h"

namespace equ {

// What the host receives in its exception record when a call ends in an exception.
struct InvokeExceptionInfo {
  std::int32_t scode = 0;
  WideString description;
  WideString source;
};

// The driver object: a table of named methods the host calls late-bound, in one of two
// calling conventions, with every failure turned into a result code and a description.
// The platform binding (the automation interface, reference counting) wraps this class.
class TBaseObject {
 public:
  // Dispatch numbers from here on are refused outright.
  static constexpr std::int32_t kMaxDispID = 100000;
  // Names resolved through the extension handler get this number plus their list index.
  static constexpr std::int32_t kExtMethodBase = 65535;

  TBaseObject() = default;
  virtual ~TBaseObject() = default;
  TBaseObject(const TBaseObject&) = delete;
  TBaseObject& operator=(const TBaseObject&) = delete;

  // Called right after construction; device classes register their methods and settings here.
  virtual void Initialize();
  // Called right before destruction, while overridden operations still dispatch to the most
  // derived class (a device disables itself here). Must not throw.
  virtual void BeforeDestruction() noexcept {}

  // Holds the object's destruction back for a scope in which its own code runs below a call out
  // (a host that releases the object inside an event or a call of it): a release meanwhile only
  // marks the object, and the last scope to end destroys it.
  class TDestructionHold {
   public:
    explicit TDestructionHold(TBaseObject& object) : FObject(object) { ++FObject.FHolds; }
    ~TDestructionHold();
    TDestructionHold(const TDestructionHold&) = delete;
    TDestructionHold& operator=(const TDestructionHold&) = delete;

   private:
    TBaseObject& FObject;
  };
  // Runs the destruction steps and frees the object, or defers both to the end of a hold.
  static void Destroy(TBaseObject* object) noexcept;

  // Resolves a method name; kNotImpl and -1 for a name the object does not know.
  virtual HResult GetIDsOfNames(std::u16string_view name, std::int32_t& dispId);
  // Calls a method. params holds the host's arguments in call order with all by-reference
  // indirection removed; on kOk the caller writes params back into the host's arguments and
  // hands result to the host. No exception leaves this operation.
  virtual HResult Invoke(std::int32_t dispId, std::uint16_t flags, SafeArray& params,
                         Variant& result, InvokeExceptionInfo* exceptionInfo);
  virtual void BeginDebugLog() {}
  virtual WideString GetDriverResultDescription(std::int32_t resultCode);

  // A dispatch number of 100000 or more, or a call without the method bit (a property read),
  // is refused before anything else is done.
  static bool IsRefusedInvocation(std::int32_t dispId, std::uint16_t flags) {
    return dispId >= kMaxDispID || (flags & kDispatchMethod) == 0;
  }

  std::int32_t FindMethodID(std::u16string_view name);
  HResult CallMethod(std::int32_t dispId, Variant& result, SafeArray& params);

  const TMethodArray& MethodList() const { return FMethodList; }
  const WideString& InstanceID() const { return FInstanceID; }

  bool DebugLogEnabled() const { return FDebugLogEnabled; }
  void SetDebugLogEnabled(bool value);
  const WideString& DebugLogDir() const { return FDebugLogDir; }
  void SetDebugLogDir(WideString folder) { FDebugLogDir = std::move(folder); }

  // Appends one call-trace line, through the platform's trace writer (Platform().callTrace),
  // when the trace is on. The trace is diagnostics: a line that cannot be written is dropped
  // and never makes the traced call fail.
  void WriteDebugLog(const WideString& name, const WideString& text, bool noText = false);

  // The settings table. Lookups take the first row whose ID matches ASCII case-insensitively.
  const TSettingArray& SettingList() const { return FSettingList; }
  // A copy of the row's default (or value); Empty when no row has this ID.
  Variant GetSettingValue(std::u16string_view id, bool defaultValue = false) const;
  // The value converted as automation converts; a value that does not convert raises
  // EVariantError. An ID without a row reads as False, 0, 0.0 or "".
  bool GetSettingValueBool(std::u16string_view id) const;
  std::int32_t GetSettingValueInt(std::u16string_view id) const;
  Currency GetSettingValueCurr(std::u16string_view id) const;
  double GetSettingValueDbl(std::u16string_view id) const;
  Date GetSettingValueDate(std::u16string_view id) const;
  WideString GetSettingValueStr(std::u16string_view id) const;
  bool GetSettingReadOnly(std::u16string_view id) const;
  // Stores the value as passed (no conversion, no read-only check); an unknown ID is ignored.
  void SetSettingValue(std::u16string_view id, const Variant& value);
  void SetAllSettingsDefault();

  // Copies elements 0..n of a one-dimensional array (a variant holding one, or a script array
  // object with a length) into the targets, each cleared first; missing elements leave their
  // target Empty. Throws EquException(1004) when the source holds no array.
  static void GetArrayElements(const Variant& source, std::initializer_list<Variant*> targets);
  static void GetArrayElements(const SafeArray& source, std::initializer_list<Variant*> targets);
  // Stores a copy of a value at an index of a one-dimensional array; a failed store is ignored.
  static void PutArrayElement(SafeArray& array, std::int32_t index, const Variant& value);
  // The error array [code, description] (plus extData when it is not Empty); an empty
  // description is the text of the code.
  static Variant MakeErrorData(std::int32_t code, const WideString& description,
                               const Variant& extData);

 protected:
  TMethodStruct& FindOrAddMethod(std::u16string_view name);
  void RegisterPrivateMethod(std::u16string_view name, TPrivateMethod handler);
  TMethodStruct& RegisterPublicMethod(std::u16string_view name, TPublicMethod handler);
  TMethodStruct& RegisterSpecificMethod(std::u16string_view name, TPublicMethod handler);
  TMethodStruct& RegisterMethod(std::u16string_view name, bool isSpecific, TPublicMethod handler);

  // Adds a row, or updates the first row with this ID: its value and default become the new
  // default, its read-only flag and description the new ones; its type and caption stay.
  void RegisterSetting(std::u16string_view id, TDataType valueType, const Variant& defaultValue,
                       bool readOnly, std::u16string_view name, std::u16string_view description);
  TSettingStruct* FindSetting(std::u16string_view id);
  const TSettingStruct* FindSetting(std::u16string_view id) const;
  TSettingArray& SettingRows() { return FSettingList; }

  // Binds a member function of a device class as a handler.
  template <class T>
  TPublicMethod Bind(std::int32_t (T::*method)(Variant&, Variant&, std::int32_t, WideString&)) {
    T* self = static_cast<T*>(this);
    return [self, method](Variant& in, Variant& out, std::int32_t timeOut, WideString& desc) {
      return (self->*method)(in, out, timeOut, desc);
    };
  }
  template <class T>
  TPrivateMethod Bind(Variant (T::*method)(SafeArray&)) {
    T* self = static_cast<T*>(this);
    return [self, method](SafeArray& params) { return (self->*method)(params); };
  }

  // Extra data of a failure; becomes the third element of the error array when set.
  Variant FExtData;
  // Optional handler for names outside the method table; no class of this driver sets it.
  TExtMethod FOnExtMethod;

 private:
  bool IsExtensionCall(std::int32_t dispId) const;
  bool IsKnownDispID(std::int32_t dispId) const;
  HResult CallPublicMethod(const WideString& name, const TPublicMethod* handler, bool trace,
                           Variant& result, SafeArray& params);
  void CallPrivateMethod(const TMethodStruct& row, bool trace, Variant& result, SafeArray& params);
  void AnswerException(const WideString& className, const WideString& message,
                       InvokeExceptionInfo* exceptionInfo);

  std::vector<WideString> FExtMethodList;
  WideString FInstanceID;
  TMethodArray FMethodList;
  TSettingArray FSettingList;
  bool FDebugLogEnabled = false;
  WideString FDebugLogDir;
  int FHolds = 0;
  bool FDestroyWhenReleased = false;
};

// Deletes a driver object after running its destruction steps.
struct TBaseObjectDeleter {
  void operator()(TBaseObject* object) const noexcept { TBaseObject::Destroy(object); }
};

template <class T>
using ObjectPtr = std::unique_ptr<T, TBaseObjectDeleter>;

// A new, initialized driver object.
template <class T, class... Args>
ObjectPtr<T> MakeObject(Args&&... args) {
  ObjectPtr<T> object(new T(std::forward<Args>(args)...));
  object->Initialize();
  return object;
}

}  // namespace equ
