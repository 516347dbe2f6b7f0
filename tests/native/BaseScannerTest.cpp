#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

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

// A manager that calls the driver back from inside its DataEvent handler, as real equipment
// managers do (fetching the rest of the queue, switching events on again, a scan arriving
// while a message box of the handler pumps messages).
struct ReentrantCase {
  const char* name;
  // What the handler does inside the first data event (the fixture gives the calls).
  std::function<void(class ReentrantManagerTest&)> inside;
  // Barcodes the host must have received, each exactly once, events and fetches together.
  std::vector<WideString> expected;
};

class ReentrantManagerTest : public BaseScannerTest,
                             public ::testing::WithParamInterface<ReentrantCase> {
 public:
  void Fetch() {
    Variant out;
    if (CallPublic(u"GetScanData", Variant(), &out))
      received.push_back(out.Array()->At(0).ToString());
  }
  void EventsOnAgain() { ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true))); }
  void EventsOff() { ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(false))); }
  void Count() { countsInside.push_back(DataCount()); }
  void Scan(const WideString& code) { device_->AddScanData(code, code, 0); }
  void WriteSettingsBack() {
    Variant settings;
    ASSERT_TRUE(CallPublic(u"GetSettings", Variant(), &settings));
    ASSERT_TRUE(CallPublic(u"SetSettings", settings));
  }

  std::vector<WideString> received;
  std::vector<std::int32_t> countsInside;
  std::vector<WideString> offered;

 protected:
  void SetUp() override {
    InitWithManager();
    manager_->answer = [this](testing::FakeManager::Call& call) -> Variant {
      if (call.name != u"DataEvent") return Variant(true);
      const WideString data = call.args[2].value.ToString();
      offered.push_back(data);
      if (!insideDone_) {
        insideDone_ = true;
        GetParam().inside(*this);
      }
      received.push_back(data);
      return Variant(true);
    };
  }

 private:
  bool insideDone_ = false;
};

TEST_P(ReentrantManagerTest, NoBarcodeIsLostAndNoneArrivesTwice) {
  for (const char16_t* code : {u"AAA", u"BBB", u"CCC"}) Scan(code);
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  // Whatever the handler left queued (events switched off inside it) is fetched at the end.
  while (DataCount() > 0) Fetch();
  std::vector<WideString> got = received;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, GetParam().expected);
  std::vector<WideString> offers = offered;
  std::sort(offers.begin(), offers.end());
  EXPECT_EQ(std::adjacent_find(offers.begin(), offers.end()), offers.end())
      << "an accepted barcode was offered again";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReentrantManagerTest,
    ::testing::Values(ReentrantCase{"GetScanData",
                                    [](ReentrantManagerTest& host) { host.Fetch(); },
                                    {u"AAA", u"BBB", u"CCC"}},
                      ReentrantCase{"GetScanDataUntilEmpty",
                                    [](ReentrantManagerTest& host) {
                                      for (int i = 0; i < 4; ++i) host.Fetch();
                                    },
                                    {u"AAA", u"BBB", u"CCC"}},
                      ReentrantCase{"EnableDataEventsTrue",
                                    [](ReentrantManagerTest& host) { host.EventsOnAgain(); },
                                    {u"AAA", u"BBB", u"CCC"}},
                      ReentrantCase{"GetScanDataAndEnableDataEvents",
                                    [](ReentrantManagerTest& host) {
                                      host.Fetch();
                                      host.EventsOnAgain();
                                    },
                                    {u"AAA", u"BBB", u"CCC"}},
                      ReentrantCase{"EnableDataEventsFalse",
                                    [](ReentrantManagerTest& host) { host.EventsOff(); },
                                    {u"AAA", u"BBB", u"CCC"}},
                      ReentrantCase{"NewScanMeanwhile",
                                    [](ReentrantManagerTest& host) { host.Scan(u"DDD"); },
                                    {u"AAA", u"BBB", u"CCC", u"DDD"}},
                      ReentrantCase{"SetSettings",
                                    [](ReentrantManagerTest& host) { host.WriteSettingsBack(); },
                                    {u"AAA", u"BBB", u"CCC"}}),
    [](const ::testing::TestParamInfo<ReentrantCase>& p) { return p.param.name; });

TEST_F(BaseScannerTest, InsideAnEventTheOfferedItemIsNotTheHostsToFetchOrCount) {
  InitWithManager();
  device_->AddScanData(u"AAA", u"AAA", 0);
  device_->AddScanData(u"BBB", u"BBB", 0);
  std::vector<std::int32_t> counts;
  std::vector<Variant> fetched;
  bool inside = false;
  manager_->answer = [&](testing::FakeManager::Call& call) -> Variant {
    if (call.name != u"DataEvent" || inside) return Variant(true);
    inside = true;
    counts.push_back(DataCount());
    Variant out;
    CallPublic(u"GetScanData", Variant(), &out);
    fetched.push_back(out);
    counts.push_back(DataCount());
    CallPublic(u"GetScanData", Variant(), &out);
    fetched.push_back(out);
    // Refused: the offered item stays for the host.
    return Variant(false);
  };
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  EXPECT_EQ(counts, (std::vector<std::int32_t>{1, 0}));
  ASSERT_EQ(fetched.size(), 2u);
  EXPECT_EQ(fetched[0], ScanArray(u"BBB"));
  EXPECT_EQ(fetched[1], ErrorArray(2001, u"Буфер данных пуст"));
  EXPECT_EQ(DataCount(), 1);
  Variant out;
  ASSERT_TRUE(CallPublic(u"GetScanData", Variant(), &out));
  EXPECT_EQ(out, ScanArray(u"AAA"));
}

TEST_F(BaseScannerTest, AutoDisableAppliesToAScanThatArrivedDuringAnEvent) {
  InitWithManager();
  device_->SetSettingValue(u"AutoDisableDataEvent", Variant(true));
  bool scanned = false;
  manager_->answer = [&](testing::FakeManager::Call& call) -> Variant {
    if (call.name == u"DataEvent" && !scanned) {
      scanned = true;
      device_->AddScanData(u"2", u"2", 0);
    }
    return Variant(true);
  };
  ASSERT_TRUE(CallPublic(u"EnableDataEvents", EventsOn(true)));
  device_->AddScanData(u"1", u"1", 0);
  EXPECT_EQ(manager_->CallsOf(u"DataEvent").size(), 2u) << "the scan of the event is offered too";
  EXPECT_FALSE(device_->EventEnabled());
  EXPECT_EQ(DataCount(), 0);
}

TEST(ScanDataListTest, ItemsKeepTheirIdsWhileOthersLeave) {
  TScanDataList list;
  const std::uint64_t a = list.AddDataItem(u"a", u"A", 0).Id();
  const std::uint64_t b = list.AddDataItem(u"b", u"B", 0).Id();
  EXPECT_NE(a, b);
  EXPECT_EQ(list.IndexOfId(b), 1);
  list.DeleteFirstDataItem();
  EXPECT_EQ(list.IndexOfId(b), 0);
  EXPECT_EQ(list.IndexOfId(a), -1);
  const std::uint64_t c = list.AddDataItem(u"c", u"C", 0).Id();
  EXPECT_NE(c, a) << "an Id is never given twice";
  list.PutDataItem(0, std::make_unique<TScanDataItem>(&list, u"d", u"D", 0));
  EXPECT_NE(list.GetDataItem(0)->Id(), 0u) << "a replacing item is given an Id too";
  EXPECT_EQ(list.IndexOfId(b), -1);
}

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
