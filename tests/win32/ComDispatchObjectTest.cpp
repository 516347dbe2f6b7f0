// Drives the automation face of a driver object with hand-built DISPPARAMS, the way hosts
// and script engines call it.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FakeDispatch.h"
#include "equipment/common/BaseObject.h"
#include "equipment/common/Exceptions.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComVariant.h"
#include "platform/win32/WinText.h"

namespace equ::win32 {
namespace {

class TProbeObject : public TBaseObject {
 public:
  Variant lastInData;
  int publicCalls = 0;

  void Initialize() override {
    TBaseObject::Initialize();
    RegisterPublicMethod(u"Echo", Bind(&TProbeObject::HostEcho));
    RegisterPublicMethod(u"PortFailure",
                         [](Variant&, Variant&, std::int32_t, WideString&) { return 1011; });
    RegisterPublicMethod(u"Throws",
                         [](Variant&, Variant&, std::int32_t, WideString&) -> std::int32_t {
                           throw EquException(1011, u"Порт COM3 занят");
                         });
    RegisterPrivateMethod(u"SetFlag", Bind(&TProbeObject::HostSetFlag));
    RegisterPrivateMethod(u"SetText", [](SafeArray& params) {
      params.At(0) = Variant(u"новый текст");
      return Variant();
    });
    RegisterPrivateMethod(
        u"Raise", [](SafeArray&) -> Variant { throw EquException(1005, u"Нет менеджера"); });
    RegisterPrivateMethod(u"Count", [](SafeArray& params) {
      return Variant(static_cast<std::int32_t>(params.ElementCount()));
    });
    RegisterPublicMethod(u"FirstOf", [](Variant& in, Variant& out, std::int32_t, WideString&) {
      GetArrayElements(in, {&out});
      return 0;
    });
    RegisterPrivateMethod(u"TypeOfFirst", [](SafeArray& params) {
      return Variant(static_cast<std::int32_t>(params.At(0).TypeCode()));
    });
  }

 private:
  std::int32_t HostEcho(Variant& in, Variant& out, std::int32_t, WideString&) {
    ++publicCalls;
    lastInData = in;
    out = in;
    return 0;
  }
  Variant HostSetFlag(SafeArray& params) {
    params.At(0) = Variant(true);
    return Variant(true);
  }
};

// Arguments in call order, stored last-first as automation passes them.
class Arguments {
 public:
  explicit Arguments(std::size_t count) : values_(count) {
    for (VARIANT& v : values_) VariantInit(&v);
  }
  ~Arguments() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  VARIANT& operator[](std::size_t callIndex) { return values_[values_.size() - 1 - callIndex]; }
  DISPPARAMS* params() {
    params_ = DISPPARAMS{values_.empty() ? nullptr : values_.data(), nullptr,
                         static_cast<UINT>(values_.size()), 0};
    return &params_;
  }

 private:
  std::vector<VARIANT> values_;
  DISPPARAMS params_{};
};

void SetI4(VARIANT& v, LONG value) {
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
}

void SetBstr(VARIANT& v, const wchar_t* text) {
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
}

void SetRef(VARIANT& v, VARIANT* target) {
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
}

struct ExcepInfo {
  EXCEPINFO info{};
  ~ExcepInfo() {
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
  }
};

class ComDispatchObjectTest : public ::testing::Test {
 protected:
  ComDispatchObjectTest() {
    ObjectPtr<TProbeObject> object(new TProbeObject());
    probe_ = object.get();
    probe_->Initialize();
    dispatch_ = new ComDispatchObject(std::move(object));
  }
  ~ComDispatchObjectTest() override { dispatch_->Release(); }

  DISPID Id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
  }

  HRESULT Call(const wchar_t* name, Arguments& args, VARIANT* result = nullptr,
               EXCEPINFO* info = nullptr, WORD flags = DISPATCH_METHOD) {
    return dispatch_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, args.params(), result,
                             info, nullptr);
  }

  TProbeObject* probe_ = nullptr;
  ComDispatchObject* dispatch_ = nullptr;
};

TEST_F(ComDispatchObjectTest, AnswersItsInterfacesAndNoTypeInformation) {
  void* out = nullptr;
  ASSERT_EQ(dispatch_->QueryInterface(IID_ISupportErrorInfo, &out), S_OK);
  auto* errorInfo = static_cast<ISupportErrorInfo*>(out);
  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
  errorInfo->Release();
  ASSERT_EQ(dispatch_->QueryInterface(IID_IUnknown, &out), S_OK);
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(dispatch_->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  UINT count = 7;
  EXPECT_EQ(dispatch_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  ITypeInfo* typeInfo = nullptr;
  EXPECT_EQ(dispatch_->GetTypeInfo(0, 0, &typeInfo), E_NOTIMPL);
}

TEST_F(ComDispatchObjectTest, UnknownNameIsNotImplementedWithMinusOne) {
  DISPID id = 0;
  auto* names = const_cast<LPOLESTR>(L"NoSuchMethod");
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), E_NOTIMPL);
  EXPECT_EQ(id, -1);
  auto* mixedCase = const_cast<LPOLESTR>(L"eCHO");
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &mixedCase, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 0);
}

TEST_F(ComDispatchObjectTest, PropertyGetAndLargeNumbersAreRefused) {
  Arguments args(3);
  EXPECT_EQ(Call(L"Echo", args, nullptr, nullptr, DISPATCH_PROPERTYGET), E_FAIL);
  EXPECT_EQ(dispatch_->Invoke(100000, IID_NULL, 0, DISPATCH_METHOD, args.params(), nullptr, nullptr,
                              nullptr),
            E_FAIL);
  EXPECT_EQ(
      dispatch_->Invoke(-1, IID_NULL, 0, DISPATCH_METHOD, args.params(), nullptr, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(probe_->publicCalls, 0);
}

TEST_F(ComDispatchObjectTest, PublicCallWithoutOrdinalTimeOutIsInvalidAndWritesNothing) {
  VARIANT out;
  VariantInit(&out);
  SetI4(out, 99);
  Arguments args(3);
  SetI4(args[0], 1);
  SetRef(args[1], &out);
  SetBstr(args[2], L"10");
  ScopedVariant result;
  EXPECT_EQ(Call(L"Echo", args, result.get()), E_INVALIDARG);
  EXPECT_EQ(V_VT(&out), VT_I4);
  EXPECT_EQ(V_I4(&out), 99);
  EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
  EXPECT_EQ(probe_->publicCalls, 0);

  Arguments twoArgs(2);
  EXPECT_EQ(Call(L"Echo", twoArgs, result.get()), E_INVALIDARG);
}

TEST_F(ComDispatchObjectTest, PublicFailureReturnsFalseAndTheErrorArray) {
  ScopedVariant out;
  Arguments args(3);
  SetRef(args[1], out.get());
  SetI4(args[2], 0);
  ScopedVariant result;
  ASSERT_EQ(Call(L"PortFailure", args, result.get()), S_OK);
  EXPECT_EQ(V_VT(result.get()), VT_BOOL);
  EXPECT_EQ(V_BOOL(result.get()), VARIANT_FALSE);
  ASSERT_EQ(V_VT(out.get()), VT_ARRAY | VT_VARIANT);
  const SafeArray error = FromSafeArray(V_ARRAY(out.get()));
  EXPECT_EQ(error, SafeArray::Vector({Variant(1011), Variant(u"Порт недоступен")}));
}

TEST_F(ComDispatchObjectTest, PublicHandlerExceptionIsAFailedCallNotAnException) {
  ScopedVariant out;
  Arguments args(3);
  SetRef(args[1], out.get());
  SetI4(args[2], 0);
  ScopedVariant result;
  ExcepInfo info;
  ASSERT_EQ(Call(L"Throws", args, result.get(), &info.info), S_OK);
  EXPECT_EQ(V_BOOL(result.get()), VARIANT_FALSE);
  EXPECT_EQ(FromSafeArray(V_ARRAY(out.get())),
            SafeArray::Vector({Variant(1001), Variant(u"Порт COM3 занят")}));
}

TEST_F(ComDispatchObjectTest, PrivateHandlerExceptionFillsTheExceptionRecord) {
  Arguments args(1);
  SetI4(args[0], 5);
  VARIANT result;
  VariantInit(&result);
  SetI4(result, 1234);
  ExcepInfo info;
  ASSERT_EQ(Call(L"Raise", args, &result, &info.info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.info.scode, 1001);
  EXPECT_EQ(FromBstr(info.info.bstrDescription), u"Нет менеджера");
  EXPECT_EQ(FromBstr(info.info.bstrSource), u"EquException");
  EXPECT_EQ(V_I4(&result), 1234) << "the result is left as it was";
}

TEST_F(ComDispatchObjectTest, ByReferenceBooleanReceivesMinusOne) {
  VARIANT_BOOL flag = VARIANT_FALSE;
  Arguments args(1);
  V_VT(&args[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&args[0]) = &flag;
  ASSERT_EQ(Call(L"SetFlag", args), S_OK);
  EXPECT_EQ(flag, -1);
}

TEST_F(ComDispatchObjectTest, ByReferenceStringIsReplaced) {
  BSTR text = SysAllocString(L"старый");
  Arguments args(1);
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &text;
  ASSERT_EQ(Call(L"SetText", args), S_OK);
  EXPECT_EQ(FromBstr(text), u"новый текст");
  SysFreeString(text);
}

TEST_F(ComDispatchObjectTest, SixteenBitIntegersAreWidened) {
  Arguments args(1);
  V_VT(&args[0]) = VT_I2;
  V_I2(&args[0]) = 7;
  ScopedVariant result;
  ASSERT_EQ(Call(L"TypeOfFirst", args, result.get()), S_OK);
  EXPECT_EQ(V_I4(result.get()), VT_I4);

  SHORT byRef = 8;
  Arguments refArgs(1);
  V_VT(&refArgs[0]) = VT_BYREF | VT_I2;
  V_I2REF(&refArgs[0]) = &byRef;
  ASSERT_EQ(Call(L"TypeOfFirst", refArgs, result.get()), S_OK);
  EXPECT_EQ(V_I4(result.get()), VT_I4) << "a by-reference integer reaches the handler as a value";
}

TEST_F(ComDispatchObjectTest, ScriptArrayVariableAsInDataSurvivesTheWriteBack) {
  // VBScript passes an array variable as VT_BYREF|VT_VARIANT -> VT_BYREF|VT_ARRAY|VT_VARIANT.
  SAFEARRAY* array = ToSafeArray(SafeArray::Vector({Variant(u"a"), Variant(2)}));
  VARIANT holder;
  VariantInit(&holder);
  V_VT(&holder) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&holder) = &array;
  ScopedVariant out;
  Arguments args(3);
  SetRef(args[0], &holder);
  SetRef(args[1], out.get());
  V_VT(&args[2]) = VT_I2;
  V_I2(&args[2]) = 0;
  ScopedVariant result;
  ASSERT_EQ(Call(L"Echo", args, result.get()), S_OK);
  EXPECT_EQ(V_BOOL(result.get()), VARIANT_TRUE);
  EXPECT_EQ(probe_->lastInData, Variant(SafeArray::Vector({Variant(u"a"), Variant(2)})));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(FromSafeArray(array), SafeArray::Vector({Variant(u"a"), Variant(2)}));
  ASSERT_EQ(V_VT(out.get()), VT_ARRAY | VT_VARIANT);
  SafeArrayDestroy(array);
}

TEST_F(ComDispatchObjectTest, ArrayLiteralAsInDataArrivesAsAnArray) {
  Arguments args(3);
  V_VT(&args[0]) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&args[0]) = ToSafeArray(SafeArray::Vector({Variant(7), Variant(u"x")}));
  SetI4(args[2], 0);
  ASSERT_EQ(Call(L"Echo", args), S_OK);
  EXPECT_EQ(probe_->lastInData, Variant(SafeArray::Vector({Variant(7), Variant(u"x")})));
}

TEST_F(ComDispatchObjectTest, ScriptArrayObjectAsInDataReadsItsElements) {
  // JScript passes its arrays as objects with a length and members named by index.
  VARIANT first;
  VariantInit(&first);
  SetBstr(first, L"первый");
  testing::FakeDispatch* array = testing::FakeDispatch::ScriptArray({first});
  VariantClear(&first);
  ScopedVariant out;
  Arguments args(3);
  V_VT(&args[0]) = VT_DISPATCH;
  V_DISPATCH(&args[0]) = array;
  SetRef(args[1], out.get());
  SetI4(args[2], 0);
  ASSERT_EQ(Call(L"FirstOf", args), S_OK);
  ASSERT_EQ(V_VT(out.get()), VT_BSTR);
  EXPECT_EQ(FromBstr(V_BSTR(out.get())), u"первый");
}

TEST_F(ComDispatchObjectTest, WriteBackThatCannotBeStoredIsAFailedCall) {
  SCODE error = 0;
  Arguments args(1);
  V_VT(&args[0]) = VT_BYREF | VT_ERROR;
  V_ERRORREF(&args[0]) = &error;
  ExcepInfo info;
  EXPECT_EQ(Call(L"SetFlag", args, nullptr, &info.info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.info.scode, 1004);
  EXPECT_EQ(FromBstr(info.info.bstrDescription), u"Ошибка входных параметров команды");
}

TEST_F(ComDispatchObjectTest, UnchangedArgumentOfAnUnstorableTypeDoesNotFailTheCall) {
  DECIMAL amount{};
  amount.Lo64 = 12345;
  amount.scale = 2;
  Arguments args(1);
  V_VT(&args[0]) = VT_BYREF | VT_DECIMAL;
  V_DECIMALREF(&args[0]) = &amount;
  ScopedVariant result;
  ASSERT_EQ(Call(L"Count", args, result.get()), S_OK);
  EXPECT_EQ(V_I4(result.get()), 1);
  EXPECT_EQ(amount.Lo64, 12345u);
}

TEST_F(ComDispatchObjectTest, ByValueArgumentsAreReplacedInPlace) {
  Arguments args(1);
  SetBstr(args[0], L"старый");
  ASSERT_EQ(Call(L"SetText", args), S_OK);
  ASSERT_EQ(V_VT(&args[0]), VT_BSTR);
  EXPECT_EQ(FromBstr(V_BSTR(&args[0])), u"новый текст");
}

TEST_F(ComDispatchObjectTest, NamedArgumentsAreIgnoredAndNoArgumentsAreFine) {
  Arguments none(0);
  ScopedVariant result;
  ASSERT_EQ(Call(L"Count", none, result.get()), S_OK);
  EXPECT_EQ(V_I4(result.get()), 0);
  EXPECT_EQ(dispatch_->Invoke(Id(L"Count"), IID_NULL, 0, DISPATCH_METHOD, nullptr, result.get(),
                              nullptr, nullptr),
            S_OK);
}

// How a host's array passed by reference as OutData is set up before the call.
struct HostArrayCase {
  const char* name;
  VARTYPE elementType;
  bool locked;
  USHORT extraFeatures;
};

class ByReferenceArrayWriteBackTest : public ComDispatchObjectTest,
                                      public ::testing::WithParamInterface<HostArrayCase> {};

// A compiled host's typed, locked or fixed array must never be destroyed or replaced by an
// array of VARIANTs: the host would read VARIANTs where it expects its own elements.
TEST_P(ByReferenceArrayWriteBackTest, FailsWith1004AndLeavesTheHostsArrayUntouched) {
  const HostArrayCase& c = GetParam();
  SAFEARRAYBOUND bound{2, 0};
  SAFEARRAY* array = SafeArrayCreate(c.elementType, 1, &bound);
  ASSERT_NE(array, nullptr);
  LONG index = 0;
  if (c.elementType == VT_BSTR) {
    BSTR text = SysAllocString(L"хост");
    ASSERT_EQ(SafeArrayPutElement(array, &index, text), S_OK);
    SysFreeString(text);
  } else {
    ScopedVariant item;
    SetBstr(*item.get(), L"хост");
    ASSERT_EQ(SafeArrayPutElement(array, &index, item.get()), S_OK);
  }
  array->fFeatures |= c.extraFeatures;
  if (c.locked) {
    ASSERT_EQ(SafeArrayLock(array), S_OK);
  }
  SAFEARRAY* const original = array;

  Arguments args(3);
  V_VT(&args[1]) = VT_BYREF | VT_ARRAY | c.elementType;
  V_ARRAYREF(&args[1]) = &array;
  SetI4(args[2], 0);
  ExcepInfo info;
  ScopedVariant result;
  ASSERT_EQ(Call(L"PortFailure", args, result.get(), &info.info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.info.scode, 1004);
  EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
  EXPECT_EQ(array, original) << "the host's array pointer is kept";
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
  EXPECT_EQ(vt, c.elementType);
  if (c.locked) {
    ASSERT_EQ(SafeArrayUnlock(array), S_OK);
  }
  array->fFeatures &= static_cast<USHORT>(~c.extraFeatures);
  EXPECT_EQ(FromSafeArray(array).At(0), Variant(u"хост"));
  V_VT(&args[1]) = VT_EMPTY;
  SafeArrayDestroy(array);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ByReferenceArrayWriteBackTest,
    ::testing::Values(HostArrayCase{"StringArray", VT_BSTR, false, 0},
                      HostArrayCase{"LockedVariantArray", VT_VARIANT, true, 0},
                      HostArrayCase{"FixedVariantArray", VT_VARIANT, false, FADF_FIXEDSIZE},
                      HostArrayCase{"StaticVariantArray", VT_VARIANT, false, FADF_STATIC}),
    [](const ::testing::TestParamInfo<HostArrayCase>& p) { return p.param.name; });

TEST_F(ComDispatchObjectTest, ScriptArrayPassedByReferenceReceivesTheErrorArray) {
  SAFEARRAY* array = ToSafeArray(SafeArray::Vector({Variant(u"старое")}));
  Arguments args(3);
  V_VT(&args[1]) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&args[1]) = &array;
  SetI4(args[2], 0);
  ScopedVariant result;
  ASSERT_EQ(Call(L"PortFailure", args, result.get()), S_OK);
  EXPECT_EQ(V_BOOL(result.get()), VARIANT_FALSE);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(FromSafeArray(array), SafeArray::Vector({Variant(1011), Variant(u"Порт недоступен")}));
  V_VT(&args[1]) = VT_EMPTY;
  SafeArrayDestroy(array);
}

// A host may hand a record it did not zero, or one it reuses: its strings are not the
// object's to free. Freeing these pointers would crash the call.
TEST_F(ComDispatchObjectTest, ExceptionRecordWithJunkStringsIsOnlyWritten) {
  Arguments args(1);
  SetI4(args[0], 5);
  EXCEPINFO info;
  std::memset(&info, 0, sizeof info);
  BSTR const junk = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x10));
  info.bstrDescription = junk;
  info.bstrSource = junk;
  info.bstrHelpFile = junk;
  info.dwHelpContext = 77;
  ASSERT_EQ(Call(L"Raise", args, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, 1001);
  EXPECT_EQ(FromBstr(info.bstrDescription), u"Нет менеджера");
  EXPECT_EQ(FromBstr(info.bstrSource), u"EquException");
  EXPECT_EQ(info.bstrHelpFile, junk) << "the other members are left as they are";
  EXPECT_EQ(info.dwHelpContext, 77u);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
}

// What GetErrorInfo hands the caller now: the description and source, or nothing.
struct ThreadError {
  bool present = false;
  WideString description;
  WideString source;
};

ThreadError ReadThreadError() {
  ThreadError out;
  IErrorInfo* error = nullptr;
  if (GetErrorInfo(0, &error) != S_OK || error == nullptr) return out;
  out.present = true;
  BSTR text = nullptr;
  if (SUCCEEDED(error->GetDescription(&text))) out.description = FromBstr(text);
  SysFreeString(text);
  text = nullptr;
  if (SUCCEEDED(error->GetSource(&text))) out.source = FromBstr(text);
  SysFreeString(text);
  error->Release();
  return out;
}

void SetUnrelatedThreadError() {
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"чужая ошибка"));
  IErrorInfo* error = nullptr;
  create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&error));
  SetErrorInfo(0, error);
  error->Release();
  create->Release();
}

TEST_F(ComDispatchObjectTest, FailureSetsTheThreadsErrorObjectAndSuccessClearsIt) {
  Arguments raise(1);
  SetI4(raise[0], 5);
  SetUnrelatedThreadError();
  ExcepInfo info;
  ASSERT_EQ(Call(L"Raise", raise, nullptr, &info.info), DISP_E_EXCEPTION);
  ThreadError error = ReadThreadError();
  ASSERT_TRUE(error.present);
  EXPECT_EQ(error.description, u"Нет менеджера");
  EXPECT_EQ(error.source, u"EquException");

  // Without a record to fill the failure is still told through the error object.
  ASSERT_EQ(Call(L"Raise", raise), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadThreadError().description, u"Нет менеджера");

  SetUnrelatedThreadError();
  Arguments none(0);
  ScopedVariant result;
  ASSERT_EQ(Call(L"Count", none, result.get()), S_OK);
  EXPECT_FALSE(ReadThreadError().present) << "a success leaves no error behind";

  SetUnrelatedThreadError();
  Arguments noTimeOut(2);
  ASSERT_EQ(Call(L"Echo", noTimeOut), E_INVALIDARG);
  EXPECT_FALSE(ReadThreadError().present) << "nor does a refusal without an exception record";
}

TEST_F(ComDispatchObjectTest, FailedWriteBackIsTheThreadsErrorToo) {
  SCODE code = 0;
  Arguments args(1);
  V_VT(&args[0]) = VT_BYREF | VT_ERROR;
  V_ERRORREF(&args[0]) = &code;
  ASSERT_EQ(Call(L"SetFlag", args), DISP_E_EXCEPTION);
  EXPECT_EQ(ReadThreadError().description, u"Ошибка входных параметров команды");
}

}  // namespace
}  // namespace equ::win32
