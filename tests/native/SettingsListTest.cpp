#include <gtest/gtest.h>

#include <vector>

#include "DeviceFixture.h"
#include "equipment/common/BaseDevice.h"
#include "equipment/common/SettingsList.h"

namespace equ {
namespace {

// A device with one row of each editable kind after the three base rows.
class TListProbe : public TBaseDevice {
 protected:
  void RegisterSettings() override {
    TBaseDevice::RegisterSettings();
    RegisterSetting(u"Flag", TDataType::dtBoolean, Variant(false), true, u"Флаг", u"флаг");
    RegisterSetting(u"Count", TDataType::dtNumber, Variant(5), false, u"Число", u"число");
    RegisterSetting(u"Name", TDataType::dtString, Variant(u"abc"), false, u"Имя", u"имя");
  }
};

// A device whose settings table is empty.
class TEmptyDevice : public TBaseDevice {
 protected:
  void RegisterSettings() override {}
};

class SettingsListTest : public testing::DeviceFixture {
 protected:
  SettingsListTest() {
    list_.SetOnRowsChanged([this](std::int32_t row) { redrawn_.push_back(row); });
    list_.SetOnEditorChanged([this] { ++editorChanges_; });
  }
  std::int32_t RowOf(std::u16string_view id) const {
    for (std::int32_t i = 0; i < device_->SettingsCount(); ++i) {
      if (device_->SettingList()[static_cast<std::size_t>(i)].ID == id) return i;
    }
    return -1;
  }
  void Select(std::u16string_view id) { list_.lvSettingsChange(RowOf(id)); }

  ObjectPtr<TListProbe> device_ = MakeObject<TListProbe>();
  TfrmSettingsList list_{*device_};
  std::vector<std::int32_t> redrawn_;
  int editorChanges_ = 0;
};

TEST_F(SettingsListTest, RowsComeFromTheTableOnDemand) {
  EXPECT_EQ(list_.RowCount(), device_->SettingsCount());
  const TSettingsListRow row = list_.lvSettingsData(RowOf(u"Flag"));
  EXPECT_EQ(row.Caption, u"Флаг");
  EXPECT_EQ(row.Value, u"False");
  EXPECT_EQ(row.Default, u"False");
  device_->SetSettingValue(u"Count", Variant(42));
  EXPECT_EQ(list_.lvSettingsData(RowOf(u"Count")).Value, u"42");
  EXPECT_EQ(list_.lvSettingsData(99).Caption, u"") << "a row without a setting stays blank";
  Select(u"Name");
  EXPECT_EQ(list_.StatusText(), u"имя");
}

TEST_F(SettingsListTest, BooleanRowIsEditedWithTheTrueFalseList) {
  Select(u"Flag");
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  ASSERT_TRUE(list_.EditorShown()) << "read-only rows are editable too";
  EXPECT_EQ(list_.EditControl(), TInlineEditor::ieCombo);
  EXPECT_EQ(list_.cbEditIndex(), 0);
  list_.SetCbEditIndex(1);
  list_.edEditKeyDown(TListKey::lkEnter);
  EXPECT_FALSE(list_.EditorShown());
  EXPECT_EQ(device_->GetSettingValue(u"Flag"), Variant(true));
  EXPECT_EQ(list_.lvSettingsData(RowOf(u"Flag")).Value, u"True");
  EXPECT_EQ(redrawn_, std::vector<std::int32_t>{RowOf(u"Flag")});
  list_.lvSettingsKeyDown(TListKey::lkF2);
  EXPECT_EQ(list_.cbEditIndex(), 1) << "a True value opens on \"True\"";
}

struct TextEditCase {
  const char16_t* id;
  const char16_t* typed;
  Variant stored;
};

class SettingsListTextTest : public SettingsListTest,
                             public ::testing::WithParamInterface<TextEditCase> {};

TEST_P(SettingsListTextTest, EditedTextIsStoredInTheSettingsType) {
  Select(GetParam().id);
  list_.lvSettingsDblClick();
  ASSERT_TRUE(list_.EditorShown());
  EXPECT_EQ(list_.EditControl(), TInlineEditor::ieEdit);
  list_.SetEdEditText(GetParam().typed);
  list_.edEditKeyDown(TListKey::lkEnter);
  EXPECT_EQ(device_->GetSettingValue(GetParam().id), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Types, SettingsListTextTest,
                         ::testing::Values(TextEditCase{u"Count", u"17", Variant(17.0)},
                                           TextEditCase{u"Count", u"abc", Variant(0.0)},
                                           TextEditCase{u"Name", u"xyz", Variant(u"xyz")}));

TEST_F(SettingsListTest, EscapeInTheEditorLeavesTheValue) {
  Select(u"Count");
  list_.miEditClick();
  EXPECT_EQ(list_.edEditText(), u"5");
  list_.SetEdEditText(u"99");
  list_.edEditKeyDown(TListKey::lkEscape);
  EXPECT_FALSE(list_.EditorShown());
  EXPECT_EQ(device_->GetSettingValue(u"Count"), Variant(5));
  EXPECT_TRUE(redrawn_.empty());
}

TEST_F(SettingsListTest, MovingTheSelectionOrLosingTheFocusKeepsTheTypedValue) {
  Select(u"Count");
  list_.lvSettingsKeyDown(TListKey::lkF2);
  list_.SetEdEditText(u"8");
  Select(u"Name");
  EXPECT_EQ(device_->GetSettingValue(u"Count"), Variant(8.0)) << "written into the edited row";
  EXPECT_EQ(list_.StatusText(), u"имя");
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  list_.SetEdEditText(u"new");
  list_.edEditExit();
  EXPECT_EQ(device_->GetSettingValue(u"Name"), Variant(u"new"));
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  list_.SetEdEditText(u"kept");
  list_.lvSettingsKeyDown(TListKey::lkEscape);
  EXPECT_EQ(device_->GetSettingValue(u"Name"), Variant(u"kept")) << "Esc on the list keeps";
}

TEST_F(SettingsListTest, EditorOpensOnlyOnceAndOnlyOnARow) {
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  EXPECT_FALSE(list_.EditorShown()) << "no row selected";
  Select(u"Count");
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  list_.SetEdEditText(u"3");
  list_.lvSettingsKeyDown(TListKey::lkEnter);
  EXPECT_EQ(list_.edEditText(), u"3") << "an open editor is not opened again";
  EXPECT_EQ(editorChanges_, 1);
}

TEST_F(SettingsListTest, MenuDefaultChangesOnlyTheSelectedRowAndTheButtonAll) {
  device_->SetSettingValue(u"Count", Variant(1));
  device_->SetSettingValue(u"Name", Variant(u"q"));
  Select(u"Count");
  list_.miDefaultClick();
  EXPECT_EQ(device_->GetSettingValue(u"Count"), Variant(5));
  EXPECT_EQ(device_->GetSettingValue(u"Name"), Variant(u"q"));
  list_.btnDefaultClick();
  EXPECT_EQ(device_->GetSettingValue(u"Name"), Variant(u"abc"));
  EXPECT_EQ(redrawn_, (std::vector<std::int32_t>{RowOf(u"Count"), -1}));
}

TEST_F(SettingsListTest, AnEmptyTableGivesAnEmptyListWhereNothingHappens) {
  auto empty = MakeObject<TEmptyDevice>();
  TfrmSettingsList list(*empty);
  EXPECT_EQ(list.RowCount(), 0);
  list.lvSettingsChange(0);
  list.lvSettingsKeyDown(TListKey::lkEnter);
  list.miEditClick();
  list.miDefaultClick();
  EXPECT_FALSE(list.EditorShown());
  EXPECT_EQ(list.StatusText(), u"");
}

TEST_F(SettingsListTest, EditorLiesOverTheValueCell) {
  EXPECT_EQ(TfrmSettingsList::EditorBounds(TCellRect{0, 38, 370, 17}, 190, 90),
            (TCellRect{193, 38, 90, 24}));
}

}  // namespace
}  // namespace equ
