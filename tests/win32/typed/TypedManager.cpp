#include "TypedManager.h"

#include <initializer_list>
#include <string>

namespace equ::win32::testing {

namespace {

const GUID kLibraryId = {
    0x6B1E2C40, 0x93D5, 0x4F7A, {0x8E, 0x21, 0x3C, 0x4D, 0x5E, 0x6F, 0x7A, 0x81}};
const IID kInterfaceId = {
    0x6B1E2C41, 0x93D5, 0x4F7A, {0x8E, 0x21, 0x3C, 0x4D, 0x5E, 0x6F, 0x7A, 0x81}};

// One parameter of a method as the type library declares it.
struct Param {
  const wchar_t* name;
  VARTYPE vt;
  bool byRef;  // declared as a pointer: [in, out] T*
};

// One method of the interface, its result a [out, retval] T*.
struct Method {
  const wchar_t* name;
  std::initializer_list<Param> params;
  VARTYPE result;
};

const Method kMethods[] = {
    {L"DataEvent",
     {{L"DeviceID", VT_BSTR, false},
      {L"Event", VT_BSTR, false},
      {L"Data", VT_BSTR, false},
      {L"ExtData", VT_VARIANT, true}},
     VT_BOOL},
    {L"ErrorEvent",
     {{L"DeviceID", VT_BSTR, false},
      {L"ErrorName", VT_BSTR, false},
      {L"Description", VT_BSTR, false},
      {L"ExtData", VT_VARIANT, true}},
     VT_BOOL},
    {L"GetAppProperty",
     {{L"DeviceID", VT_BSTR, true}, {L"PropName", VT_BSTR, true}, {L"PropValue", VT_BSTR, true}},
     VT_BOOL},
    {L"MessageDlg",
     {{L"DeviceID", VT_BSTR, false},
      {L"Text", VT_BSTR, false},
      {L"Type", VT_I4, true},
      {L"Buttons", VT_I4, true},
      {L"Timeout", VT_I4, true}},
     VT_I4},
    {L"InputDataDlg",
     {{L"DeviceID", VT_BSTR, false},
      {L"Caption", VT_BSTR, false},
      {L"DefaultData", VT_BSTR, false},
      {L"Description", VT_BSTR, false},
      {L"Mask", VT_BSTR, false},
      {L"Password", VT_BOOL, false},
      {L"TimeOut", VT_I4, true}},
     VT_BSTR},
    {L"TaskState",
     {{L"DeviceID", VT_BSTR, false}, {L"Percent", VT_I4, true}, {L"Description", VT_BSTR, false}},
     VT_BOOL},
    {L"WriteLog",
     {{L"DeviceID", VT_BSTR, false},
      {L"Name", VT_BSTR, false},
      {L"Text", VT_BSTR, false},
      {L"EventType", VT_I4, true}},
     VT_BOOL},
};

HRESULT AddMethod(ICreateTypeInfo* info, UINT index, const Method& method) {
  const UINT count = static_cast<UINT>(method.params.size()) + 1;
  std::vector<TYPEDESC> pointees(count);
  std::vector<ELEMDESC> elements(count);
  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(method.name)};
  UINT i = 0;
  const auto declare = [&](VARTYPE vt, bool pointer, USHORT flags) {
    pointees[i].vt = vt;
    ELEMDESC& element = elements[i];
    element = ELEMDESC{};
    if (pointer) {
      element.tdesc.vt = VT_PTR;
      element.tdesc.lptdesc = &pointees[i];
    } else {
      element.tdesc.vt = vt;
    }
    element.paramdesc.wParamFlags = flags;
    ++i;
  };
  for (const Param& param : method.params) {
    declare(param.vt, param.byRef, param.byRef ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN);
    names.push_back(const_cast<LPOLESTR>(param.name));
  }
  declare(method.result, true, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  names.push_back(const_cast<LPOLESTR>(L"Result"));

  FUNCDESC function{};
  function.memid = static_cast<MEMBERID>(index + 1);
  function.funckind = FUNC_PUREVIRTUAL;
  function.invkind = INVOKE_FUNC;
  function.callconv = CC_STDCALL;
  function.cParams = static_cast<SHORT>(count);
  function.lprgelemdescParam = elements.data();
  function.elemdescFunc.tdesc.vt = VT_HRESULT;
  function.oVft = static_cast<SHORT>((7 + index) * sizeof(void*));
  HRESULT hr = info->AddFuncDesc(index, &function);
  if (SUCCEEDED(hr)) hr = info->SetFuncAndParamNames(index, names.data(), count);
  return hr;
}

// The type library, written to a file of the temporary folder and loaded back from it the way
// a host's registered library is loaded.
ITypeInfo* BuildTypeInfo() {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path =
      std::wstring(folder) + L"typed_manager_" + std::to_wstring(GetCurrentProcessId()) + L".tlb";
  ICreateTypeLib2* library = nullptr;
  // The library's layout (pointer sizes, vtable offsets) is that of this program's bitness.
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  if (FAILED(CreateTypeLib2(kind, path.c_str(), &library))) return nullptr;
  library->SetGuid(kLibraryId);
  library->SetName(const_cast<LPOLESTR>(L"TypedManagerLib"));
  library->SetVersion(1, 0);

  ITypeLib* stdole = nullptr;
  ITypeInfo* dispatchInfo = nullptr;
  ICreateTypeInfo* info = nullptr;
  HRESULT hr = LoadTypeLib(L"stdole2.tlb", &stdole);
  if (SUCCEEDED(hr)) hr = stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatchInfo);
  if (SUCCEEDED(hr)) {
    hr = library->CreateTypeInfo(const_cast<LPOLESTR>(L"ITypedManager"), TKIND_INTERFACE, &info);
  }
  if (SUCCEEDED(hr)) {
    info->SetGuid(kInterfaceId);
    info->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
    HREFTYPE base = 0;
    hr = info->AddRefTypeInfo(dispatchInfo, &base);
    if (SUCCEEDED(hr)) hr = info->AddImplType(0, base);
  }
  for (UINT i = 0; SUCCEEDED(hr) && i < std::size(kMethods); ++i)
    hr = AddMethod(info, i, kMethods[i]);
  if (SUCCEEDED(hr)) hr = info->LayOut();
  if (SUCCEEDED(hr)) hr = library->SaveAllChanges();
  if (info) info->Release();
  if (dispatchInfo) dispatchInfo->Release();
  if (stdole) stdole->Release();
  library->Release();
  if (FAILED(hr)) return nullptr;

  ITypeLib* loaded = nullptr;
  ITypeInfo* result = nullptr;
  if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &loaded))) {
    ITypeInfo* described = nullptr;
    if (SUCCEEDED(loaded->GetTypeInfoOfGuid(kInterfaceId, &described))) {
      // A dual interface is found as its dispatch description; DispInvoke calls through the
      // interface's own (vtable) description.
      TYPEATTR* attributes = nullptr;
      described->GetTypeAttr(&attributes);
      const bool isDispatch = attributes != nullptr && attributes->typekind == TKIND_DISPATCH;
      if (attributes) described->ReleaseTypeAttr(attributes);
      HREFTYPE vtable = 0;
      if (isDispatch &&
          SUCCEEDED(described->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) &&
          SUCCEEDED(described->GetRefTypeInfo(vtable, &result))) {
        described->Release();
      } else {
        result = described;
      }
    }
    loaded->Release();
  }
  DeleteFileW(path.c_str());
  return result;
}

std::wstring Text(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

}  // namespace

TypedManager::TypedManager() : typeInfo_(BuildTypeInfo()) {}

TypedManager::~TypedManager() {
  if (typeInfo_) typeInfo_->Release();
}

HRESULT TypedManager::QueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, kInterfaceId)) {
    *ppv = static_cast<ITypedManager*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG TypedManager::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT TypedManager::GetTypeInfoCount(UINT* count) {
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT TypedManager::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  *info = nullptr;
  if (index != 0 || !typeInfo_) return DISP_E_BADINDEX;
  typeInfo_->AddRef();
  *info = typeInfo_;
  return S_OK;
}

HRESULT TypedManager::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return DispGetIDsOfNames(typeInfo_, names, count, ids);
}

HRESULT TypedManager::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* info, UINT* argErr) {
  const HRESULT hr = DispInvoke(static_cast<ITypedManager*>(this), typeInfo_, id, flags, params,
                                result, info, argErr);
  if (FAILED(hr)) calls.push_back(L"refused " + std::to_wstring(id) + L": " + std::to_wstring(hr));
  return hr;
}

HRESULT TypedManager::DataEvent(BSTR, BSTR event, BSTR data, VARIANT* extData,
                                VARIANT_BOOL* result) {
  calls.push_back(L"DataEvent " + Text(event) + L" " + Text(data));
  lastExtData.clear();
  if (extData != nullptr && (V_VT(extData) & VT_ARRAY) != 0) {
    SAFEARRAY* array = (V_VT(extData) & VT_BYREF) ? *V_ARRAYREF(extData) : V_ARRAY(extData);
    LONG index = 0;
    VARIANT first;
    VariantInit(&first);
    if (SUCCEEDED(SafeArrayGetElement(array, &index, &first)) && V_VT(&first) == VT_BSTR) {
      lastExtData = Text(V_BSTR(&first));
    }
    VariantClear(&first);
  }
  *result = VARIANT_TRUE;
  return S_OK;
}

HRESULT TypedManager::ErrorEvent(BSTR, BSTR errorName, BSTR, VARIANT*, VARIANT_BOOL* result) {
  calls.push_back(L"ErrorEvent " + Text(errorName));
  *result = VARIANT_TRUE;
  return S_OK;
}

HRESULT TypedManager::GetAppProperty(BSTR*, BSTR* propName, BSTR* propValue, VARIANT_BOOL* result) {
  const std::wstring name = Text(*propName);
  calls.push_back(L"GetAppProperty " + name);
  const wchar_t* value = name == L"ModelsFolder"    ? L"C:\\Typed\\Models"
                         : name == L"DevicesFolder" ? L"C:\\Typed\\Devices"
                         : name == L"Language"      ? L"ru"
                                                    : nullptr;
  *result = value ? VARIANT_TRUE : VARIANT_FALSE;
  if (value) {
    SysFreeString(*propValue);
    *propValue = SysAllocString(value);
  }
  return S_OK;
}

HRESULT TypedManager::MessageDlg(BSTR, BSTR text, long* type, long* buttons, long* timeout,
                                 long* result) {
  calls.push_back(L"MessageDlg " + Text(text) + L" " + std::to_wstring(*type) + L" " +
                  std::to_wstring(*buttons) + L" " + std::to_wstring(*timeout));
  *result = 7;
  return S_OK;
}

HRESULT TypedManager::InputDataDlg(BSTR, BSTR caption, BSTR defaultData, BSTR, BSTR,
                                   VARIANT_BOOL password, long* timeOut, BSTR* result) {
  calls.push_back(L"InputDataDlg " + Text(caption) + L" " + Text(defaultData) + L" " +
                  (password ? L"True" : L"False") + L" " + std::to_wstring(*timeOut));
  *result = SysAllocString(L"введено");
  return S_OK;
}

HRESULT TypedManager::TaskState(BSTR, long* percent, BSTR description, VARIANT_BOOL* result) {
  calls.push_back(L"TaskState " + std::to_wstring(*percent) + L" " + Text(description));
  *result = VARIANT_TRUE;
  return S_OK;
}

HRESULT TypedManager::WriteLog(BSTR, BSTR name, BSTR, long* eventType, VARIANT_BOOL* result) {
  calls.push_back(L"WriteLog " + Text(name) + L" " + std::to_wstring(*eventType));
  *result = VARIANT_TRUE;
  return S_OK;
}

}  // namespace equ::win32::testing
