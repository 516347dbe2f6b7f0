#pragma once

#include "equipment/common/SettingsList.h"

namespace equ::win32 {

// Renders the settings list as a virtual report list with grid lines, the status text and
// the footer buttons, with the inline editors over the value cell; runs it modally. Answers
// true when it closed with OK.
bool ShowSettingsListWindow(TfrmSettingsList& list);

}  // namespace equ::win32
