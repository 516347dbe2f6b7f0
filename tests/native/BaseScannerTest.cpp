#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "equipment/common/Exceptions.h"

namespace equ {
namespace {

using testing::DeviceFixture;

class BaseScannerTest : public DeviceFixture {
 protected:
  Variant ScanArray(const WideString& code) {
    return Variant(SafeArray::Vector({Variant(code), Variant(code), Variant(0)}));
  }
  std::int32_t DataCount() {
    Variant out;
    EXPECT_TRUE(CallPublic(u"GetDataCount", Variant(), &out));
    return out.Array()->At(0).ToInt32();
  }
  Variant EventsOn(bool on) { return Variant(SafeArray::Vector({Variant(on)})); }
};

TEST_F(BaseScannerTest, WithEventsOffScansComeBackOldestFirst) {
  InitWithManager();
  for (const char16_t* code : {u"111", u"222", u"333"}) device_->AddScanData(code, code, 0);
  EXPECT_EQ(DataCount(), 3);
  for (const char16_t* code : {u"111", u"222", u"333"}) {
    Variant out;
    ASSERT_TRUE(CallPublic(u"GetScanData", Variant(), &out));
    EXPECT_EQ(out, ScanArray(code));
  }
  Variant out;
  EXPECT_FALSE(CallPublic(u"GetScanData", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(2001, u"Буфер данных пуст"));
  EXPECT_TRUE(manager_->CallsOf(u"DataEvent").empty());
}

TEST_F(BaseScannerTest, AcceptedEventAnnouncesOnceAndLeavesNothingQueued) {
  InitWithManager();
  OpenDevice(u"dev1");
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  device_->AddScanData(u"4600000000001", u"4600000000001", 0);
  const auto events = manager_->CallsOf(u"DataEvent");
  ASSERT_EQ(events.size(), 1u);
  ASSERT_EQ(events[0].args.size(), 4u);
  EXPECT_EQ(events[0].args[0].value, Variant(u"dev1"));
  EXPECT_EQ(events[0].args[1].value, Variant(u"ScanData"));
  EXPECT_EQ(events[0].args[2].value, Variant(u"4600000000001"));
  EXPECT_EQ(events[0].args[3].value, ScanArray(u"4600000000001"));
  EXPECT_TRUE(events[0].args[3].byRef);
  EXPECT_FALSE(events[0].args[2].byRef);
  EXPECT_EQ(DataCount(), 0);
}

TEST_F(BaseScannerTest, RefusedEventKeepsTheItemForTheNextOffer) {
  InitWithManager();
  manager_->acceptEvents = false;
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  device_->AddScanData(u"A", u"A", 0);
  device_->AddScanData(u"B", u"B", 0);
  EXPECT_EQ(DataCount(), 2);
  EXPECT_EQ(manager_->CallsOf(u"DataEvent").size(), 2u) << "each new scan offers the oldest";
  manager_->acceptEvents = true;
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  const auto events = manager_->CallsOf(u"DataEvent");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[2].args[2].value, Variant(u"A"));
  EXPECT_EQ(events[3].args[2].value, Variant(u"B"));
  EXPECT_EQ(DataCount(), 0);
}

TEST_F(BaseScannerTest, AFailedEventWithoutManagerLosesNoScan) {
  device_->SetEventEnabled(false);
  ASSERT_EQ(device_->Enable(), 0);
  EXPECT_THROW(device_->AddScanData(u"X", u"X", 0), Exception);
  EXPECT_EQ(DataCount(), 1);
  Variant out;
  ASSERT_TRUE(CallPublic(u"GetScanData", Variant(), &out));
  EXPECT_EQ(out, ScanArray(u"X"));
}

TEST_F(BaseScannerTest, AutoDisableSendsOneScanThenOnlyQueues) {
  InitWithManager();
  device_->SetSettingValue(u"AutoDisableDataEvent", Variant(true));
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  device_->AddScanData(u"1", u"1", 0);
  device_->AddScanData(u"2", u"2", 0);
  EXPECT_EQ(manager_->CallsOf(u"DataEvent").size(), 1u);
  EXPECT_FALSE(device_->EventEnabled());
  EXPECT_EQ(DataCount(), 1);
}

TEST_F(BaseScannerTest, SetSettingsWithoutAutoDisableSendsWhatIsPending) {
  InitWithManager();
  device_->AddScanData(u"pending", u"pending", 0);
  Variant settings;
  ASSERT_TRUE(CallPublic(u"GetSettings", Variant(), &settings));
  ASSERT_TRUE(CallPublic(u"SetSettings", settings));
  EXPECT_EQ(manager_->CallsOf(u"DataEvent").size(), 1u);
  EXPECT_EQ(DataCount(), 0);
}

TEST_F(BaseScannerTest, EnablingTheDeviceSwitchesEventsOnAndDisablingOff) {
  ASSERT_EQ(device_->Enable(), 0);
  EXPECT_TRUE(device_->EventEnabled());
  device_->Disable();
  EXPECT_FALSE(device_->EventEnabled());
}

struct EnableEventsInput {
  const char* name;
  Variant inData;
  bool ok;
  std::int32_t code;
};

class EnableDataEventsInputTest : public BaseScannerTest,
                                  public ::testing::WithParamInterface<EnableEventsInput> {};

TEST_P(EnableDataEventsInputTest, ReadsElementZeroAsABoolean) {
  Variant out;
  EXPECT_EQ(CallPublic(u"EnableDataEvents", GetParam().inData, &out), GetParam().ok);
  if (!GetParam().ok) {
    ASSERT_TRUE(out.IsArray());
    EXPECT_EQ(out.Array()->At(0), Variant(GetParam().code));
    EXPECT_FALSE(device_->EventEnabled());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, EnableDataEventsInputTest,
    ::testing::Values(
        EnableEventsInput{"True", Variant(SafeArray::Vector({Variant(true)})), true, 0},
        EnableEventsInput{"TextTrue", Variant(SafeArray::Vector({Variant(u"True")})), true, 0},
        EnableEventsInput{"NotAnArray", Variant(true), false, 1004},
        EnableEventsInput{"EmptyArray", Variant(SafeArray::Vector({})), false, 1004},
        EnableEventsInput{"Unconvertible", Variant(SafeArray::Vector({Variant(u"да")})), false,
                          1001}),
    [](const ::testing::TestParamInfo<EnableEventsInput>& p) { return p.param.name; });

TEST(ScanDataListTest, OwnsItsItemsAndIgnoresIndicesOutside) {
  TScanDataList list;
  list.AddDataItem(u"a", u"A", 0);
  list.AddDataItem(u"b", u"B", 1);
  EXPECT_EQ(list.GetDataItem(2), nullptr);
  EXPECT_EQ(list.GetDataItem(-1), nullptr);
  list.DeleteDataItem(5);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetFirstDataItem()->ScanDataLabel(), u"A");
  EXPECT_EQ(list.GetFirstDataItem()->Owner(), &list);
  list.PutDataItem(1, std::make_unique<TScanDataItem>(&list, u"c", u"C", 2));
  EXPECT_EQ(list.GetDataItem(1)->ScanData(), u"c");
  list.DeleteFirstDataItem();
  EXPECT_EQ(list.GetFirstDataItem()->ScanDataType(), 2);
}

}  // namespace
}  // namespace equ
