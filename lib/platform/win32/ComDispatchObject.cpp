#include "ComDispatchObject.h"

#include <exception>

#include "ComVariant.h"
#include "WinText.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"

namespace equ::win32 {

namespace {

// The record is the caller's and may hold anything on entry (automation does not ask it to be
// zeroed): its strings are only written, never freed.
void FillExceptionInfo(EXCEPINFO* target, const InvokeExceptionInfo& info) {
  if (target == nullptr) return;
  target->scode = info.scode;
  try {
    BSTR description = AllocBstr(info.description);
    BSTR source = nullptr;
    try {
      source = AllocBstr(info.source);
    } catch (const std::bad_alloc&) {
      SysFreeString(description);
      throw;
    }
    target->bstrDescription = description;
    target->bstrSource = source;
  } catch (const std::bad_alloc&) {
    // The code alone still tells the host what happened.
  }
}

// The thread's error object, which a host reads with GetErrorInfo after a failed call (the
// object says it supports error information for IDispatch).
void SetThreadErrorInfo(const InvokeExceptionInfo& info) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) {
    SetErrorInfo(0, nullptr);
    return;
  }
  create->SetGUID(IID_IDispatch);
  create->SetDescription(const_cast<LPOLESTR>(WidePtr(info.description)));
  create->SetSource(const_cast<LPOLESTR>(WidePtr(info.source)));
  IErrorInfo* error = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&error)))) {
    SetErrorInfo(0, error);
    error->Release();
  } else {
    SetErrorInfo(0, nullptr);
  }
  create->Release();
}

// Fills the caller's record and the thread's error object with one failure.
HRESULT AnswerFailure(EXCEPINFO* target, const InvokeExceptionInfo& info) {
  FillExceptionInfo(target, info);
  SetThreadErrorInfo(info);
  return DISP_E_EXCEPTION;
}

// Every answer other than a failure with an exception record leaves no error object behind:
// one from an earlier, unrelated failure would be taken for this call's.
HRESULT AnswerWithoutErrorInfo(HRESULT hr) {
  SetErrorInfo(0, nullptr);
  return hr;
}

InvokeExceptionInfo DescribeFailure(std::int32_t scode, const std::exception& e) {
  return InvokeExceptionInfo{scode, ExceptionMessage(e), ExceptionClassName(e)};
}

}  // namespace

std::atomic<long>& ModuleLockCount() {
  static std::atomic<long> count{0};
  return count;
}

ComDispatchObject::ComDispatchObject(ObjectPtr<TBaseObject> object) : object_(std::move(object)) {
  ++ModuleLockCount();
}

ComDispatchObject::~ComDispatchObject() {
  --ModuleLockCount();
}

HRESULT ComDispatchObject::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
    *ppv = static_cast<ISupportErrorInfo*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ComDispatchObject::AddRef() {
  return ++references_;
}

ULONG ComDispatchObject::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT ComDispatchObject::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT ComDispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo != nullptr) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT ComDispatchObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                         DISPID* rgDispId) {
  if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0) return E_INVALIDARG;
  try {
    std::int32_t id = -1;
    const HRESULT hr = object_->GetIDsOfNames(FromWide(rgszNames[0]), id);
    rgDispId[0] = id;
    return hr;
  } catch (...) {
    rgDispId[0] = DISPID_UNKNOWN;
    return E_OUTOFMEMORY;
  }
}

HRESULT ComDispatchObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                  DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                  EXCEPINFO* pExcepInfo, UINT*) {
  if (TBaseObject::IsRefusedInvocation(dispIdMember, wFlags)) return AnswerWithoutErrorInfo(E_FAIL);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  DISPPARAMS& params = pDispParams != nullptr ? *pDispParams : none;
  try {
    SafeArray arguments = UnpackArguments(params);
    const SafeArray received = arguments;
    Variant result;
    InvokeExceptionInfo failure;
    const HResult hr = object_->Invoke(dispIdMember, wFlags, arguments, result, &failure);
    if (hr == hresult::kDispException) return AnswerFailure(pExcepInfo, failure);
    if (hr != hresult::kOk) return AnswerWithoutErrorInfo(hr);
    try {
      WriteBackArguments(params, arguments, received);
      if (pVarResult != nullptr) {
        VariantClear(pVarResult);
        ToVariant(result, pVarResult);
      }
    } catch (const std::exception& e) {
      // The call itself succeeded, but its results cannot reach the host: a failed call.
      return AnswerFailure(pExcepInfo, DescribeFailure(kResultBadParameters, e));
    }
    return AnswerWithoutErrorInfo(S_OK);
  } catch (const std::exception& e) {
    return AnswerFailure(pExcepInfo, DescribeFailure(kResultUnknownError, e));
  } catch (...) {
    return AnswerFailure(
        pExcepInfo, InvokeExceptionInfo{kResultUnknownError, FindResultText(kResultUnknownError),
                                        u"Exception"});
  }
}

HRESULT ComDispatchObject::InterfaceSupportsErrorInfo(REFIID riid) {
  return IsEqualIID(riid, IID_IDispatch) ? S_OK : S_FALSE;
}

SafeArray UnpackArguments(const DISPPARAMS& params) {
  SafeArray arguments = SafeArray::Vector(params.cArgs);
  for (UINT i = 0; i < params.cArgs; ++i) {
    Variant value = FromVariant(params.rgvarg[params.cArgs - 1 - i]);
    if (!value.IsArray() && !value.IsOpaque() && value.Type() == VarType::I2) {
      value = Variant(static_cast<std::int32_t>(value.RawInt()));
    }
    arguments.At(static_cast<std::int32_t>(i)) = std::move(value);
  }
  return arguments;
}

void WriteBackArguments(DISPPARAMS& params, const SafeArray& arguments, const SafeArray& received) {
  const auto count = static_cast<UINT>(arguments.ElementCount());
  for (UINT i = 0; i < params.cArgs && i < count; ++i) {
    const auto index = static_cast<std::int32_t>(i);
    const Variant& value = arguments.At(index);
    // An argument the call did not change is the host's own value already; storing it again
    // could only fail (a referenced type the write-back cannot store) or lose what the core
    // cannot hold (opaque values).
    if (value.IsOpaque() || (index < static_cast<std::int32_t>(received.ElementCount()) &&
                             value == received.At(index))) {
      continue;
    }
    SetByRefValue(&params.rgvarg[params.cArgs - 1 - i], value);
  }
}

}  // namespace equ::win32
