#pragma once

#include <vector>

#include "equipment/common/BaseSettingsDeviceFrm.h"

namespace equ {

// The grid the scanner's pages share: captions in a left column, controls in a second one.
namespace page_layout {
inline constexpr int kClientWidth = 308;
inline constexpr int kClientHeight = 200;
inline constexpr int kLabelLeft = 8;
inline constexpr int kLabelWidth = 128;
inline constexpr int kControlLeft = 140;
inline constexpr int kControlWidth = 160;
inline constexpr int kFirstRow = 12;
inline constexpr int kRowPitch = 30;
inline constexpr int kControlHeight = 21;

inline int RowTop(int row) {
  return kFirstRow + row * kRowPitch;
}

inline TPageControl Control(const char16_t* name, TControlKind kind, const char16_t* caption) {
  TPageControl control;
  control.Name = name;
  control.Kind = kind;
  control.Caption = caption;
  return control;
}

inline TPageControl Label(const char16_t* name, const char16_t* caption, int row,
                          bool wordWrap = false) {
  TPageControl control = Control(name, TControlKind::ckLabel, caption);
  control.Left = kLabelLeft;
  control.Top = RowTop(row) + 3;
  control.Width = kLabelWidth;
  control.Height = wordWrap ? 2 * kControlHeight : kControlHeight - 6;
  control.WordWrap = wordWrap;
  return control;
}

inline TPageControl ComboList(const char16_t* name, std::vector<WideString> items, int row,
                              int itemIndex) {
  TPageControl control = Control(name, TControlKind::ckComboList, u"");
  control.Items = std::move(items);
  control.Left = kControlLeft;
  control.Top = RowTop(row);
  control.Width = kControlWidth;
  control.Height = kControlHeight;
  control.ItemIndex = itemIndex;
  return control;
}

inline TPageControl Edit(const char16_t* name, TControlKind kind, int row, const char16_t* text) {
  TPageControl control = Control(name, kind, u"");
  control.Left = kControlLeft;
  control.Top = RowTop(row);
  control.Width = kControlWidth;
  control.Height = kControlHeight;
  control.Text = text;
  return control;
}

inline TPageControl CheckBox(const char16_t* name, const char16_t* caption, int row) {
  TPageControl control = Control(name, TControlKind::ckCheckBox, caption);
  control.Left = kLabelLeft;
  control.Top = RowTop(row);
  control.Width = kClientWidth - 2 * kLabelLeft;
  control.Height = kControlHeight - 4;
  return control;
}
}  // namespace page_layout

}  // namespace equ
