// The built module, loaded by path and driven through its exported entry points.
#include <gtest/gtest.h>

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace {

const CLSID kDriverClass = {
    0x5C3E9A71, 0x2B4D, 0x4F86, {0x9E, 0x1A, 0x7D, 0x20, 0xC4, 0xB8, 0xE6, 0x13}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress answers a generic function pointer; the entry points have known signatures.
template <class Fn>
Fn EntryPoint(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring ModulePath() {
  const std::string narrow = EQU_MODULE_PATH;
  return std::wstring(narrow.begin(), narrow.end());
}

class InprocServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(module_, nullptr) << "cannot load " << EQU_MODULE_PATH;
    getClassObject_ = EntryPoint<GetClassObjectFn>(module_, "DllGetClassObject");
    canUnloadNow_ = EntryPoint<CanUnloadNowFn>(module_, "DllCanUnloadNow");
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject_(kDriverClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
  }

  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

TEST_F(InprocServerTest, ExportsTheFiveEntryPointsUndecorated) {
  for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                           "DllUnregisterServer", "DllInstall"}) {
    EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
  }
}

TEST_F(InprocServerTest, CarriesFileVersion1112AndProductVersion1000) {
  const std::wstring path = ModulePath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length));
  EXPECT_EQ(info->dwFileVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(info->dwFileVersionLS, MAKELONG(2, 1));
  EXPECT_EQ(info->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(info->dwProductVersionLS, 0u);
}

TEST_F(InprocServerTest, OtherClassIsNotAvailable) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject_(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(InprocServerTest, FactoryOffersOnlyItsOwnInterfaces) {
  void* out = nullptr;
  EXPECT_EQ(getClassObject_(kDriverClass, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(InprocServerTest, EveryRequestMakesANewObject) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IDispatch* first = nullptr;
  IDispatch* second = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&first)),
            S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&second)),
            S_OK);
  EXPECT_NE(first, second);
  UINT count = 5;
  EXPECT_EQ(first->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(L"NoSuchMethod");
  EXPECT_EQ(first->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), E_NOTIMPL);
  EXPECT_EQ(id, -1);
  first->Release();
  second->Release();
  factory->Release();
}

TEST_F(InprocServerTest, CannotUnloadWhileAnObjectOrALockExists) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IUnknown* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)),
            S_OK);
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  object->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the lock still holds";
  IClassFactory* again = Factory();
  again->LockServer(FALSE);
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the factory just fetched is still held";
  again->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(InprocServerTest, LockAndObjectsReleasedAllowUnloading) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IUnknown* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)),
            S_OK);
  factory->LockServer(TRUE);
  factory->LockServer(FALSE);
  object->Release();
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(InprocServerTest, AggregationIsRefused) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IUnknown* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                    reinterpret_cast<void**>(&object)),
            CLASS_E_NOAGGREGATION);
  factory->Release();
}

}  // namespace
