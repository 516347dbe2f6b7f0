#pragma once

#include <cstdint>
#include <functional>

#include "Variant.h"
#include "WideString.h"

namespace equ {

class TBaseDevice;

// The keys the settings list reacts to.
enum class TListKey : std::uint8_t { lkEnter, lkF2, lkEscape, lkOther };

enum class TInlineEditor : std::uint8_t { ieNone, ieEdit, ieCombo };

// A rectangle in the list's client coordinates.
struct TCellRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TCellRect&, const TCellRect&) = default;
};

// One row as the list shows it.
struct TSettingsListRow {
  WideString Caption;
  WideString Value;
  WideString Default;
};

// The full list of a device's settings, edited in place: every row of the settings table with
// its caption, value and default, an inline editor over the value cell, and the defaults back
// for one row or all. It writes straight into the device's table and keeps no copy.
class TfrmSettingsList {
 public:
  static constexpr const char16_t* kCaption = u"Список настроек";
  static constexpr int kClientWidth = 374;
  static constexpr int kClientHeight = 379;
  static constexpr int kStatusHeight = 55;
  static constexpr int kFooterHeight = 41;
  static constexpr int kNameColumnWidth = 190;
  static constexpr int kValueColumnWidth = 90;
  static constexpr int kDefaultColumnWidth = 90;

  explicit TfrmSettingsList(TBaseDevice& deviceManager);

  std::int32_t RowCount() const;
  // The row's texts, produced from the table on demand; blank for a row without a setting.
  TSettingsListRow lvSettingsData(std::int32_t row) const;
  std::int32_t Selected() const { return FSelected; }
  const WideString& StatusText() const { return FStatus; }

  // The selection moved (-1: none).
  void lvSettingsChange(std::int32_t row);
  void lvSettingsKeyDown(TListKey key);
  void lvSettingsDblClick() { BeginEdit(); }
  void edEditKeyDown(TListKey key);
  void edEditExit() { EndEdit(false); }
  void miEditClick() { BeginEdit(); }
  void miDefaultClick();
  void btnDefaultClick();

  TInlineEditor EditControl() const { return FEditor; }
  bool EditorShown() const { return FEditorShown; }
  // The inline editors' state, written by the view as the user types or picks.
  const WideString& edEditText() const { return FEditText; }
  void SetEdEditText(WideString text) { FEditText = std::move(text); }
  int cbEditIndex() const { return FComboIndex; }
  void SetCbEditIndex(int index) { FComboIndex = index; }
  // Where the editor lies for a row of these bounds: over the value cell.
  static TCellRect EditorBounds(const TCellRect& rowBounds, int nameColumnWidth,
                                int valueColumnWidth);

  // The view's part: redraw rows (-1: all) and show or hide the editor (then focus the list).
  void SetOnRowsChanged(std::function<void(std::int32_t row)> handler) {
    FOnRowsChanged = std::move(handler);
  }
  void SetOnEditorChanged(std::function<void()> handler) { FOnEditorChanged = std::move(handler); }

 private:
  void BeginEdit();
  void EndEdit(bool cancel);
  void RowsChanged(std::int32_t row) const;

  TBaseDevice& FDeviceManager;
  std::int32_t FSelected = -1;
  WideString FStatus;
  TInlineEditor FEditor = TInlineEditor::ieEdit;
  bool FEditorShown = false;
  WideString FEditText;
  int FComboIndex = 0;
  std::function<void(std::int32_t)> FOnRowsChanged;
  std::function<void()> FOnEditorChanged;
};

// The text form of a value in the list: Booleans as "True"/"False", numbers in decimal,
// Empty as empty text.
WideString SettingValueText(const Variant& value);

}  // namespace equ
