// The driver's calls to an equipment manager with typed parameters (a C++ host's dual
// interface with a type library, answered by DispInvoke): every operation must reach it with
// the types it declares, by-reference strings and integers included.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "TypedManager.h"
#include "equipment/common/BaseScanner.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinText.h"

namespace equ::win32::testing {
namespace {

class TypedManagerTest : public ::testing::Test {
 protected:
  TypedManagerTest() {
    ObjectPtr<TBaseScanner> device = MakeObject<TBaseScanner>();
    device_ = device.get();
    auto* dispatch = new ComDispatchObject(std::move(device));
    driver_ = std::make_shared<ComDispatchPort>(dispatch);
    dispatch->Release();
    manager_ = new TypedManager();
  }
  ~TypedManagerTest() override { manager_->Release(); }

  // The host's Init or Open through the driver's IDispatch; answers argument 2.
  bool CallPrivate(const char16_t* name, Variant argument, WideString& description) {
    DispatchArgument args[] = {{std::move(argument), false}, {Variant(), true}};
    const bool ok = driver_->CallMethod(name, args).ToBool();
    description = args[1].value.ToString();
    return ok;
  }

  Variant ManagerValue() {
    return Variant(std::shared_ptr<DispatchPort>(std::make_shared<ComDispatchPort>(manager_)));
  }

  bool Called(const std::wstring& line) const {
    return std::find(manager_->calls.begin(), manager_->calls.end(), line) != manager_->calls.end();
  }
  std::wstring Calls() const {
    std::wstring all;
    for (const std::wstring& line : manager_->calls) all += line + L"; ";
    return all;
  }

  TBaseScanner* device_ = nullptr;
  std::shared_ptr<ComDispatchPort> driver_;
  TypedManager* manager_ = nullptr;
};

TEST_F(TypedManagerTest, InitAndOpenReadTheApplicationPropertiesThroughBstrReferences) {
  ASSERT_TRUE(manager_->TypeInfoLoaded());
  WideString description;
  ASSERT_TRUE(CallPrivate(u"Init", ManagerValue(), description)) << WideToUtf8(description);
  EXPECT_EQ(device_->ModelsFolder(), u"C:\\Typed\\Models\\")
      << WideToUtf8(FromWide(Calls().c_str()));
  EXPECT_EQ(device_->Language(), u"ru");
  ASSERT_TRUE(CallPrivate(u"Open", Variant(u"typed1"), description));
  EXPECT_EQ(device_->DeviceFolder(), u"C:\\Typed\\Devices\\typed1\\");
}

TEST_F(TypedManagerTest, DataEventReachesItAndIsAccepted) {
  WideString description;
  ASSERT_TRUE(CallPrivate(u"Init", ManagerValue(), description));
  device_->SetEventEnabled(true);
  device_->AddScanData(u"4600000000001", u"4600000000001", 0);
  EXPECT_TRUE(Called(L"DataEvent ScanData 4600000000001")) << WideToUtf8(FromWide(Calls().c_str()));
  EXPECT_EQ(manager_->lastExtData, L"4600000000001");
  EXPECT_EQ(device_->ScanDataList().Count(), 0) << "the accepted event removed the scan";
}

TEST_F(TypedManagerTest, DialogsAndTheOtherOperationsGetTheirLongsByReference) {
  WideString description;
  ASSERT_TRUE(CallPrivate(u"Init", ManagerValue(), description));
  device_->SetEventLogEnabled(true);
  EXPECT_EQ(device_->ShowMessageDlg(u"Проверка", 2, 3, 30), 7);
  EXPECT_EQ(device_->InputDataDlg(u"Код", u"123", u"Введите код", u"", true, 15), u"введено");
  EXPECT_TRUE(device_->TaskState(50, u"Половина"));
  EXPECT_TRUE(device_->WriteLog(u"Событие", u"текст", 2));
  Variant extData;
  EXPECT_TRUE(device_->ErrorEvent(u"Ошибка", u"описание", extData));
  const std::wstring calls = Calls();
  EXPECT_TRUE(Called(L"MessageDlg Проверка 2 3 30")) << WideToUtf8(FromWide(calls.c_str()));
  EXPECT_TRUE(Called(L"InputDataDlg Код 123 True 15")) << WideToUtf8(FromWide(calls.c_str()));
  EXPECT_TRUE(Called(L"TaskState 50 Половина")) << WideToUtf8(FromWide(calls.c_str()));
  EXPECT_TRUE(Called(L"WriteLog Событие 2")) << WideToUtf8(FromWide(calls.c_str()));
  EXPECT_TRUE(Called(L"ErrorEvent Ошибка")) << WideToUtf8(FromWide(calls.c_str()));
}

}  // namespace
}  // namespace equ::win32::testing
